// The one manager of data tables: tables in creation order, the active table, cross-table copies,
// direct lookups, and the game and status parts of the save data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vars/db_table.h"

namespace kuzo {

// Version written at the head of both saved parts.
constexpr uint32_t kDBSaveVersion = 100;
// The only table class; its number is written before each saved table.
constexpr uint8_t kDBTableClass = 0;

// Where a direct lookup landed.
struct TDBDirectHit {
  TDBTable* table = nullptr;
  int32_t record = -1;
  int32_t field = -1;
};

class TDBManager {
 public:
  // Index of the new table (which becomes active), or -1 for an empty or existing name.
  int32_t CreateTable(std::string_view name, bool status);
  int32_t TableCount() const { return static_cast<int32_t>(tables_.size()); }
  TDBTable* TableAt(int32_t index) const;
  // Case-insensitive; -1 when none.
  int32_t IndexOfTable(std::string_view name) const;
  TDBTable* FindTable(std::string_view name) const { return TableAt(IndexOfTable(name)); }
  TDBTable* ActiveTable() const { return TableAt(active_); }
  int32_t ActiveIndex() const { return active_; }
  bool SetActive(std::string_view name);
  bool DeleteTable(std::string_view name);
  // Removes every table whose status flag is clear; no table stays active.
  void ResetTables();
  void Clear();

  // The tables whose status flag equals `status`; the game part (status false) also names the
  // active table.
  void SaveTables(ByteWriter& w, bool status) const;
  // Replaces the tables whose status flag equals `status` with the saved ones. The whole part is
  // read before anything changes, so a bad part raises FormatError and leaves the manager as it was.
  void LoadTables(ByteReader& r, bool status);

  // Replaces the fields and records of table `name` with copies of the active table's matching
  // records. False without an active table, without that table, or when it is the active one.
  bool CopyMatchesTo(std::string_view name, const TDBMatches& matches);
  // Appends copies of table `name`'s matching records to the active table (same structure needed).
  bool InsertMatchesFrom(std::string_view name, const TDBMatches& matches);
  // The first record of table `tableName` matching the criteria, and its field `fieldName`.
  bool DirectFind(std::string_view tableName, const TCustomParam* names, const TCustomParam* values,
                  bool ignoreCase, bool partial, std::string_view fieldName, TDBDirectHit& hit) const;

 private:
  std::vector<std::unique_ptr<TDBTable>> tables_;
  int32_t active_ = -1;
};

}  // namespace kuzo
