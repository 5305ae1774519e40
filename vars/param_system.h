// The fifty "@" system variables: values that read and write program state (input, interpreter,
// screen, clocks, the table's own settings) instead of stored data.
#pragma once

#include <cstdint>
#include <string_view>

#include "vars/param.h"

namespace kuzo {

constexpr int kSystemVariableCount = 50;

enum SystemKind : uint8_t {
  skResult = 0, skLClick, skRClick, skLPush, skRPush, skMouseX, skMouseY, skTextDelay,
  skHistoryCount, skParamCount, skParamStr, skSender, skScrWidth, skScrHeight, skTickCount,
  skPCTickCount, skUpdateCount, skYear, skMonth, skDay, skWeek, skHour, skMin, skSec, skFonts,
  skFixedFonts, skFullScr, skCursor, skSelStr, skSelIndex, skPi, skCGDither, sk1Hour, sk1Min,
  sk1Sec, skKeyPush, skKeyClick, skDisplayModeCount, skDisplayModeIndex, skTitle, skSoundON,
  skActiveCompo, skKeyRepeat, skHistoryMaxCount, skTemp, skMidiPort, skMidiPorts, skWheelDown,
  skWheelUp, skStackCount
};

// Name of system variable `kind` ("@Result" ... "@StackCount").
std::string_view SystemVariableName(int kind);

class TParamSystem final : public TCustomParam {
 public:
  TParamSystem(TParamCollection& table, uint8_t kind);

  uint8_t Kind() const { return kind_; }

  int32_t Count() const override;
  uint8_t TypeCode() const override;
  bool AsBoolean() const override;
  long double AsFloat() const override;
  int32_t AsInteger() const override;
  std::string AsString() const override;
  void SetBoolean(bool b) override;
  void SetFloat(long double x) override;
  void SetInteger(int32_t v) override;
  void SetString(std::string_view s) override;
  int32_t IntegerAt(int32_t i) const override;
  void SetIntegerAt(int32_t i, int32_t v) override;
  long double FloatAt(int32_t i) const override;
  void SetFloatAt(int32_t i, long double x) override;
  bool BooleanAt(int32_t i) const override;
  void SetBooleanAt(int32_t i, bool b) override;
  std::string StringAt(int32_t i) const override;
  void SetStringAt(int32_t i, std::string_view s) override;
  int32_t DimCount() const override;
  int32_t DimSize(int32_t d) const override;
  void SetDims(std::span<const int32_t> sizes) override;
  void SetCount(int32_t n) override;
  void AssignFrom(const TCustomParam& other) override;
  void FillInteger(int32_t v) override;
  void FillFloat(long double x) override;
  void FillBoolean(bool b) override;
  void FillString(std::string_view s) override;
  void CopyValues(const TCustomParam& other) override;
  void MakeScalar() override;
  int32_t IndexOfText(std::string_view text, bool caseSensitive, bool partial) const override;

 private:
  // The value "@Result" and "@Temp" stand for, or null.
  TCustomParam* Forwarded() const;
  bool IsForwarding() const { return kind_ == skResult || kind_ == skTemp; }
  // Array kinds whose scalar read is empty or false.
  bool ScalarReadsEmpty() const;
  // The value in its own type (by TypeCode), and writes in the own type.
  int32_t NativeInt(int32_t i) const;
  bool NativeFlag(int32_t i) const;
  long double NativeFloat(int32_t i) const;
  std::string NativeStr(int32_t i) const;
  void WriteInt(int32_t v);
  void WriteFlag(bool b);
  void WriteStr(std::string_view s);

  TParamCollection& table_;
  uint8_t kind_;
};

}  // namespace kuzo
