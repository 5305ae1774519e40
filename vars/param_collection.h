// The variable table: named variables owning one value each, found without regard to case, with
// global, frame-owned, local and status scopes, the fifty system variables, and the stream forms of a
// saved game's variables and of the status variables.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/hash_collection.h"
#include "vars/param.h"
#include "vars/system_variable_host.h"

namespace kuzo {

class ByteReader;
class ByteWriter;
struct HostState;
class TParamCollection;
class TSysFuncMan;

constexpr int32_t kInitialTextDelay = 50;
constexpr int kHistorySettingCount = 6;

// Scope bytes of the declaring command.
enum VariableScope : uint8_t { vsGlobal = 0, vsFrameOwned = 1, vsLocal = 2, vsStatus = 3 };

class TParamCollectionItem final : public THashCollectionItem {
 public:
  TCustomParam* Param() const { return param_.get(); }
  void SetParam(std::unique_ptr<TCustomParam> param);

  // Validated name setter: rejects an empty name, a name with a blank and one starting with a digit
  // ("\"%s\"：変数名が不正です").
  void SetName(std::string name);

  uint8_t Reserved() const { return reserved_; }
  void SetReserved(uint8_t r) { reserved_ = r; }
  bool IsStatus() const { return isStatus_; }
  void SetStatus(bool b) { isStatus_ = b; }
  int32_t OwnerLevel() const { return ownerLevel_; }
  void SetOwnerLevel(int32_t level);
  bool IsLocal() const { return isLocal_; }
  void SetLocal(bool b);
  bool IsSystem() const { return param_ && param_->Class() == ParamClass::System; }
  TParamCollection& Table() const { return *table_; }

  // Variable record: type code, name, value stream, isStatus, reserved, ownerLevel, isLocal.
  void SaveRecord(ByteWriter& w) const;

 private:
  friend class TParamCollection;
  explicit TParamCollectionItem(TParamCollection* table) : table_(table) {}

  TParamCollection* table_;
  std::unique_ptr<TCustomParam> param_;
  uint8_t reserved_ = 0;
  bool isStatus_ = false;
  int32_t ownerLevel_ = -1;
  bool isLocal_ = false;
};

class TParamCollection : protected THashCollection {
 public:
  TParamCollection();
  ~TParamCollection() override;

  using THashCollection::Count;
  TParamCollectionItem* At(int index) const { return THashCollection::At<TParamCollectionItem>(index); }

  // Visible variable of that name: a local owned by the current frame level first, else the global
  // named earliest; locals of other levels are invisible.
  TParamCollectionItem* Find(std::string_view name) const;
  // localOnly: the first local of the current level in the chain; else the first non-local.
  TParamCollectionItem* FindInScope(std::string_view name, bool localOnly) const;
  // New unnamed variable holding a value of the type code (0 reference, 1..4 typed).
  TParamCollectionItem& AddVariable(uint8_t typeCode);
  // A free-standing copy of the named variable's value; null when not found; raises for a
  // variable without a plain type ("%s:不正な変数です").
  std::unique_ptr<TCustomParam> CopyValueOf(std::string_view name) const;
  // The declaring command's lookup and creation: returns the variable and sets `initialise` when
  // its initial value should be stored (false for an existing status variable).
  TParamCollectionItem& Declare(std::string_view name, uint8_t typeCode, uint8_t scope, bool& initialise);

  // Holds the table's variables for a running evaluation or command (a declaration evaluating the
  // initial value of the variable it declared, an expression's bound operands): while any hold
  // lasts, a deleted variable only leaves the table (lookups no longer find it) and is freed when
  // the last hold ends, so a built-in that deletes variables (DeleteStack) never frees one a caller
  // still points at. Holds nest.
  class Hold {
   public:
    explicit Hold(TParamCollection& table) : table_(table) { ++table_.holds_; }
    ~Hold() {
      if (--table_.holds_ == 0) table_.retired_.clear();
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    TParamCollection& table_;
  };
  // Variables deleted during a hold, not yet freed.
  int RetiredCount() const { return static_cast<int>(retired_.size()); }

  void DeleteVariable(TParamCollectionItem& item);
  // Frees every variable owned by that call-stack depth.
  void DeleteOwnedBy(int32_t level);
  // Removes a whole frame level from the middle of the stack: its variables are freed and the
  // owner level of variables of deeper levels drops by one.
  void RemoveFrameLevel(int32_t level);
  // Frees every variable that is neither system nor status and resets the table's settings.
  void Clear();

  void SaveGame(ByteWriter& w) const;
  void LoadGame(ByteReader& r, uint32_t version);
  void SaveStatus(ByteWriter& w) const;
  void LoadStatus(ByteReader& r);

  int32_t FrameLevel() const { return frameLevel_; }
  void SetFrameLevel(int32_t level);

  // Changes whenever the result of a lookup may change (variables added, deleted or renamed, scope
  // or frame level changed). Name caches compare it. Values are unique across all tables of the
  // process, so a cache made for one table never matches another (even one created later at the
  // same address).
  uint64_t Generation() const { return generation_; }
  const uint64_t* GenerationPtr() const { return &generation_; }
  void Touch() { generation_ = NextGeneration(); }

  SystemVariableHost& Host() const { return *host_; }
  void SetHost(SystemVariableHost* host);
  HostState* State() const { return state_; }
  void SetState(HostState* state) { state_ = state; }
  TSysFuncMan* Functions() const { return functions_; }
  void SetFunctions(TSysFuncMan* functions) { functions_ = functions; }

  // Values kept beside the table and saved with it.
  std::string SelStr;
  int32_t SelIndex = 0;
  int32_t TextDelay = kInitialTextDelay;
  std::string CursorName;
  std::array<int32_t, kHistorySettingCount> HistorySettings{};
  std::string TempTarget;

 private:
  friend class TParamCollectionItem;
  void LoadRecords(ByteReader& r, uint32_t count, const char* what);
  void DeleteWhere(bool (*pred)(const TParamCollectionItem&, int32_t), int32_t arg);
  // Deletes the variable at `index`, or retires it while a hold lasts.
  void Remove(int index);

  static uint64_t NextGeneration();

  int32_t frameLevel_ = 0;
  uint64_t generation_ = NextGeneration();
  SystemVariableHost defaultHost_;
  SystemVariableHost* host_ = &defaultHost_;
  HostState* state_ = nullptr;
  TSysFuncMan* functions_ = nullptr;
  int holds_ = 0;
  std::vector<std::unique_ptr<THashCollectionItem>> retired_;
};

}  // namespace kuzo
