// Variable table: lookup by scope, declaration, deletion by frame level, clearing and the saved
// forms of game and status variables.
#include "vars/param_collection.h"

#include <atomic>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "vars/param_system.h"

namespace kuzo {

namespace {
constexpr const char* kBadNameMessage = "\"%s\"：変数名が不正です";
constexpr const char* kBadVariableMessage = "%s:不正な変数です";
// Smallest variable record: type, empty name, empty dimension list, isStatus, reserved,
// ownerLevel, isLocal.
constexpr size_t kMinRecordBytes = 1 + 4 + 4 + 1 + 1 + 4 + 1;

bool IsGameVariable(const TParamCollectionItem& item) { return !item.IsSystem() && !item.IsStatus(); }
}  // namespace

// ---- TParamCollectionItem ----

void TParamCollectionItem::SetParam(std::unique_ptr<TCustomParam> param) {
  param_ = std::move(param);
  table_->Touch();
}

void TParamCollectionItem::SetName(std::string name) {
  bool bad = name.empty() || name.find(' ') != std::string::npos || (name[0] >= '0' && name[0] <= '9');
  if (bad) throw KuzoError(Format(kBadNameMessage, name.c_str()));
  THashCollectionItem::SetName(std::move(name));
  table_->Touch();
}

void TParamCollectionItem::SetOwnerLevel(int32_t level) {
  ownerLevel_ = level;
  table_->Touch();
}

void TParamCollectionItem::SetLocal(bool b) {
  isLocal_ = b;
  table_->Touch();
}

void TParamCollectionItem::SaveRecord(ByteWriter& w) const {
  // A reference is recorded as such (type 0): its own type code is its target's, and a typed
  // record could not hold its stream form.
  uint8_t type = kTypeNone;
  if (param_ && param_->Class() != ParamClass::Var) type = param_->TypeCode();
  w.U8(type);
  w.String(Name());
  if (param_) {
    param_->SaveToStream(w);
  } else {
    w.U32(0);
  }
  w.U8(isStatus_ ? 1 : 0);
  w.U8(reserved_);
  w.I32(ownerLevel_);
  w.U8(isLocal_ ? 1 : 0);
}

// ---- TParamCollection ----

uint64_t TParamCollection::NextGeneration() {
  static std::atomic<uint64_t> counter{0};
  return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

TParamCollection::TParamCollection() {
  for (int kind = 0; kind < kSystemVariableCount; ++kind) {
    TParamCollectionItem& item = AddVariable(kTypeNone);
    item.param_ = std::make_unique<TParamSystem>(*this, static_cast<uint8_t>(kind));
    item.SetName(std::string(SystemVariableName(kind)));
  }
}

TParamCollection::~TParamCollection() = default;

void TParamCollection::SetHost(SystemVariableHost* host) {
  host_ = host ? host : &defaultHost_;
  Touch();
}

void TParamCollection::SetFrameLevel(int32_t level) {
  frameLevel_ = level;
  Touch();
}

TParamCollectionItem* TParamCollection::Find(std::string_view name) const {
  TParamCollectionItem* global = nullptr;
  for (THashCollectionItem* it = ChainHead(name); it; it = it->NextInBucket()) {
    if (!sjis::EqualsNoCase(it->Name(), name)) continue;
    auto* item = static_cast<TParamCollectionItem*>(it);
    if (item->isLocal_) {
      if (item->ownerLevel_ == frameLevel_) return item;
      continue;  // locals of other depths are invisible
    }
    global = item;  // keep walking: among globals the one named earliest wins
  }
  return global;
}

TParamCollectionItem* TParamCollection::FindInScope(std::string_view name, bool localOnly) const {
  for (THashCollectionItem* it = ChainHead(name); it; it = it->NextInBucket()) {
    if (!sjis::EqualsNoCase(it->Name(), name)) continue;
    auto* item = static_cast<TParamCollectionItem*>(it);
    if (localOnly) {
      if (item->isLocal_ && item->ownerLevel_ == frameLevel_) return item;
    } else if (!item->isLocal_) {
      return item;
    }
  }
  return nullptr;
}

TParamCollectionItem& TParamCollection::AddVariable(uint8_t typeCode) {
  auto* item = new TParamCollectionItem(this);
  Adopt(std::unique_ptr<THashCollectionItem>(item));
  item->param_ = NewParam(typeCode);
  Touch();
  return *item;
}

std::unique_ptr<TCustomParam> TParamCollection::CopyValueOf(std::string_view name) const {
  TParamCollectionItem* item = Find(name);
  if (!item) return nullptr;
  TCustomParam* value = item->Param();
  uint8_t type = value ? value->TypeCode() : kTypeNone;
  if (type < kTypeInt || type > kTypeStr) throw KuzoError(Format(kBadVariableMessage, std::string(name).c_str()));
  auto copy = NewParam(type);
  if (copy->Class() == value->Class()) {
    copy->AssignFrom(*value);
  } else {
    copy->AssignConverted(*value);  // references and system variables: by value, converted
  }
  return copy;
}

TParamCollectionItem& TParamCollection::Declare(std::string_view name, uint8_t typeCode, uint8_t scope,
                                                bool& initialise) {
  TParamCollectionItem* item = FindInScope(name, scope == vsLocal);
  if (item) {
    initialise = !item->IsStatus();  // status variables are initialised only once
    return *item;
  }
  TParamCollectionItem& created = AddVariable(typeCode);
  try {
    created.SetName(std::string(name));
  } catch (...) {
    DeleteVariable(created);
    throw;
  }
  if (scope == vsFrameOwned || scope == vsLocal) created.ownerLevel_ = frameLevel_;
  created.isLocal_ = scope == vsLocal;
  created.isStatus_ = scope == vsStatus;
  Touch();
  initialise = true;
  return created;
}

void TParamCollection::Remove(int index) {
  if (holds_ > 0) {
    retired_.push_back(Extract(index));
  } else {
    Delete(index);
  }
}

void TParamCollection::DeleteVariable(TParamCollectionItem& item) {
  Remove(item.Index());
  Touch();
}

void TParamCollection::DeleteWhere(bool (*pred)(const TParamCollectionItem&, int32_t), int32_t arg) {
  for (int i = Count() - 1; i >= 0; --i) {
    if (pred(*At(i), arg)) Remove(i);
  }
  Touch();
}

void TParamCollection::DeleteOwnedBy(int32_t level) {
  DeleteWhere([](const TParamCollectionItem& item, int32_t l) { return item.OwnerLevel() == l; }, level);
}

void TParamCollection::RemoveFrameLevel(int32_t level) {
  DeleteOwnedBy(level);
  for (int i = 0; i < Count(); ++i) {
    TParamCollectionItem* item = At(i);
    if (item->ownerLevel_ > level) --item->ownerLevel_;
  }
  Touch();
}

void TParamCollection::Clear() {
  DeleteWhere([](const TParamCollectionItem& item, int32_t) { return IsGameVariable(item); }, 0);
  TextDelay = kInitialTextDelay;
  CursorName.clear();
  HistorySettings.fill(0);
}

void TParamCollection::SaveGame(ByteWriter& w) const {
  uint32_t n = 0;
  for (int i = 0; i < Count(); ++i) n += IsGameVariable(*At(i)) ? 1 : 0;
  w.U32(n);
  for (int i = Count() - 1; i >= 0; --i) {
    if (IsGameVariable(*At(i))) At(i)->SaveRecord(w);
  }
  w.I32(TextDelay);
  w.String(CursorName);
  w.String(SelStr);
  w.I32(SelIndex);
  for (int32_t v : HistorySettings) w.I32(v);
  w.String(TempTarget);
}

void TParamCollection::LoadRecords(ByteReader& r, uint32_t count, const char* what) {
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t type = r.U8("variable type");
    TParamCollectionItem& item = AddVariable(type);
    try {
      if (!item.Param()) r.Fail("variable type", Format("type code %u is not a variable type", type));
      item.SetName(r.String("variable name"));
      item.Param()->LoadFromStream(r, this);
      item.isStatus_ = r.U8("variable status flag") != 0;
      item.reserved_ = r.U8("variable reserved byte");
      item.ownerLevel_ = r.I32("variable owner level");
      item.isLocal_ = r.U8("variable local flag") != 0;
    } catch (...) {
      DeleteVariable(item);
      throw;
    }
  }
  Touch();
}

void TParamCollection::LoadGame(ByteReader& r, uint32_t version) {
  DeleteWhere([](const TParamCollectionItem& item, int32_t) { return IsGameVariable(item); }, 0);
  uint32_t n = r.Count(kMinRecordBytes, "variable count");
  LoadRecords(r, n, "game variable");
  TextDelay = r.I32("text delay");
  CursorName = r.String("cursor name");
  if (version > 102) {
    SelStr = r.String("selected string");
    SelIndex = r.I32("selected index");
  }
  if (version > 112) {
    for (auto& v : HistorySettings) v = r.I32("history setting");
  }
  if (version > 120) TempTarget = r.String("temp target");
}

void TParamCollection::SaveStatus(ByteWriter& w) const {
  uint32_t n = 0;
  for (int i = 0; i < Count(); ++i) n += (At(i)->IsStatus() && !At(i)->IsSystem()) ? 1 : 0;
  w.U32(n);
  for (int i = 0; i < Count(); ++i) {
    if (At(i)->IsStatus() && !At(i)->IsSystem()) At(i)->SaveRecord(w);
  }
}

void TParamCollection::LoadStatus(ByteReader& r) {
  uint32_t n = r.Count(kMinRecordBytes, "status variable count");
  LoadRecords(r, n, "status variable");
}

}  // namespace kuzo
