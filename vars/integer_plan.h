// An operation list whose every value is an integer or a flag (scalar variables, constants,
// temporaries), run as a flat program over typed integer slots: the general evaluator's results,
// stored types and errors, without a value object per temporary.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace kuzo {

struct TOpeData;
class TCustomParam;
class TParamCollection;

// One integer operation as the evaluator defines it: wrapping arithmetic, division and remainder
// toward zero (raising on a zero divisor and on the one overflowing quotient), shift counts taken
// mod 32, comparisons giving 1 or 0 (with `flagCompare`, b counts as a flag: 1 when non-zero). An
// assignment gives `a`.
int32_t IntegerOperation(uint8_t code, int32_t a, int32_t b, bool flagCompare);

class TIntegerPlan {
 public:
  // Prepares the plan for `ops` as bound to `table` now. `tempCount` is the number of temporary
  // slots the list uses and `argSlot` the slot of the value of a non-assignment expression (-1
  // when none). Leaves the plan unusable when any operation or variable is of another kind.
  void Build(const std::vector<std::unique_ptr<TOpeData>>& ops, TParamCollection& table, size_t tempCount,
             int32_t argSlot);
  // Built for this table as it is now (its variables are still the ones looked up).
  bool BuiltFor(const TParamCollection& table) const {
    return table_ == &table && *tableGeneration_ == generation_;
  }
  // Built for this table as it is now, and usable.
  bool ReadyFor(const TParamCollection& table) const { return usable_ && BuiltFor(table); }
  bool Usable() const { return usable_; }
  void Forget() { table_ = nullptr; }

  // Runs every operation; raises the general path's errors (earlier operations keep their effects).
  void Run();
  // The expression's value after a complete run: type code (integer or flag) and value.
  bool HasResult() const { return argSlot_ >= 0; }
  uint8_t ResultType() const { return tempTypes_[static_cast<size_t>(argSlot_)]; }
  int32_t ResultValue() const { return slots_[static_cast<size_t>(argSlot_)]; }

 private:
  // Where an operand is read or a result written. Temporaries and constants share one slot array
  // (constants after the temporaries, never written).
  enum class Source : uint8_t { Slot, FlagSlot, IntVar, FlagVar };
  struct Operand {
    Source source = Source::Slot;
    int32_t slot = 0;
    TCustomParam* var = nullptr;  // the variable's value object
  };
  struct Step {
    uint8_t code = 0;
    bool flagCompare = false;  // a comparison whose left operand is a flag
    bool viaFlag = false;      // the value passed through a flag temporary: it is 1 or 0
    Operand a, b, dest;
  };

  int32_t ConstantSlot(int32_t value);
  void FuseCopies(size_t tempCount);
  int32_t Read(const Operand& o) const;
  void Write(const Operand& o, int32_t v);

  std::vector<Step> steps_;
  std::vector<int32_t> slots_;
  std::vector<uint8_t> tempTypes_;
  int32_t argSlot_ = -1;
  const TParamCollection* table_ = nullptr;
  const uint64_t* tableGeneration_ = nullptr;
  uint64_t generation_ = 0;
  bool usable_ = false;
};

}  // namespace kuzo
