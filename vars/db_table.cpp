// Data table records, typed field access, search, TSV loading and the saved table record. Sorting
// lives in db_sort.cpp.
#include "vars/db_table.h"

#include <cmath>
#include <cstring>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "vars/float80.h"
#include "vars/param.h"
#include "vars/param_convert.h"

namespace kuzo {

namespace {

constexpr int32_t kFieldSizeInt = 4;
constexpr int32_t kFieldSizeFloat = kFloat80Bytes;
constexpr int32_t kFieldSizeBool = 1;
// Records of a table without fields take no bytes, so the bytes left cannot bound their count.
constexpr uint32_t kMaxEmptyRecords = 1u << 16;
// Smallest saved field: size, empty name, kind.
constexpr size_t kMinSavedFieldBytes = 4 + 4 + 1;

// Rounds to nearest, ties to even, then wraps into 32 bits as every float-to-integer step does.
int32_t RoundToInt32(long double x) { return FloatToInt32(std::nearbyintl(x)); }

bool IsBlankOrControl(char c) { return static_cast<uint8_t>(c) <= ' '; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlankOrControl(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankOrControl(s.back())) s.remove_suffix(1);
  return s;
}

// Splits at tabs; empty columns are kept, a tab at the very end adds no column.
std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> out;
  size_t start = 0;
  while (start < line.size()) {
    size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      out.push_back(line.substr(start));
      return out;
    }
    out.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  return out;
}

// Backslash escapes of a TSV data line: \\ and \" give the second character, \n gives CR LF, any
// other backslash stays. Double-byte characters are copied whole, so a trail byte 0x5C is text.
std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (sjis::CharLength(s, i) == 2) {
      out.append(s.substr(i, 2));
      i += 2;
      continue;
    }
    if (s[i] == '\\' && i + 1 < s.size()) {
      char next = s[i + 1];
      if (next == '\\' || next == '"') {
        out.push_back(next);
        i += 2;
        continue;
      }
      if (next == 'n') {
        out.append("\r\n");
        i += 2;
        continue;
      }
    }
    out.push_back(s[i]);
    ++i;
  }
  return out;
}

uint8_t KindOfWord(std::string_view word) {
  if (word == "int") return kDBInt;
  if (word == "float") return kDBFloat;
  if (word == "bool") return kDBBool;
  return kDBStr;
}

// Size a field of `kind` takes in a record, or -1 for an unknown kind or an unusable length.
int32_t FieldSize(uint8_t kind, int32_t length) {
  switch (kind) {
    case kDBInt: return kFieldSizeInt;
    case kDBFloat: return kFieldSizeFloat;
    case kDBBool: return kFieldSizeBool;
    case kDBStr: return (length >= 0 && length <= kDBMaxStringLength) ? length + 1 : -1;
    default: return -1;
  }
}

}  // namespace

// ---- field list ----

int32_t TDBFieldList::IndexOfField(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (sjis::EqualsNoCase(fields_[i].Name, name)) return static_cast<int32_t>(i);
  }
  return -1;
}

bool TDBFieldList::SameStructure(const TDBFieldList& other) const {
  if (fields_.size() != other.fields_.size()) return false;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const TDBField& a = fields_[i];
    const TDBField& b = other.fields_[i];
    if (a.Name != b.Name || a.Kind != b.Kind || a.Size != b.Size) return false;
  }
  return true;
}

void TDBFieldList::Append(TDBField field) {
  fields_.push_back(std::move(field));
  Recompute();
}

void TDBFieldList::Clear() {
  fields_.clear();
  Recompute();
}

void TDBFieldList::Recompute() {
  offsets_.resize(fields_.size());
  int32_t offset = 0;
  for (size_t i = 0; i < fields_.size(); ++i) {
    offsets_[i] = offset;
    offset += fields_[i].Size;
  }
  recordSize_ = offset;
}

// ---- records and navigation ----

const uint8_t* TDBTable::Record(int32_t index) const {
  if (index < 0 || index >= RecordCount()) return nullptr;
  return records_[static_cast<size_t>(index)].get();
}

TDBTable::Block TDBTable::NewBlock() const {
  // One spare byte keeps a table without fields from asking for zero-sized arrays.
  return Block(new uint8_t[static_cast<size_t>(fields_.RecordSize()) + 1]());
}

int32_t TDBTable::AddField(std::string_view name, uint8_t kind, int32_t length) {
  int32_t size = FieldSize(kind, length);
  if (size < 0 || size > kDBMaxRecordBytes - fields_.RecordSize()) return -1;
  const size_t oldSize = static_cast<size_t>(fields_.RecordSize());
  fields_.Append(TDBField{size, std::string(name), kind});
  for (Block& block : records_) {
    Block wider = NewBlock();
    std::memcpy(wider.get(), block.get(), oldSize);
    block = std::move(wider);
  }
  return fields_.Count() - 1;
}

void TDBTable::AssignFields(const TDBFieldList& other) {
  ClearAll();
  for (int32_t i = 0; i < other.Count(); ++i) fields_.Append(other.At(i));
}

bool TDBTable::Append() {
  records_.push_back(NewBlock());
  current_ = RecordCount() - 1;
  return true;
}

void TDBTable::AppendCopy(const uint8_t* block) {
  Append();
  std::memcpy(records_.back().get(), block, static_cast<size_t>(fields_.RecordSize()));
}

bool TDBTable::DeleteCurrent() {
  if (current_ < 0 || current_ >= RecordCount()) return false;
  records_.erase(records_.begin() + current_);
  if (current_ >= RecordCount()) current_ = RecordCount() - 1;
  return true;
}

bool TDBTable::First() {
  if (records_.empty()) return false;
  current_ = 0;
  return true;
}

bool TDBTable::Last() {
  if (records_.empty()) return false;
  current_ = RecordCount() - 1;
  return true;
}

bool TDBTable::Next() {
  if (current_ < 0 || current_ >= RecordCount() - 1) return false;
  ++current_;
  return true;
}

bool TDBTable::Prior() {
  if (current_ < 1) return false;
  --current_;
  return true;
}

bool TDBTable::SetCurrent(int32_t index) {
  if (index < 0) {
    current_ = -1;
    return true;
  }
  if (index >= RecordCount()) return false;
  current_ = index;
  return true;
}

void TDBTable::ClearAll() {
  records_.clear();
  fields_.Clear();
  current_ = -1;
}

void TDBTable::ClearRecords() {
  records_.clear();
  current_ = -1;
}

// ---- typed access ----

uint8_t* TDBTable::FieldBytes(int32_t rec, int32_t field) const {
  if (rec < 0 || rec >= RecordCount() || field < 0 || field >= fields_.Count()) return nullptr;
  return records_[static_cast<size_t>(rec)].get() + fields_.Offset(field);
}

namespace {

int32_t LoadI32(const uint8_t* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  return static_cast<int32_t>(v);
}

void StoreI32(uint8_t* p, int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Text of a string field: the bytes before the terminator, at most the field's size.
std::string_view LoadText(const uint8_t* p, int32_t size) {
  const void* zero = std::memchr(p, 0, static_cast<size_t>(size));
  size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : static_cast<size_t>(size);
  return {reinterpret_cast<const char*>(p), n};
}

// Stores text cut to the declared length (size - 1 bytes) and zero-terminated.
void StoreText(uint8_t* p, int32_t size, std::string_view text) {
  size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  std::memcpy(p, text.data(), n);
  std::memset(p + n, 0, static_cast<size_t>(size) - n);
}

}  // namespace

bool TDBTable::GetInt(int32_t rec, int32_t field, int32_t& out) const {
  const uint8_t* p = FieldBytes(rec, field);
  if (!p) return false;
  const TDBField& f = fields_.At(field);
  switch (f.Kind) {
    case kDBInt: out = LoadI32(p); break;
    case kDBFloat: out = RoundToInt32(DecodeFloat80(p)); break;
    case kDBBool: out = p[0] != 0 ? 1 : 0; break;
    default: out = TextToInteger(LoadText(p, f.Size)); break;
  }
  return true;
}

bool TDBTable::GetFloat(int32_t rec, int32_t field, long double& out) const {
  const uint8_t* p = FieldBytes(rec, field);
  if (!p) return false;
  const TDBField& f = fields_.At(field);
  switch (f.Kind) {
    case kDBInt: out = LoadI32(p); break;
    case kDBFloat: out = DecodeFloat80(p); break;
    case kDBBool: out = p[0] != 0 ? 1 : 0; break;
    default: out = TextToFloat(LoadText(p, f.Size)); break;
  }
  return true;
}

bool TDBTable::GetBool(int32_t rec, int32_t field, bool& out) const {
  const uint8_t* p = FieldBytes(rec, field);
  if (!p) return false;
  const TDBField& f = fields_.At(field);
  switch (f.Kind) {
    case kDBInt: out = LoadI32(p) != 0; break;
    case kDBFloat: out = DecodeFloat80(p) != 0; break;
    case kDBBool: out = p[0] != 0; break;
    default: out = TextToFlag(LoadText(p, f.Size)); break;
  }
  return true;
}

bool TDBTable::GetStr(int32_t rec, int32_t field, std::string& out) const {
  const uint8_t* p = FieldBytes(rec, field);
  if (!p) return false;
  const TDBField& f = fields_.At(field);
  switch (f.Kind) {
    case kDBInt: out = IntegerToText(LoadI32(p)); break;
    case kDBFloat: out = FloatToText(DecodeFloat80(p)); break;
    case kDBBool: out = FlagToText(p[0] != 0); break;
    default: out = std::string(LoadText(p, f.Size)); break;
  }
  return true;
}

bool TDBTable::SetInt(int32_t rec, int32_t field, int32_t v) {
  uint8_t* p = FieldBytes(rec, field);
  if (!p) return false;
  const TDBField& f = fields_.At(field);
  switch (f.Kind) {
    case kDBInt: StoreI32(p, v); break;
    case kDBFloat: EncodeFloat80(v, p); break;
    case kDBBool: p[0] = v != 0 ? 1 : 0; break;
    default: StoreText(p, f.Size, IntegerToText(v)); break;
  }
  return true;
}

bool TDBTable::SetFloat(int32_t rec, int32_t field, long double v) {
  uint8_t* p = FieldBytes(rec, field);
  if (!p) return false;
  const TDBField& f = fields_.At(field);
  switch (f.Kind) {
    case kDBInt: StoreI32(p, RoundToInt32(v)); break;
    case kDBFloat: EncodeFloat80(v, p); break;
    case kDBBool: p[0] = v != 0 ? 1 : 0; break;
    default: StoreText(p, f.Size, FloatToText(v)); break;
  }
  return true;
}

bool TDBTable::SetBool(int32_t rec, int32_t field, bool v) {
  uint8_t* p = FieldBytes(rec, field);
  if (!p) return false;
  const TDBField& f = fields_.At(field);
  switch (f.Kind) {
    case kDBInt: StoreI32(p, v ? 1 : 0); break;
    case kDBFloat: EncodeFloat80(v ? 1 : 0, p); break;
    case kDBBool: p[0] = v ? 1 : 0; break;
    default: StoreText(p, f.Size, FlagToText(v)); break;
  }
  return true;
}

bool TDBTable::SetStr(int32_t rec, int32_t field, std::string_view v) {
  uint8_t* p = FieldBytes(rec, field);
  if (!p) return false;
  const TDBField& f = fields_.At(field);
  switch (f.Kind) {
    case kDBInt: StoreI32(p, TextToInteger(v)); break;
    case kDBFloat: EncodeFloat80(TextToFloat(v), p); break;
    case kDBBool: p[0] = TextToFlag(v) ? 1 : 0; break;
    default: StoreText(p, f.Size, v); break;
  }
  return true;
}

// ---- search ----

namespace {

// Whether `needle` occurs in `haystack`; an empty needle never does.
bool Occurs(std::string_view needle, std::string_view haystack) {
  return !needle.empty() && haystack.find(needle) != std::string_view::npos;
}

}  // namespace

TDBMatches TDBTable::Search(const TCustomParam* names, const TCustomParam* values, bool ignoreCase,
                            bool partial) const {
  TDBMatches matches;
  int32_t n = (names && values) ? std::min(names->Count(), values->Count()) : 0;
  if (n < 0) n = 0;
  std::vector<int32_t> columns(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    int32_t column = fields_.IndexOfField(names->StringAt(i));
    if (column < 0) return matches;  // a missing field ends the search with no matches
    columns[static_cast<size_t>(i)] = column;
  }
  const uint8_t type = n > 0 ? values->TypeCode() : kTypeNone;
  // The criteria's values converted once, not once per record.
  std::vector<int32_t> ints;
  std::vector<long double> floats;
  std::vector<std::string> texts;
  for (int32_t i = 0; i < n; ++i) {
    switch (type) {
      case kTypeInt: ints.push_back(values->IntegerAt(i)); break;
      case kTypeFloat: floats.push_back(values->FloatAt(i)); break;
      case kTypeFlag: ints.push_back(values->BooleanAt(i) ? 1 : 0); break;
      case kTypeStr: {
        std::string t = values->StringAt(i);
        texts.push_back(partial && ignoreCase ? sjis::ToUpper(t) : std::move(t));
        break;
      }
      default: break;
    }
  }
  for (int32_t rec = 0; rec < RecordCount(); ++rec) {
    bool all = true;
    for (int32_t i = 0; i < n && all; ++i) {
      const int32_t column = columns[static_cast<size_t>(i)];
      switch (type) {
        case kTypeInt: {
          int32_t v = 0;
          GetInt(rec, column, v);
          all = v == ints[static_cast<size_t>(i)];
          break;
        }
        case kTypeFloat: {
          long double v = 0;
          GetFloat(rec, column, v);
          all = v == floats[static_cast<size_t>(i)];
          break;
        }
        case kTypeFlag: {
          bool v = false;
          GetBool(rec, column, v);
          all = (v ? 1 : 0) == ints[static_cast<size_t>(i)];
          break;
        }
        case kTypeStr: {
          std::string v;
          GetStr(rec, column, v);
          const std::string& want = texts[static_cast<size_t>(i)];
          // In the partial forms the field's text is looked for inside the given value.
          if (partial && ignoreCase) all = Occurs(sjis::ToUpper(v), want);
          else if (partial) all = Occurs(v, want);
          else if (ignoreCase) all = sjis::EqualsNoCase(v, want);
          else all = v == want;
          break;
        }
        default: break;  // values of another type impose no condition
      }
    }
    if (all) matches.push_back(rec);
  }
  return matches;
}

// ---- TSV ----

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

bool TDBTable::LoadFromLines(const std::vector<std::string>& lines) {
  ClearAll();
  if (lines.empty()) return false;
  for (std::string_view spec : SplitTabs(lines[0])) {
    size_t blank = spec.find(' ');
    std::string_view name = Trim(spec.substr(0, blank));
    if (name.empty()) {
      fields_.Clear();
      return false;
    }
    std::string_view rest = blank == std::string_view::npos ? std::string_view() : spec.substr(blank + 1);
    // The kind word: the next blank-separated word (leading blanks skipped).
    size_t wordStart = 0;
    while (wordStart < rest.size() && rest[wordStart] == ' ') ++wordStart;
    size_t wordEnd = rest.find(' ', wordStart);
    std::string_view word = Trim(rest.substr(wordStart, wordEnd == std::string_view::npos ? std::string_view::npos
                                                                                          : wordEnd - wordStart));
    std::string_view lengthText =
        wordEnd == std::string_view::npos ? std::string_view() : Trim(rest.substr(wordEnd + 1));
    int32_t length = kDBDefaultTsvLength;
    if (!ParseInteger(lengthText, length)) length = kDBDefaultTsvLength;
    AddField(name, KindOfWord(word), length);
  }
  for (size_t li = 1; li < lines.size(); ++li) {
    if (lines[li].empty()) continue;
    std::string line = Unescape(lines[li]);
    std::vector<std::string_view> columns = SplitTabs(line);
    Append();
    const int32_t n = std::min(static_cast<int32_t>(columns.size()), fields_.Count());
    for (int32_t j = 0; j < n; ++j) SetStr(current_, j, columns[static_cast<size_t>(j)]);
  }
  return true;
}

// ---- saved record ----

void TDBTable::SaveToStream(ByteWriter& w) const {
  w.String(name_);
  w.U8(status_ ? 1 : 0);
  w.U32(static_cast<uint32_t>(fields_.Count()));
  for (int32_t i = 0; i < fields_.Count(); ++i) {
    const TDBField& f = fields_.At(i);
    w.I32(f.Size);
    w.String(f.Name);
    w.U8(f.Kind);
  }
  w.U32(static_cast<uint32_t>(records_.size()));
  const size_t size = static_cast<size_t>(fields_.RecordSize());
  for (const Block& block : records_) w.Bytes(block.get(), size);
  w.I32(current_);
}

void TDBTable::LoadFromStream(ByteReader& r) {
  ClearAll();
  name_ = r.String("table name");
  status_ = r.U8("table status") != 0;
  const uint32_t fieldCount = r.Count(kMinSavedFieldBytes, "field count");
  for (uint32_t i = 0; i < fieldCount; ++i) {
    const size_t at = r.Position();
    const int32_t size = r.I32("field size");
    std::string name = r.String("field name");
    const uint8_t kind = r.U8("field kind");
    // The size must be the one the kind implies, so reads within a record never leave the block.
    const bool valid = kind == kDBStr ? (size >= 1 && size <= kDBMaxStringLength + 1)
                                      : (kind >= kDBInt && kind <= kDBBool && FieldSize(kind, 0) == size);
    if (!valid || size > kDBMaxRecordBytes - fields_.RecordSize()) {
      throw FormatError(Format("%s: field %u at offset 0x%zx: kind %u with size %d is not a valid field",
                               r.Source().c_str(), i, at, kind, size));
    }
    fields_.Append(TDBField{size, std::move(name), kind});
  }
  const size_t recordSize = static_cast<size_t>(fields_.RecordSize());
  const uint32_t recordCount = r.Count(recordSize, "record count");
  if (recordSize == 0 && recordCount > kMaxEmptyRecords) r.Fail("record count", "too many records without fields");
  records_.reserve(recordCount);
  for (uint32_t i = 0; i < recordCount; ++i) {
    Block block = NewBlock();
    r.Read(block.get(), recordSize, "record");
    records_.push_back(std::move(block));
  }
  const int32_t current = r.I32("current record");
  current_ = (current >= 0 && current < RecordCount()) ? current : -1;
}

}  // namespace kuzo
