// Tables of the full-width forms of printable ASCII and half-width katakana in code page 932.
#include "vars/kana.h"

#include <cstdint>

#include "core/sjis.h"

namespace kuzo {

namespace {

constexpr uint8_t kFirstAscii = 0x20, kLastAscii = 0x7E;
constexpr uint8_t kFirstKana = 0xA1, kLastKana = 0xDF;
constexpr uint8_t kVoicedMark = 0xDE, kSemiVoicedMark = 0xDF;
constexpr uint8_t kHalfU = 0xB3;
constexpr uint16_t kFullVu = 0x8394;

// Full-width forms of 0x20..0x7E (the ideographic space for the blank).
constexpr uint16_t kAsciiWide[] = {
    0x8140, 0x8149, 0xFA57, 0x8194, 0x8190, 0x8193, 0x8195, 0xFA56, 0x8169, 0x816A, 0x8196, 0x817B,
    0x8143, 0x817C, 0x8144, 0x815E, 0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262,
    0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, 0x8277, 0x8278, 0x8279, 0x816D,
    0x815F, 0x816E, 0x814F, 0x8151, 0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F, 0x8290, 0x8291, 0x8292, 0x8293,
    0x8294, 0x8295, 0x8296, 0x8297, 0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8160};
static_assert(sizeof kAsciiWide / sizeof kAsciiWide[0] == kLastAscii - kFirstAscii + 1);

// Full-width forms of the half-width katakana 0xA1..0xDF.
constexpr uint16_t kKanaWide[] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383,
    0x8385, 0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E,
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367,
    0x8369, 0x836A, 0x836B, 0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E,
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F,
    0x8393, 0x814A, 0x814B};
static_assert(sizeof kKanaWide / sizeof kKanaWide[0] == kLastKana - kFirstKana + 1);

// Half-width kana that take a voiced mark (ka..to, ha..ho; u becomes vu) or a semi-voiced one (ha..ho).
bool TakesVoiced(uint8_t c) { return (c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE) || c == kHalfU; }
bool TakesSemiVoiced(uint8_t c) { return c >= 0xCA && c <= 0xCE; }

void PutWide(std::string& out, uint16_t code) {
  out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
}

}  // namespace

std::string HanToZen(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (size_t i = 0; i < s.size();) {
    size_t n = sjis::CharLength(s, i);
    auto c = static_cast<uint8_t>(s[i]);
    if (n == 2 || sjis::IsLeadByte(c)) {
      out.append(s, i, n);
    } else if (c >= kFirstAscii && c <= kLastAscii) {
      PutWide(out, kAsciiWide[c - kFirstAscii]);
    } else if (c >= kFirstKana && c <= kLastKana) {
      uint16_t wide = kKanaWide[c - kFirstKana];
      uint8_t next = i + 1 < s.size() ? static_cast<uint8_t>(s[i + 1]) : 0;
      if (next == kVoicedMark && TakesVoiced(c)) {
        PutWide(out, c == kHalfU ? kFullVu : static_cast<uint16_t>(wide + 1));
        i += 2;
        continue;
      }
      if (next == kSemiVoicedMark && TakesSemiVoiced(c)) {
        PutWide(out, static_cast<uint16_t>(wide + 2));
        i += 2;
        continue;
      }
      PutWide(out, wide);
    } else {
      out += static_cast<char>(c);
    }
    i += n;
  }
  return out;
}

std::string ZenToHan(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    size_t n = sjis::CharLength(s, i);
    if (n != 2) {
      out += s[i++];
      continue;
    }
    uint16_t code = static_cast<uint16_t>(static_cast<uint8_t>(s[i]) << 8 | static_cast<uint8_t>(s[i + 1]));
    bool done = false;
    for (int c = kFirstAscii; c <= kLastAscii && !done; ++c) {
      if (kAsciiWide[c - kFirstAscii] == code) {
        out += static_cast<char>(c);
        done = true;
      }
    }
    for (int c = kFirstKana; c <= kLastKana && !done; ++c) {
      uint16_t wide = kKanaWide[c - kFirstKana];
      auto half = static_cast<char>(c);
      if (wide == code) {
        out += half;
        done = true;
      } else if (TakesVoiced(static_cast<uint8_t>(c)) &&
                 code == (c == kHalfU ? kFullVu : static_cast<uint16_t>(wide + 1))) {
        out += half;
        out += static_cast<char>(kVoicedMark);
        done = true;
      } else if (TakesSemiVoiced(static_cast<uint8_t>(c)) && code == wide + 2) {
        out += half;
        out += static_cast<char>(kSemiVoicedMark);
        done = true;
      }
    }
    if (!done) out.append(s, i, 2);
    i += 2;
  }
  return out;
}

}  // namespace kuzo
