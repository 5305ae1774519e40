// The fixed table of built-in functions: number, name, argument bounds and result type. Compiled
// expressions store the number, so the order is part of the page format.
#include "vars/sys_func_man.h"

#include <array>
#include <string_view>

#include "core/errors.h"
#include "vars/builtin_ids.h"

namespace kuzo {

namespace {
constexpr uint8_t I = kTypeInt, F = kTypeFloat, B = kTypeFlag, S = kTypeStr;
constexpr int8_t N = kNoMaxArgs;

constexpr std::array<TSysFuncInfo, kSysFuncCount> kFunctions = {{
    {"IntToStr", 1, 2, S}, {"IntToHex", 2, 2, S}, {"GetProp", 2, 2, kTypeNone}, {"SetProp", 3, 3, S},
    {"GetArraySize", 1, 2, I}, {"Length", 1, 1, I}, {"JLength", 1, 1, I}, {"Copy", 2, 3, S},
    {"JCopy", 2, 3, S}, {"Delete", 2, 3, S}, {"JDelete", 2, 3, S}, {"Insert", 3, 3, S},
    {"JInsert", 3, 3, S}, {"CompareStr", 2, 2, I}, {"CompareText", 2, 2, I}, {"Pos", 2, 2, I},
    {"JPos", 2, 2, I}, {"Trim", 1, 1, S}, {"JTrim", 1, 1, S}, {"Exists", 1, 1, B},
    {"Not", 1, 1, B}, {"SetArray", 2, N, I}, {"FillMem", 2, 2, I}, {"CopyMem", 2, 2, I},
    {"GetCheck", 2, 2, B}, {"SetCheck", 3, 3, I}, {"Random", 1, 1, I}, {"GetSaveCaption", 1, 1, S},
    {"ArrayToString", 1, 2, S}, {"StringToArray", 2, 3, I}, {"IndexOfStr", 2, 4, I}, {"SortStr", 1, 1, I},
    {"ListCompo", 1, 3, I}, {"ToClientX", 2, 2, I}, {"ToClientY", 2, 2, I}, {"ToScreenX", 2, 2, I},
    {"ToScreenY", 2, 2, I}, {"Int", 1, 1, I}, {"Float", 1, 1, F}, {"Sin", 1, 1, F},
    {"Cos", 1, 1, F}, {"Tan", 1, 1, F}, {"ArcSin", 1, 1, F}, {"ArcCos", 1, 1, F},
    {"ArcTan", 1, 1, F}, {"ArcTan2", 2, 2, F}, {"Hypot", 2, 2, F}, {"IndexOfMenu", 2, 2, I},
    {"Abs", 1, 1, I}, {"Fabs", 1, 1, F}, {"VarExists", 1, 1, B}, {"EncodeDate", 3, 3, F},
    {"EncodeTime", 3, 3, F}, {"DecodeDate", 4, 4, I}, {"DecodeTime", 4, 4, I}, {"GetYear", 1, 1, I},
    {"GetMonth", 1, 1, I}, {"GetDay", 1, 1, I}, {"GetHour", 1, 1, I}, {"GetMin", 1, 1, I},
    {"GetSec", 1, 1, I}, {"GetWeek", 1, 1, I}, {"GetWeekStr", 1, 1, S}, {"GetWeekJStr", 1, 1, S},
    {"FixStr", 1, 1, S}, {"GetDisplayMode", 5, 5, B}, {"AddArray", 2, 2, I}, {"InsertArray", 3, 3, I},
    {"DeleteArray", 3, 3, I}, {"InPrimary", 1, 1, B}, {"CopyArray", 2, 2, B}, {"FileExists", 1, 1, B},
    {"LoadTextFile", 2, 2, B}, {"LowerCase", 1, 1, S}, {"UpperCase", 1, 1, S},
    {"ExtractFilePath", 1, 1, S}, {"ExtractFileName", 1, 1, S}, {"ExtractFileExt", 1, 1, S},
    {"IsPathDelimiter", 2, 2, B}, {"AddBackSlash", 1, 1, S}, {"ChangeFileExt", 2, 2, S},
    {"IsDelimiter", 3, 3, B}, {"StringOfChar", 2, 2, S}, {"StringReplace", 3, 5, S},
    {"AssignTemp", 1, 1, B}, {"HanToZen", 1, 1, S}, {"ZenToHan", 1, 1, S},
    {"DBCreateTable", 2, 2, B}, {"DBSetActive", 1, 1, B}, {"DBAddField", 2, 3, B},
    {"DBSetRecNo", 1, 1, B}, {"DBInsert", 0, N, B}, {"DBDelete", 0, 0, B}, {"DBGetInt", 1, 1, I},
    {"DBSetInt", 2, 2, B}, {"DBGetFloat", 1, 1, F}, {"DBSetFloat", 2, 2, B}, {"DBGetBool", 1, 1, B},
    {"DBSetBool", 2, 2, B}, {"DBGetStr", 1, 1, S}, {"DBSetStr", 2, 2, B}, {"DBRecordCount", 0, 1, I},
    {"DBFindFirst", 0, 0, B}, {"DBFindLast", 0, 0, B}, {"DBFindNext", 0, 0, B},
    {"DBFindPrior", 0, 0, B}, {"DBLocate", 2, 4, B}, {"DBLoadTsvFile", 1, 1, B},
    {"DBDirectGetInt", 7, 7, I}, {"DBDirectSetInt", 7, 7, B}, {"DBDirectGetFloat", 7, 7, F},
    {"DBDirectSetFloat", 7, 7, B}, {"DBDirectGetBool", 7, 7, B}, {"DBDirectSetBool", 7, 7, B},
    {"DBDirectGetStr", 7, 7, S}, {"DBDirectSetStr", 7, 7, B}, {"DBCopyTable", 1, 5, B},
    {"DBDeleteTable", 0, 1, B}, {"DBInsertTable", 1, 5, B}, {"DBCopy", 1, 1, B},
    {"DBClearTable", 0, 0, B}, {"DBSort", 2, 2, B}, {"DBGetActive", 0, 0, S},
    {"DBGetRecNo", 0, 1, I}, {"DBClearRecord", 0, 1, B}, {"SetWallPaper", 2, 2, B},
    {"Min", 2, 2, I}, {"Max", 2, 2, I}, {"Fmin", 2, 2, F}, {"Fmax", 2, 2, F},
    {"GetVarType", 1, 1, I}, {"GetEnabled", 2, 2, B}, {"SetEnabled", 3, 3, I},
    {"AddDelimiter", 2, 2, S}, {"ListSaveCaption", 0, 2, I}, {"OpenUrl", 1, 1, B}, {"Calc", 1, 1, S},
    {"SaveScreen", 1, 5, B}, {"StrToIntDef", 2, 2, I}, {"StrToFloatDef", 2, 2, F},
    {"GetVisible", 2, 2, B}, {"SetVisible", 3, 3, B}, {"DeleteStack", 1, 1, B},
}};

// The named built-in ids stand for their rows.
static_assert(BuiltinNumber(Builtin::kCount) == kSysFuncCount);
constexpr bool RowIs(Builtin b, std::string_view name) {
  return std::string_view(kFunctions[static_cast<size_t>(BuiltinNumber(b))].name) == name;
}
static_assert(RowIs(Builtin::IntToStr, "IntToStr") && RowIs(Builtin::GetProp, "GetProp") &&
              RowIs(Builtin::SetProp, "SetProp") && RowIs(Builtin::Exists, "Exists") &&
              RowIs(Builtin::ListCompo, "ListCompo") && RowIs(Builtin::ToClientX, "ToClientX") &&
              RowIs(Builtin::ToScreenY, "ToScreenY") && RowIs(Builtin::GetYear, "GetYear") &&
              RowIs(Builtin::GetSec, "GetSec") && RowIs(Builtin::InPrimary, "InPrimary") &&
              RowIs(Builtin::FileExists, "FileExists") && RowIs(Builtin::LoadTextFile, "LoadTextFile") &&
              RowIs(Builtin::GetDisplayMode, "GetDisplayMode") && RowIs(Builtin::OpenUrl, "OpenUrl") &&
              RowIs(Builtin::Calc, "Calc") && RowIs(Builtin::DeleteStack, "DeleteStack"));

// Value type of each component property (0..161).
constexpr uint8_t kPropertyTypes[] = {
    4,4,4,1,1,1,1,1,1,1,1,1,1,1,1,4,1,1,1,1,1,1,1,1,1,3,1,3,1,3,1,1,4,4,4,4,4,4,4,4,4,4,1,4,1,1,4,3,1,1,
    4,1,1,1,4,4,4,4,4,4,4,4,4,1,1,1,1,1,1,4,4,3,4,3,4,4,4,4,1,1,1,3,1,4,4,1,3,3,3,1,1,1,1,1,1,2,2,1,3,4,
    3,4,2,4,4,4,4,1,1,1,1,3,3,4,1,1,1,1,1,1,1,4,4,1,1,1,1,1,1,4,1,1,1,4,3,4,4,3,3,3,1,1,1,1,4,4,4,1,4,4,
    3,4,3,1,1,1,1,1,3,1,1,1};
static_assert(sizeof kPropertyTypes == 162);
}  // namespace

const TSysFuncInfo& TSysFuncMan::Info(int number) {
  if (number < 0 || number >= kSysFuncCount) throw KuzoError("内部エラー");
  return kFunctions[static_cast<size_t>(number)];
}

int TSysFuncMan::FindFunction(std::string_view name) {
  for (int i = 0; i < kSysFuncCount; ++i) {
    if (name == kFunctions[static_cast<size_t>(i)].name) return i;
  }
  return -1;
}

uint8_t TSysFuncMan::PropertyType(int32_t property) {
  if (property < 0 || property >= static_cast<int32_t>(sizeof kPropertyTypes)) return kTypeNone;
  return kPropertyTypes[property];
}

}  // namespace kuzo
