// Compiled expressions: a flat list of three-address operations, read from and written to the
// stream stored in script pages, and executed against the variable table with temporaries that live
// only for one evaluation.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vars/integer_plan.h"
#include "vars/param.h"

namespace kuzo {

class ByteReader;
class ByteWriter;
class TParamCollection;
class TParamCollectionItem;

enum OpCode : uint8_t {
  ocNone = 0, ocTo = 1, ocPlus = 2, ocMinus = 3, ocMul = 4, ocDiv = 5, ocMod = 6, ocOr = 7,
  ocAnd = 8, ocXor = 9, ocDimTo = 10, ocFunc = 11, ocEqual = 12, ocBig = 13, ocSmall = 14,
  ocEBig = 15, ocESmall = 16, ocShiftL = 17, ocShiftR = 18, ocComboStr = 19, ocNEqual = 20
};
constexpr uint8_t kLastOpCode = ocNEqual;
// Name of an operation code in error messages ("ocTo"); a fixed text for codes above 20.
std::string_view OpCodeName(uint8_t code);

// Operand kinds of the compiled stream.
enum OperandKind : uint8_t { okName = 0, okInt = 1, okFloat = 2, okFlag = 3, okStr = 4 };

constexpr std::string_view kArgTemp = "____arg";        // value of a non-assignment expression
constexpr std::string_view kElementTempPrefix = "____d_";  // element reference temporaries

// One run-time operation. Name operands are references (TParamVar) whose TargetName is the name;
// constants are typed values holding the literal.
struct TOpeData {
  uint8_t OpCode = ocNone;
  std::string Dest;
  uint8_t FuncId = 0;  // built-in number, for ocFunc only
  std::vector<std::unique_ptr<TCustomParam>> Operands;

  // Resolution prepared when the operation is read (evaluation detail, not part of the stream).
  struct NameSlot {
    int32_t temp = -1;                        // temporary slot, or -1 for a table variable
    TParamCollectionItem* cachedItem = nullptr;  // table lookup valid while the generation holds
    uint64_t cachedGeneration = 0;
  };
  NameSlot destSlot;
  std::vector<NameSlot> operandSlots;  // one per operand; unused for constants
  std::vector<TCustomParam*> operandPointers;  // the operands as a built-in receives them

  // Integer shortcut: set when the operation is an assignment or an integer-valued operator whose
  // operands are all names or integer/flag constants. At run time it applies only when every
  // operand and the destination turn out to be scalar-readable integer or flag values.
  struct FastOperand {
    uint8_t constType = 0;  // kTypeInt or kTypeFlag for a constant; 0 for a name
    int32_t constValue = 0;
  };
  bool fastEligible = false;
  FastOperand fastOperands[2];
};

class TKuzoParser {
 public:
  TKuzoParser();
  ~TKuzoParser();
  TKuzoParser(const TKuzoParser&) = delete;
  TKuzoParser& operator=(const TKuzoParser&) = delete;

  // Replaces the operation list with the one in the stream.
  void ReadFrom(ByteReader& r);
  void WriteTo(ByteWriter& w) const;
  // Copies another parser's operations.
  void Assign(const TKuzoParser& other);
  // Compiles `text` and loads the result (raises the compiler's errors).
  void CompileText(std::string_view text);

  // Runs the operations in order against `table`. The first failing operation ends the run
  // silently; earlier operations keep their effects. Afterwards Result() holds the value of a
  // non-assignment expression, or null when there was none.
  void Execute(TParamCollection& table) {
    if (fastPath_ && plan_.ReadyFor(table)) {
      RunPlan();  // integer-only list, planned for the table as it is
      return;
    }
    ExecuteGeneral(table);
  }
  const TCustomParam* Result() const {
    if (resultPending_) MaterializeResult();
    return hasResult_ ? result_.get() : nullptr;
  }
  // Runs and answers the value read as a flag, or nothing when there is no value: the same answer
  // as Result()->AsBoolean(), without building the value object for an integer-only list.
  std::optional<bool> ExecuteFlag(TParamCollection& table) {
    Execute(table);
    if (resultPending_) return plan_.ResultValue() != 0;
    const TCustomParam* r = Result();
    if (!r) return std::nullopt;
    return r->AsBoolean();
  }
  // Message of the error that ended the last run (empty when it ran to its end); for diagnostics.
  const std::string& LastError() const { return lastError_; }

  // The integer shortcut (on by default) gives the same results as the general path; turning it
  // off lets tests compare the two.
  void SetFastPath(bool on) { fastPath_ = on; }
  bool FastPath() const { return fastPath_; }

  int OpCount() const { return static_cast<int>(ops_.size()); }
  const TOpeData& Op(int i) const { return *ops_[static_cast<size_t>(i)]; }

 private:
  struct TempSlot {
    std::unique_ptr<TCustomParam> value;
    bool live = false;
  };
  void Prepare();
  void ExecuteGeneral(TParamCollection& table);
  void ExecuteWith(TParamCollection& table, std::vector<TempSlot>& temps);
  void ExecuteOp(TParamCollection& table, std::vector<TempSlot>& temps, TOpeData& op);
  void BindOperand(TParamCollection& table, std::vector<TempSlot>& temps, TOpeData::NameSlot& slot,
                   TParamVar& operand);
  TCustomParam* ResolveDest(TParamCollection& table, std::vector<TempSlot>& temps, TOpeData& op);
  void CreateTemp(TOpeData& op, TempSlot& slot);
  bool TryFastOp(TParamCollection& table, std::vector<TempSlot>& temps, TOpeData& op);
  void StoreResult(const TCustomParam& value);
  void RunPlan();
  void MaterializeResult() const;

  std::vector<std::unique_ptr<TOpeData>> ops_;
  std::vector<std::string> tempNames_;  // slot index -> temporary name
  int32_t argSlot_ = -1;                // slot of "____arg" when the last op assigns it
  std::vector<TempSlot> temps_;         // reused by every outermost run
  // The value of the last run. After an integer-only run it is built only when asked for: until
  // then the plan holds it.
  mutable std::unique_ptr<TCustomParam> result_;
  bool hasResult_ = false;
  mutable bool resultPending_ = false;
  int running_ = 0;  // nesting depth of Execute on this parser
  bool fastPath_ = true;
  TIntegerPlan plan_;  // the whole list as integer arithmetic, when it is integer-only
  std::string lastError_;
};

}  // namespace kuzo
