// The data table manager: table lifetime, the active table, copies between tables and the saved
// parts.
#include "vars/db_manager.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"

namespace kuzo {

namespace {
// Smallest saved table: class byte, empty name, status, field count, record count, current index.
constexpr size_t kMinSavedTableBytes = 1 + 4 + 1 + 4 + 4 + 4;
}  // namespace

int32_t TDBManager::CreateTable(std::string_view name, bool status) {
  if (name.empty() || IndexOfTable(name) >= 0) return -1;
  tables_.push_back(std::make_unique<TDBTable>(std::string(name), status));
  active_ = TableCount() - 1;
  return active_;
}

TDBTable* TDBManager::TableAt(int32_t index) const {
  if (index < 0 || index >= TableCount()) return nullptr;
  return tables_[static_cast<size_t>(index)].get();
}

int32_t TDBManager::IndexOfTable(std::string_view name) const {
  for (size_t i = 0; i < tables_.size(); ++i) {
    if (sjis::EqualsNoCase(tables_[i]->Name(), name)) return static_cast<int32_t>(i);
  }
  return -1;
}

bool TDBManager::SetActive(std::string_view name) {
  int32_t index = IndexOfTable(name);
  if (index < 0) return false;
  active_ = index;
  return true;
}

bool TDBManager::DeleteTable(std::string_view name) {
  const std::string activeName = ActiveTable() ? ActiveTable()->Name() : std::string();
  int32_t index = IndexOfTable(name);
  if (index < 0) return false;
  tables_.erase(tables_.begin() + index);
  active_ = activeName.empty() ? -1 : IndexOfTable(activeName);
  return true;
}

void TDBManager::ResetTables() {
  active_ = -1;
  std::erase_if(tables_, [](const std::unique_ptr<TDBTable>& t) { return !t->Status(); });
}

void TDBManager::Clear() {
  tables_.clear();
  active_ = -1;
}

void TDBManager::SaveTables(ByteWriter& w, bool status) const {
  w.U32(kDBSaveVersion);
  const auto count = std::count_if(tables_.begin(), tables_.end(),
                                   [&](const std::unique_ptr<TDBTable>& t) { return t->Status() == status; });
  w.U32(static_cast<uint32_t>(count));
  for (const auto& table : tables_) {
    if (table->Status() != status) continue;
    w.U8(kDBTableClass);
    table->SaveToStream(w);
  }
  if (!status) w.String(ActiveTable() ? ActiveTable()->Name() : std::string());
}

void TDBManager::LoadTables(ByteReader& r, bool status) {
  r.U32("table version");  // one version so far; the table readers do not branch on it
  const uint32_t count = r.Count(kMinSavedTableBytes, "table count");
  std::vector<std::unique_ptr<TDBTable>> loaded;
  loaded.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = r.Position();
    const uint8_t cls = r.U8("table class");
    if (cls != kDBTableClass) {
      throw FormatError(Format("%s: table %u at offset 0x%zx: unknown table class %u", r.Source().c_str(), i, at, cls));
    }
    auto table = std::make_unique<TDBTable>(std::string(), status);
    table->LoadFromStream(r);
    loaded.push_back(std::move(table));
  }
  std::string activeName;
  if (!status) activeName = r.String("active table");
  // Everything read: replace the tables of this kind, keep the others.
  std::erase_if(tables_, [&](const std::unique_ptr<TDBTable>& t) { return t->Status() == status; });
  for (auto& table : loaded) tables_.push_back(std::move(table));
  active_ = status ? TableCount() - 1 : (activeName.empty() ? -1 : IndexOfTable(activeName));
  if (status && count == 0) active_ = -1;
}

bool TDBManager::CopyMatchesTo(std::string_view name, const TDBMatches& matches) {
  TDBTable* source = ActiveTable();
  TDBTable* target = FindTable(name);
  if (!source || !target || target == source) return false;
  target->AssignFields(source->Fields());
  for (int32_t rec : matches) {
    if (const uint8_t* block = source->Record(rec)) target->AppendCopy(block);
  }
  if (target->RecordCount() == 0) target->SetCurrent(-1);
  return true;
}

bool TDBManager::InsertMatchesFrom(std::string_view name, const TDBMatches& matches) {
  TDBTable* target = ActiveTable();
  TDBTable* source = FindTable(name);
  if (!target || !source || !target->Fields().SameStructure(source->Fields())) return false;
  for (int32_t rec : matches) {
    // The source may be the target itself; the indices were taken before any append, and the
    // appended records lie after every one of them.
    if (const uint8_t* block = source->Record(rec)) target->AppendCopy(block);
  }
  return true;
}

bool TDBManager::DirectFind(std::string_view tableName, const TCustomParam* names, const TCustomParam* values,
                            bool ignoreCase, bool partial, std::string_view fieldName, TDBDirectHit& hit) const {
  TDBTable* table = FindTable(tableName);
  if (!table) return false;
  TDBMatches matches = table->Search(names, values, ignoreCase, partial);
  if (matches.empty()) return false;
  int32_t field = table->Fields().IndexOfField(fieldName);
  if (field < 0) return false;
  hit = {table, matches.front(), field};
  return true;
}

}  // namespace kuzo
