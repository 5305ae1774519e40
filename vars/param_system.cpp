// System variables: each kind reads its value from the table, the host state or the host interface
// and converts it like any other value.
#include "vars/param_system.h"

#include <array>

#include "core/errors.h"
#include "core/host_state.h"
#include "vars/float80.h"
#include "vars/param_collection.h"

namespace kuzo {

namespace {
constexpr const char* kInternalError = "内部エラー";
constexpr int32_t kKeyStateCount = 258;  // 256 virtual keys, wheel down, wheel up
constexpr long double kPi = 3.141592653589793238462643383279502884L;

constexpr std::array<std::string_view, kSystemVariableCount> kNames = {
    "@Result", "@LClick", "@RClick", "@LPush", "@RPush", "@MouseX", "@MouseY", "@TextDelay",
    "@HistoryCount", "@ParamCount", "@ParamStr", "@Sender", "@ScrWidth", "@ScrHeight",
    "@TickCount", "@PCTickCount", "@UpdateCount", "@Year", "@Month", "@Day", "@Week", "@Hour",
    "@Min", "@Sec", "@Fonts", "@FixedFonts", "@FullScr", "@Cursor", "@SelStr", "@SelIndex", "@Pi",
    "@CGDither", "@1Hour", "@1Min", "@1Sec", "@KeyPush", "@KeyClick", "@DisplayModeCount",
    "@DisplayModeIndex", "@Title", "@SoundON", "@ActiveCompo", "@KeyRepeat", "@HistoryMaxCount",
    "@Temp", "@MidiPort", "@MidiPorts", "@WheelDown", "@WheelUp", "@StackCount"};

// Own type of each kind; the forwarding kinds (0 and 44) answer their target's.
constexpr std::array<uint8_t, kSystemVariableCount> kTypes = {
    kTypeNone, kTypeFlag,  kTypeFlag,  kTypeFlag, kTypeFlag, kTypeInt,  kTypeInt,  kTypeInt,
    kTypeInt,  kTypeInt,   kTypeStr,   kTypeStr,  kTypeInt,  kTypeInt,  kTypeInt,  kTypeInt,
    kTypeInt,  kTypeInt,   kTypeInt,   kTypeInt,  kTypeInt,  kTypeInt,  kTypeInt,  kTypeInt,
    kTypeStr,  kTypeStr,   kTypeFlag,  kTypeStr,  kTypeStr,  kTypeInt,  kTypeFloat, kTypeFlag,
    kTypeFloat, kTypeFloat, kTypeFloat, kTypeFlag, kTypeFlag, kTypeInt, kTypeInt,  kTypeStr,
    kTypeFlag, kTypeStr,   kTypeFlag,  kTypeInt,  kTypeNone, kTypeStr,  kTypeStr,  kTypeFlag,
    kTypeFlag, kTypeInt};

// Font lists: leading and trailing blanks trimmed.
std::string TrimBlanks(std::string s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}
}  // namespace

std::string_view SystemVariableName(int kind) {
  if (kind < 0 || kind >= kSystemVariableCount) throw KuzoError(kInternalError);
  return kNames[static_cast<size_t>(kind)];
}

TParamSystem::TParamSystem(TParamCollection& table, uint8_t kind)
    : TCustomParam(ParamClass::System), table_(table), kind_(kind) {}

TCustomParam* TParamSystem::Forwarded() const {
  TCustomParam* target = nullptr;
  if (kind_ == skResult) {
    target = table_.Host().CurrentResult();
  } else {
    TParamCollectionItem* item = table_.Find(table_.TempTarget);
    target = item ? item->Param() : nullptr;
  }
  return target == this ? nullptr : target;  // "@Temp" standing for itself is absent
}

bool TParamSystem::ScalarReadsEmpty() const {
  return kind_ == skParamStr || kind_ == skKeyPush || kind_ == skKeyClick || kind_ == skKeyRepeat;
}

uint8_t TParamSystem::TypeCode() const {
  if (kind_ >= kSystemVariableCount) throw KuzoError(kInternalError);
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->TypeCode() : kTypeNone;
  }
  return kTypes[kind_];
}

int32_t TParamSystem::Count() const {
  switch (kind_) {
    case skResult:
    case skTemp: {
      TCustomParam* t = Forwarded();
      return t ? t->Count() : 1;
    }
    case skParamStr:
      return table_.Host().ArgCount();
    case skKeyPush:
    case skKeyClick:
    case skKeyRepeat:
      return kKeyStateCount;
    case skMidiPorts:
      return table_.Host().MidiPortCount();
    default:
      return 1;
  }
}

int32_t TParamSystem::NativeInt(int32_t i) const {
  SystemVariableHost& host = table_.Host();
  HostState* state = table_.State();
  switch (kind_) {
    case skMouseX: return host.MouseX();
    case skMouseY: return host.MouseY();
    case skTextDelay: return table_.TextDelay;
    case skHistoryCount: return host.HistoryCount();
    case skParamCount: return host.ArgCount();
    case skScrWidth: return host.ScreenWidth();
    case skScrHeight: return host.ScreenHeight();
    case skTickCount: return state ? state->gameClockMs : 0;
    case skPCTickCount: return static_cast<int32_t>(host.SystemMilliseconds());
    case skUpdateCount: return state ? state->updateCount : 0;
    case skYear: return host.Now().year;
    case skMonth: return host.Now().month;
    case skDay: return host.Now().day;
    case skWeek: return host.Now().weekDay;
    case skHour: return host.Now().hour;
    case skMin: return host.Now().minute;
    case skSec: return host.Now().second;
    case skSelIndex: return table_.SelIndex;
    case skDisplayModeCount: return host.DisplayModeCount();
    case skDisplayModeIndex: return host.DisplayModeIndex();
    case skHistoryMaxCount: return host.HistoryMaxCount();
    case skStackCount: return host.StackCount();
    default: throw KuzoError(kInternalError);
  }
}

bool TParamSystem::NativeFlag(int32_t i) const {
  SystemVariableHost& host = table_.Host();
  bool keyIndex = i >= 0 && i < kKeyStateCount;
  switch (kind_) {
    case skLClick: return host.LeftClick();
    case skRClick: return host.RightClick();
    case skLPush: return host.LeftPush();
    case skRPush: return host.RightPush();
    case skFullScr: return host.FullScreen();
    case skCGDither: return host.CGDither();
    case skKeyPush: return keyIndex && host.KeyPush(i);
    case skKeyClick: return keyIndex && host.KeyClick(i);
    case skKeyRepeat: return keyIndex && host.KeyRepeat(i);
    case skSoundON: return host.SoundOn();
    case skWheelDown: return host.WheelDown();
    case skWheelUp: return host.WheelUp();
    default: throw KuzoError(kInternalError);
  }
}

long double TParamSystem::NativeFloat(int32_t i) const {
  switch (kind_) {
    case skPi: return kPi;
    case sk1Hour: return 1.0L / 24;
    case sk1Min: return 1.0L / 1440;
    case sk1Sec: return 1.0L / 86400;
    default: throw KuzoError(kInternalError);
  }
}

std::string TParamSystem::NativeStr(int32_t i) const {
  SystemVariableHost& host = table_.Host();
  switch (kind_) {
    case skParamStr: return host.Arg(i);
    case skSender: return host.SenderName();
    case skFonts: return TrimBlanks(host.Fonts());
    case skFixedFonts: return TrimBlanks(host.FixedFonts());
    case skCursor: return table_.CursorName;
    case skSelStr: return table_.SelStr;
    case skTitle: return host.Title();
    case skActiveCompo: return host.ActiveCompo();
    case skMidiPort: return host.MidiPort();
    case skMidiPorts: return host.MidiPortName(i);
    default: throw KuzoError(kInternalError);
  }
}

void TParamSystem::WriteInt(int32_t v) {
  SystemVariableHost& host = table_.Host();
  switch (kind_) {
    case skMouseX: host.SetMouseX(v); break;
    case skMouseY: host.SetMouseY(v); break;
    case skTextDelay: table_.TextDelay = v; break;
    case skSelIndex: table_.SelIndex = v; break;
    case skDisplayModeIndex: host.SetDisplayModeIndex(v); break;
    case skHistoryMaxCount: host.SetHistoryMaxCount(v); break;
    default: break;  // read-only
  }
}

void TParamSystem::WriteFlag(bool b) {
  SystemVariableHost& host = table_.Host();
  switch (kind_) {
    case skLClick: host.SetLeftClick(b); break;
    case skRClick: host.SetRightClick(b); break;
    case skFullScr: host.SetFullScreen(b); break;
    case skCGDither: host.SetCGDither(b); break;
    case skSoundON: host.SetSoundOn(b); break;
    default: break;
  }
}

void TParamSystem::WriteStr(std::string_view s) {
  SystemVariableHost& host = table_.Host();
  switch (kind_) {
    case skCursor: table_.CursorName.assign(s); break;
    case skSelStr: table_.SelStr.assign(s); break;
    case skActiveCompo: host.SetActiveCompo(std::string(s)); break;
    case skMidiPort: host.SetMidiPort(std::string(s)); break;
    default: break;
  }
}

// ---- reads ----

int32_t TParamSystem::IntegerAt(int32_t i) const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->IntegerAt(i) : 0;
  }
  switch (TypeCode()) {
    case kTypeInt: return NativeInt(i);
    case kTypeFlag: return NativeFlag(i) ? 1 : 0;
    case kTypeFloat: return FloatToInt32(NativeFloat(i));
    default: return TextToInteger(NativeStr(i));
  }
}

long double TParamSystem::FloatAt(int32_t i) const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->FloatAt(i) : 0;
  }
  switch (TypeCode()) {
    case kTypeInt: return NativeInt(i);
    case kTypeFlag: return NativeFlag(i) ? 1 : 0;
    case kTypeFloat: return NativeFloat(i);
    default: return TextToFloat(NativeStr(i));
  }
}

bool TParamSystem::BooleanAt(int32_t i) const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->BooleanAt(i) : false;
  }
  switch (TypeCode()) {
    case kTypeInt: return NativeInt(i) != 0;
    case kTypeFlag: return NativeFlag(i);
    case kTypeFloat: return NativeFloat(i) != 0;
    default: return TextToFlag(NativeStr(i));
  }
}

std::string TParamSystem::StringAt(int32_t i) const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->StringAt(i) : std::string();
  }
  switch (TypeCode()) {
    case kTypeInt: return IntegerToText(NativeInt(i));
    case kTypeFlag: return FlagToText(NativeFlag(i));
    case kTypeFloat: return FloatToText(NativeFloat(i));
    default: return NativeStr(i);
  }
}

bool TParamSystem::AsBoolean() const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->AsBoolean() : false;
  }
  return ScalarReadsEmpty() ? false : BooleanAt(0);
}

long double TParamSystem::AsFloat() const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->AsFloat() : 0;
  }
  return ScalarReadsEmpty() ? 0 : FloatAt(0);
}

int32_t TParamSystem::AsInteger() const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->AsInteger() : 0;
  }
  return ScalarReadsEmpty() ? 0 : IntegerAt(0);
}

std::string TParamSystem::AsString() const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->AsString() : std::string();
  }
  if (ScalarReadsEmpty()) return kind_ == skParamStr ? std::string() : FlagToText(false);
  return StringAt(0);
}

// ---- writes ----

void TParamSystem::SetIntegerAt(int32_t i, int32_t v) {
  if (IsForwarding()) {
    if (TCustomParam* t = Forwarded()) t->SetIntegerAt(i, v);
    return;
  }
  switch (TypeCode()) {
    case kTypeInt: WriteInt(v); break;
    case kTypeFlag: WriteFlag(v != 0); break;
    case kTypeStr: WriteStr(IntegerToText(v)); break;
    default: break;
  }
}

void TParamSystem::SetFloatAt(int32_t i, long double x) {
  if (IsForwarding()) {
    if (TCustomParam* t = Forwarded()) t->SetFloatAt(i, x);
    return;
  }
  switch (TypeCode()) {
    case kTypeInt: WriteInt(FloatToInt32(x)); break;
    case kTypeFlag: WriteFlag(x != 0); break;
    case kTypeStr: WriteStr(FloatToText(x)); break;
    default: break;
  }
}

void TParamSystem::SetBooleanAt(int32_t i, bool b) {
  if (IsForwarding()) {
    if (TCustomParam* t = Forwarded()) t->SetBooleanAt(i, b);
    return;
  }
  switch (TypeCode()) {
    case kTypeInt: WriteInt(b ? 1 : 0); break;
    case kTypeFlag: WriteFlag(b); break;
    case kTypeStr: WriteStr(FlagToText(b)); break;
    default: break;
  }
}

void TParamSystem::SetStringAt(int32_t i, std::string_view s) {
  if (IsForwarding()) {
    if (TCustomParam* t = Forwarded()) t->SetStringAt(i, s);
    return;
  }
  switch (TypeCode()) {
    case kTypeInt: {
      // Text that is no integer leaves the value unchanged.
      int32_t v = 0;
      if (ParseInteger(s, v)) WriteInt(v);
      break;
    }
    case kTypeFlag:
      WriteFlag(TextToInteger(s) != 0);  // a flag takes text as a number: non-zero is true
      break;
    case kTypeStr:
      WriteStr(s);
      break;
    default:
      break;
  }
}

void TParamSystem::SetBoolean(bool b) {
  if (!IsForwarding()) return SetBooleanAt(0, b);
  if (TCustomParam* t = Forwarded()) t->SetBoolean(b);
}
void TParamSystem::SetFloat(long double x) {
  if (!IsForwarding()) return SetFloatAt(0, x);
  if (TCustomParam* t = Forwarded()) t->SetFloat(x);
}
void TParamSystem::SetInteger(int32_t v) {
  if (!IsForwarding()) return SetIntegerAt(0, v);
  if (TCustomParam* t = Forwarded()) t->SetInteger(v);
}
void TParamSystem::SetString(std::string_view s) {
  if (!IsForwarding()) return SetStringAt(0, s);
  if (TCustomParam* t = Forwarded()) t->SetString(s);
}

// Scalar writes through the element form: system values have no dimensions to drop.
void TParamSystem::MakeScalar() {
  if (!IsForwarding()) return;
  if (TCustomParam* t = Forwarded()) t->MakeScalar();
}

// ---- whole-value operations: forwarded for "@Result" and "@Temp", ignored otherwise ----

int32_t TParamSystem::DimCount() const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->DimCount() : 1;
  }
  return TCustomParam::DimCount();
}

int32_t TParamSystem::DimSize(int32_t d) const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->DimSize(d) : 1;
  }
  return TCustomParam::DimSize(d);
}

void TParamSystem::SetDims(std::span<const int32_t> sizes) {
  if (!IsForwarding()) return;
  if (TCustomParam* t = Forwarded()) t->SetDims(sizes);
}

void TParamSystem::SetCount(int32_t n) {
  if (!IsForwarding()) return;
  if (TCustomParam* t = Forwarded()) t->SetCount(n);
}

void TParamSystem::AssignFrom(const TCustomParam& other) {
  if (!IsForwarding()) return;
  if (TCustomParam* t = Forwarded()) t->AssignFrom(other);
}

void TParamSystem::FillInteger(int32_t v) {
  if (!IsForwarding()) return;
  if (TCustomParam* t = Forwarded()) t->FillInteger(v);
}

void TParamSystem::FillFloat(long double x) {
  if (!IsForwarding()) return;
  if (TCustomParam* t = Forwarded()) t->FillFloat(x);
}

void TParamSystem::FillBoolean(bool b) {
  if (!IsForwarding()) return;
  if (TCustomParam* t = Forwarded()) t->FillBoolean(b);
}

void TParamSystem::FillString(std::string_view s) {
  if (!IsForwarding()) return;
  if (TCustomParam* t = Forwarded()) t->FillString(s);
}

void TParamSystem::CopyValues(const TCustomParam& other) {
  if (!IsForwarding()) return;
  if (TCustomParam* t = Forwarded()) t->CopyValues(other);
}

int32_t TParamSystem::IndexOfText(std::string_view text, bool caseSensitive, bool partial) const {
  if (IsForwarding()) {
    TCustomParam* t = Forwarded();
    return t ? t->IndexOfText(text, caseSensitive, partial) : -1;
  }
  return TCustomParam::IndexOfText(text, caseSensitive, partial);
}

}  // namespace kuzo
