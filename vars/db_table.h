// Data tables scripts keep in memory: typed field definitions, fixed-size record blocks addressed
// through an array of pointers (append, delete and sort move pointers, never records), a current
// record, typed access with conversions between every field kind and every value type, search by
// criteria, sorting by keys, TSV loading and the saved table record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kuzo {

class ByteReader;
class ByteWriter;
class TCustomParam;
class TDBTable;

// Field kinds share the value type codes (1 integer, 2 float, 3 boolean, 4 string).
constexpr uint8_t kDBInt = 1;
constexpr uint8_t kDBFloat = 2;
constexpr uint8_t kDBBool = 3;
constexpr uint8_t kDBStr = 4;
// Longest declared string field; a record larger than kDBMaxRecordBytes is refused.
constexpr int32_t kDBMaxStringLength = 1 << 20;
constexpr int32_t kDBMaxRecordBytes = 1 << 22;
// Declared length of a TSV string column whose length is missing or not a number.
constexpr int32_t kDBDefaultTsvLength = 80;

struct TDBField {
  int32_t Size = 0;  // bytes in every record
  std::string Name;
  uint8_t Kind = 0;
};

// The table's columns in order, with the record size (sum of all field sizes) and each offset.
class TDBFieldList {
 public:
  int32_t Count() const { return static_cast<int32_t>(fields_.size()); }
  const TDBField& At(int32_t i) const { return fields_[static_cast<size_t>(i)]; }
  int32_t RecordSize() const { return recordSize_; }
  int32_t Offset(int32_t i) const { return offsets_[static_cast<size_t>(i)]; }
  // First field of that name, compared without regard to case; -1 when none.
  int32_t IndexOfField(std::string_view name) const;
  // Same count and, position by position, the same name (case-sensitive), kind and size.
  bool SameStructure(const TDBFieldList& other) const;

 private:
  friend class TDBTable;
  void Append(TDBField field);
  void Clear();
  void Recompute();

  std::vector<TDBField> fields_;
  std::vector<int32_t> offsets_;
  int32_t recordSize_ = 0;
};

// Index list of records that matched a search, ascending.
using TDBMatches = std::vector<int32_t>;

// One sort key: a field and its direction.
struct TDBSortKey {
  int32_t Field;
  bool Descending;
};

class TDBTable {
 public:
  TDBTable(std::string name, bool status) : name_(std::move(name)), status_(status) {}
  TDBTable(const TDBTable&) = delete;
  TDBTable& operator=(const TDBTable&) = delete;

  const std::string& Name() const { return name_; }
  bool Status() const { return status_; }
  const TDBFieldList& Fields() const { return fields_; }
  int32_t RecordCount() const { return static_cast<int32_t>(records_.size()); }
  int32_t CurrentIndex() const { return current_; }
  // The record block at `index` (RecordSize bytes), null when out of range.
  const uint8_t* Record(int32_t index) const;

  // Adds a field (kind 1..4; a string field holds `length` bytes), widening every record with zero
  // bytes. Answers the field's index, or -1 for an unknown kind or a size beyond the limits.
  int32_t AddField(std::string_view name, uint8_t kind, int32_t length);
  // Clears this table's fields and records and copies the other list's definitions.
  void AssignFields(const TDBFieldList& other);

  bool Append();
  bool DeleteCurrent();
  bool First();
  bool Last();
  bool Next();
  bool Prior();
  bool SetCurrent(int32_t index);
  void ClearAll();
  void ClearRecords();
  // Appends a copy of `block` (RecordSize bytes) that becomes current.
  void AppendCopy(const uint8_t* block);

  // Access by (record, field). Getters answer whether both exist (the out value is left alone
  // otherwise); setters change nothing and answer false when either is missing.
  bool GetInt(int32_t rec, int32_t field, int32_t& out) const;
  bool GetFloat(int32_t rec, int32_t field, long double& out) const;
  bool GetBool(int32_t rec, int32_t field, bool& out) const;
  bool GetStr(int32_t rec, int32_t field, std::string& out) const;
  bool SetInt(int32_t rec, int32_t field, int32_t v);
  bool SetFloat(int32_t rec, int32_t field, long double v);
  bool SetBool(int32_t rec, int32_t field, bool v);
  bool SetStr(int32_t rec, int32_t field, std::string_view v);

  // Records matching every criterion, in index order. `names` and `values` may be null (no
  // criteria). A criterion naming a missing field gives no matches at all.
  TDBMatches Search(const TCustomParam* names, const TCustomParam* values, bool ignoreCase,
                    bool partial) const;
  // Replaces fields and records with the TSV lines (header line, then one record per line).
  bool LoadFromLines(const std::vector<std::string>& lines);
  // Sorts by the named fields (unknown names skipped); NaN float keys order after every number.
  void Sort(const TCustomParam* names, const TCustomParam* descending);
  void SortByKeys(const std::vector<TDBSortKey>& keys);

  // The saved table record: name, status flag, fields, records, current index.
  void SaveToStream(ByteWriter& w) const;
  void LoadFromStream(ByteReader& r);

 private:
  using Block = std::unique_ptr<uint8_t[]>;
  uint8_t* FieldBytes(int32_t rec, int32_t field) const;
  Block NewBlock() const;

  std::string name_;
  bool status_ = false;
  TDBFieldList fields_;
  std::vector<Block> records_;
  int32_t current_ = -1;
};

// Splits a text file into lines at CR, LF or CR LF; a final line without a break counts.
std::vector<std::string> SplitTextLines(std::string_view text);

}  // namespace kuzo
