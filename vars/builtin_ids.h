// Numbers of the built-in functions: compiled expressions store them, so each name stands for its
// position in the built-in table (vars/sys_func_table.cpp), which checks that both agree.
#pragma once

#include <cstdint>

namespace kuzo {

enum class Builtin : int32_t {
  IntToStr = 0, IntToHex, GetProp, SetProp, GetArraySize, Length, JLength, Copy, JCopy, Delete, JDelete, Insert,
  JInsert, CompareStr, CompareText, Pos, JPos, Trim, JTrim, Exists, Not, SetArray, FillMem, CopyMem, GetCheck,
  SetCheck, Random, GetSaveCaption, ArrayToString, StringToArray, IndexOfStr, SortStr, ListCompo, ToClientX,
  ToClientY, ToScreenX, ToScreenY, Int, Float, Sin, Cos, Tan, ArcSin, ArcCos, ArcTan, ArcTan2, Hypot, IndexOfMenu,
  Abs, Fabs, VarExists, EncodeDate, EncodeTime, DecodeDate, DecodeTime, GetYear, GetMonth, GetDay, GetHour, GetMin,
  GetSec, GetWeek, GetWeekStr, GetWeekJStr, FixStr, GetDisplayMode, AddArray, InsertArray, DeleteArray, InPrimary,
  CopyArray, FileExists, LoadTextFile, LowerCase, UpperCase, ExtractFilePath, ExtractFileName, ExtractFileExt,
  IsPathDelimiter, AddBackSlash, ChangeFileExt, IsDelimiter, StringOfChar, StringReplace, AssignTemp, HanToZen,
  ZenToHan, DBCreateTable, DBSetActive, DBAddField, DBSetRecNo, DBInsert, DBDelete, DBGetInt, DBSetInt, DBGetFloat,
  DBSetFloat, DBGetBool, DBSetBool, DBGetStr, DBSetStr, DBRecordCount, DBFindFirst, DBFindLast, DBFindNext,
  DBFindPrior, DBLocate, DBLoadTsvFile, DBDirectGetInt, DBDirectSetInt, DBDirectGetFloat, DBDirectSetFloat,
  DBDirectGetBool, DBDirectSetBool, DBDirectGetStr, DBDirectSetStr, DBCopyTable, DBDeleteTable, DBInsertTable,
  DBCopy, DBClearTable, DBSort, DBGetActive, DBGetRecNo, DBClearRecord, SetWallPaper, Min, Max, Fmin, Fmax,
  GetVarType, GetEnabled, SetEnabled, AddDelimiter, ListSaveCaption, OpenUrl, Calc, SaveScreen, StrToIntDef,
  StrToFloatDef, GetVisible, SetVisible, DeleteStack,
  kCount
};

// The table index of a built-in.
constexpr int BuiltinNumber(Builtin b) { return static_cast<int>(b); }

}  // namespace kuzo
