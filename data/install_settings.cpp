// Reading "install.dat" of every version field by field, and writing its newest form.
#include "data/install_settings.h"

#include "core/byte_reader.h"
#include "core/errors.h"

namespace kuzo {
namespace {

constexpr size_t kSignatureDigits = 3;
constexpr int kWideValuesAfter = 99;  // 8-byte row values from version 100

std::vector<std::string> ReadList(ByteReader& r, const char* field, bool dropEmpty) {
  const uint32_t count = r.Count(4, field);
  std::vector<std::string> out;
  out.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::string s = r.String(field);
    if (dropEmpty && s.empty()) continue;
    out.push_back(std::move(s));
  }
  return out;
}

void WriteList(ByteWriter& w, const std::vector<std::string>& list) {
  w.U32(static_cast<uint32_t>(list.size()));
  for (const auto& s : list) w.String(s);
}

int64_t ReadValue(ByteReader& r, bool wide) {
  return wide ? r.I64("row value") : static_cast<int64_t>(r.I32("row value"));
}

}  // namespace

TKuzoInstallSet TKuzoInstallSet::Read(std::string_view bytes, const std::string& source) {
  ByteReader r(bytes, source);
  TKuzoInstallSet s;
  s.version = 0;
  if (bytes.size() >= kInstallSignature.size() && bytes.substr(0, kInstallSignature.size()) == kInstallSignature) {
    r.Skip(kInstallSignature.size(), "signature");
    const std::string digits = r.Bytes(kSignatureDigits, "signature version");
    int version = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') r.Fail("signature version", "\"" + digits + "\" is not three digits");
      version = version * 10 + (c - '0');
    }
    s.version = version;
  }
  const int v = s.version;
  s.diskIndex = r.U32("disk index");
  s.title = r.String("title");
  s.text4 = r.String("field 4");
  s.text5 = r.String("field 5");
  s.text6 = r.String("field 6");
  s.byte7 = r.U8("field 7");
  s.text8 = r.String("field 8");
  s.byte9 = r.U8("field 9");
  const bool wide = v > kWideValuesAfter;
  const uint32_t rowCount = r.Count(wide ? 32 : 16, "row count");
  s.text11 = r.String("field 11");
  s.value12 = r.U32("field 12");
  s.byte13 = r.U8("field 13");
  s.byte14 = r.U8("field 14");
  s.text15 = r.String("field 15");
  s.text16 = r.String("field 16");
  s.rows.resize(rowCount);
  for (auto& row : s.rows) {
    for (auto& value : row) value = ReadValue(r, wide);
  }
  for (auto& value : s.values18) value = ReadValue(r, wide);
  s.byte19 = r.U8("field 19");
  if (v > 100) s.byte20 = r.U8("field 20");
  if (v > 101) s.list21 = ReadList(r, "field 21", true);
  if (v > 102) s.dataInstalled = r.U8("data-installed flag") != 0;
  if (v > 103) s.byte23 = r.U8("field 23");
  if (v > 104) s.byte24 = r.U8("field 24");
  if (v > 105) s.list25 = ReadList(r, "field 25", false);
  if (v > 106) s.text26 = r.String("field 26");
  return s;
}

std::string TKuzoInstallSet::Write() const {
  ByteWriter w;
  w.Bytes(kInstallSignature);
  w.Bytes(Format("%03d", kInstallVersion));
  w.U32(diskIndex);
  w.String(title);
  w.String(text4);
  w.String(text5);
  w.String(text6);
  w.U8(byte7);
  w.String(text8);
  w.U8(byte9);
  w.U32(static_cast<uint32_t>(rows.size()));
  w.String(text11);
  w.U32(value12);
  w.U8(byte13);
  w.U8(byte14);
  w.String(text15);
  w.String(text16);
  for (const auto& row : rows) {
    for (int64_t value : row) w.I64(value);
  }
  for (int64_t value : values18) w.I64(value);
  w.U8(byte19);
  w.U8(byte20);
  WriteList(w, list21);
  w.U8(dataInstalled ? 1 : 0);
  w.U8(byte23);
  w.U8(byte24);
  WriteList(w, list25);
  w.String(text26);
  return w.Take();
}

}  // namespace kuzo
