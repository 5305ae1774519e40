// Named ids of the script commands: the type code of each command (stored in pages, so each name
// stands for its number) and the positions of the record fields that code reaches by position.
// The layouts themselves, with the fields' names, are the command table in command.cpp; a test
// checks that every position named here holds the field of that name.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kuzo {

enum class CommandCode : uint8_t {
  If, Elseif, Else, Label, Jump, Call, Exit, Wait, BoxNew, ImgNew,                              // 0..9
  MesNew, Timer, Movie, Flip, Calc, VarNew, VarDel, GetProp, SetProp, ObjDel,                   // 10..19
  TextIns, MovieStop, ClrHist, Cinema, Caption, Menu, MenuClose, Comment, TextClr, CallHist,    // 20..29
  BtnNew, While, WhileInit, WhileLoop, Break, Continue, ParticleNew, FireNew, GameSave,          // 30..38
  GameLoad, PCReset, Reset, Sound, EditNew, MemoNew, Terminate, DoEvent, ClrRead, MapImgNew,    // 39..48
  WaveNew, TileNew, SliderNew, ScrollbarNew, GaugeNew, CGCaption, MediaPlay, PrevMenuNew,       // 49..56
  PropMotion, EntryHist, CabinetSave, CabinetLoad,                                              // 57..60
};

constexpr uint8_t Code(CommandCode c) { return static_cast<uint8_t>(c); }
constexpr bool operator==(uint8_t code, CommandCode c) { return code == Code(c); }

// Positions of record fields (the order of each layout in the command table).
namespace field {
// Commands whose one field is their condition, name, text, target or expression.
constexpr size_t kOnly = 0;
constexpr size_t kJumpPage = 0, kJumpIndex = 1, kJumpCond = 2;
constexpr size_t kCallPage = 0, kCallIndex = 1, kCallResult = 2, kCallCond = 3, kCallArgs = 4;
constexpr size_t kWaitWhile = 0, kWaitTime = 1, kWaitBlock = 2;
constexpr size_t kFlipType = 0, kFlipTime = 1, kFlipFlag = 2, kFlipMode = 3, kFlipNames = 4, kFlipClear = 5,
                 kFlipParam0 = 6, kFlipParam1 = 7, kFlipText = 8, kFlipBlock = 9;
constexpr size_t kVarName = 0, kVarType = 1, kVarValue = 2, kVarScope = 3;
constexpr size_t kPropTarget = 0, kPropId = 1, kGetPropInto = 2, kSetPropValue = 2;
constexpr size_t kWhileCond = 0, kWhileExit = 1;
constexpr size_t kLoopExpr = 0, kLoopTo = 1;
constexpr size_t kBreakCond = 0, kBreakTo = 1;
constexpr size_t kSaveSlot = 0, kSaveCaption = 1, kSaveFlag = 2, kSaveText = 3;
constexpr size_t kResetPage = 0, kResetIndex = 1, kResetFull = 2;
constexpr size_t kCabinetInvert = 0, kCabinetNames = 1;
constexpr size_t kCallHistWindow = 0, kCallHistFirst = 1, kCallHistCount = 2, kCallHistFlag = 3;
constexpr size_t kTextGlyphs = 0, kTextWindow = 1, kTextKeepRead = 2, kTextWait = 3, kTextBlock = 4;
constexpr size_t kMovieStopTarget = 0, kMovieStopFade = 1, kMovieStopWait = 2, kMovieStopBlock = 3;
}  // namespace field

}  // namespace kuzo
