// Code page 932 <-> UTF-8 through iconv's "CP932" table, which already maps the pairs Windows maps
// differently from plain Shift-JIS (0x8160 to U+FF5E, 0x815F to U+FF3C, 0x817C to U+FF0D). The
// single bytes Windows also accepts (0x80, 0xA0, 0xFD-0xFF) are mapped here by a small table.
#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

#include "core/sjis.h"

namespace kuzo::platform {
namespace {

struct SingleByteFixup {
  uint8_t byte;
  char32_t code;
};
// Single bytes Windows decodes that iconv's table rejects.
constexpr SingleByteFixup kSingleByteFixups[] = {
    {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3},
};

const SingleByteFixup* FixupForByte(uint8_t b) {
  for (const auto& f : kSingleByteFixups) {
    if (f.byte == b) return &f;
  }
  return nullptr;
}

const SingleByteFixup* FixupForCode(char32_t c) {
  for (const auto& f : kSingleByteFixups) {
    if (f.code == c) return &f;
  }
  return nullptr;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes the UTF-8 character at `pos` (3 bytes at most is enough for the fix-up table); returns its
// code and length, or length 0 when the bytes do not form one.
std::pair<char32_t, size_t> DecodeUtf8(std::string_view s, size_t pos) {
  const auto b0 = static_cast<uint8_t>(s[pos]);
  if (b0 < 0x80) return {b0, 1};
  size_t len = (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
  if (len == 0 || pos + len > s.size()) return {0, 0};
  char32_t c = b0 & (0x7F >> len);
  for (size_t i = 1; i < len; ++i) {
    const auto b = static_cast<uint8_t>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (b & 0x3F);
  }
  return {c, len};
}

// One iconv descriptor per thread and direction: descriptors carry state and are not thread-safe.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  // Converts the whole run; false at the first byte it cannot convert (`consumed` tells where).
  bool Run(std::string_view in, std::string& out, size_t& consumed) {
    consumed = 0;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buffer[1024];
    while (inLeft > 0) {
      char* outPtr = buffer;
      size_t outLeft = sizeof(buffer);
      const size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      consumed = in.size() - inLeft;
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

Converter& ToUtf8() {
  thread_local Converter converter("UTF-8", "CP932");
  return converter;
}

Converter& FromUtf8() {
  thread_local Converter converter("CP932", "UTF-8");
  return converter;
}

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

std::optional<std::string> Decode(std::string_view sjis, bool lossy) {
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  size_t runStart = 0;
  size_t pos = 0;
  auto flush = [&](size_t end) -> bool {
    std::string_view run = sjis.substr(runStart, end - runStart);
    while (!run.empty()) {
      size_t consumed = 0;
      if (ToUtf8().Run(run, out, consumed)) break;
      if (!lossy) return false;
      out.append(kReplacementUtf8);
      const size_t skip = sjis::CharLength(run, consumed);
      run.remove_prefix(consumed + skip);
    }
    return true;
  };
  while (pos < sjis.size()) {
    const size_t len = sjis::CharLength(sjis, pos);
    const SingleByteFixup* fix = len == 1 ? FixupForByte(static_cast<uint8_t>(sjis[pos])) : nullptr;
    if (fix != nullptr) {
      if (!flush(pos)) return std::nullopt;
      AppendUtf8(out, fix->code);
      runStart = pos + 1;
    }
    pos += len;
  }
  if (!flush(sjis.size())) return std::nullopt;
  return out;
}

std::optional<std::string> Encode(std::string_view utf8, bool lossy) {
  std::string out;
  out.reserve(utf8.size());
  size_t runStart = 0;
  size_t pos = 0;
  auto flush = [&](size_t end) -> bool {
    std::string_view run = utf8.substr(runStart, end - runStart);
    while (!run.empty()) {
      size_t consumed = 0;
      if (FromUtf8().Run(run, out, consumed)) break;
      if (!lossy) return false;
      out.push_back('?');
      const auto [code, len] = DecodeUtf8(run, consumed);
      run.remove_prefix(consumed + (len == 0 ? 1 : len));
    }
    return true;
  };
  while (pos < utf8.size()) {
    const auto [code, len] = DecodeUtf8(utf8, pos);
    if (len == 0) {
      ++pos;
      continue;  // left to iconv, which rejects it
    }
    if (const SingleByteFixup* fix = code >= 0x80 ? FixupForCode(code) : nullptr) {
      if (!flush(pos)) return std::nullopt;
      out.push_back(static_cast<char>(fix->byte));
      runStart = pos + len;
    }
    pos += len;
  }
  if (!flush(utf8.size())) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8Strict(std::string_view sjis) { return Decode(sjis, false); }
std::string Cp932ToUtf8(std::string_view sjis) { return *Decode(sjis, true); }
std::optional<std::string> Utf8ToCp932Strict(std::string_view utf8) { return Encode(utf8, false); }
std::string Utf8ToCp932(std::string_view utf8) { return *Encode(utf8, true); }

namespace {

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const uint8_t b = static_cast<uint8_t>(s[i]);
    size_t n = 0;
    uint32_t cp = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      n = 1, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      n = 2, cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      n = 3, cp = b & 0x07;
    } else {
      return false;
    }
    if (i + n >= s.size()) return false;  // cut short
    for (size_t k = 1; k <= n; ++k) {
      const uint8_t c = static_cast<uint8_t>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += n + 1;
  }
  return true;
}

}  // namespace

std::string TerminalText(std::string_view text) {
  return IsValidUtf8(text) ? std::string(text) : Cp932ToUtf8(text);
}

}  // namespace kuzo::platform
