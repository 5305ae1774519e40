// The named command ids against the command table: each code names the command class of its
// number, each named field position holds the field of that name, and the kinds creating commands make.
#include "script/command_codes.h"

#include <gtest/gtest.h>

#include <set>

#include <string>

#include "scene/kuzo_object.h"
#include "script/command.h"
#include "script/scene_component_host.h"

namespace kuzo {
namespace {

std::string FieldName(CommandCode code, size_t position) {
  const CommandInfo& info = CommandInfoOf(Code(code));
  return position < info.fields.size() ? info.fields[position].name : "<none>";
}

TEST(CommandCodes, EachNameIsTheClassOfItsNumber) {
  EXPECT_STREQ(CommandInfoOf(Code(CommandCode::If)).className, "TComIf");
  EXPECT_STREQ(CommandInfoOf(Code(CommandCode::Wait)).className, "TComWait");
  EXPECT_STREQ(CommandInfoOf(Code(CommandCode::Flip)).className, "TComFlip");
  EXPECT_STREQ(CommandInfoOf(Code(CommandCode::ObjDel)).className, "TComObjDel");
  EXPECT_STREQ(CommandInfoOf(Code(CommandCode::CallHist)).className, "TComCallHist");
  EXPECT_STREQ(CommandInfoOf(Code(CommandCode::GameSave)).className, "TComGameSave");
  EXPECT_STREQ(CommandInfoOf(Code(CommandCode::ClrRead)).className, "TComClrRead");
  EXPECT_STREQ(CommandInfoOf(Code(CommandCode::CGCaption)).className, "TComCGCaption");
  EXPECT_STREQ(CommandInfoOf(Code(CommandCode::CabinetLoad)).className, "TComCabinetLoad");
  // Every table row sits at its own code and the class names follow the enumeration's names.
  for (int c = 0; c <= kMaxCommandType; ++c) EXPECT_EQ(CommandInfoOf(static_cast<uint8_t>(c)).code, c);
}

TEST(CommandCodes, NamedFieldPositionsHoldTheirFields) {
  using C = CommandCode;
  EXPECT_EQ(FieldName(C::Jump, field::kJumpPage), "page");
  EXPECT_EQ(FieldName(C::Jump, field::kJumpIndex), "index");
  EXPECT_EQ(FieldName(C::Jump, field::kJumpCond), "if");
  EXPECT_EQ(FieldName(C::Call, field::kCallPage), "page");
  EXPECT_EQ(FieldName(C::Call, field::kCallIndex), "index");
  EXPECT_EQ(FieldName(C::Call, field::kCallResult), "result");
  EXPECT_EQ(FieldName(C::Call, field::kCallCond), "if");
  EXPECT_EQ(FieldName(C::Call, field::kCallArgs), "with");
  EXPECT_EQ(FieldName(C::Wait, field::kWaitWhile), "while");
  EXPECT_EQ(FieldName(C::Wait, field::kWaitTime), "time");
  EXPECT_EQ(FieldName(C::Wait, field::kWaitBlock), "block");
  const char* flip[] = {"type", "time", "flag", "mode", "names", "clear", "param0", "param1", "text", "block"};
  const size_t flipAt[] = {field::kFlipType,  field::kFlipTime,   field::kFlipFlag,   field::kFlipMode,
                           field::kFlipNames, field::kFlipClear,  field::kFlipParam0, field::kFlipParam1,
                           field::kFlipText,  field::kFlipBlock};
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(FieldName(C::Flip, flipAt[i]), flip[i]);
  EXPECT_EQ(FieldName(C::VarNew, field::kVarName), "name");
  EXPECT_EQ(FieldName(C::VarNew, field::kVarType), "type");
  EXPECT_EQ(FieldName(C::VarNew, field::kVarValue), "value");
  EXPECT_EQ(FieldName(C::VarNew, field::kVarScope), "scope");
  EXPECT_EQ(FieldName(C::GetProp, field::kPropTarget), "target");
  EXPECT_EQ(FieldName(C::GetProp, field::kPropId), "prop");
  EXPECT_EQ(FieldName(C::GetProp, field::kGetPropInto), "into");
  EXPECT_EQ(FieldName(C::SetProp, field::kSetPropValue), "value");
  EXPECT_EQ(FieldName(C::While, field::kWhileCond), "while");
  EXPECT_EQ(FieldName(C::While, field::kWhileExit), "exit");
  EXPECT_EQ(FieldName(C::WhileLoop, field::kLoopExpr), "expr");
  EXPECT_EQ(FieldName(C::WhileLoop, field::kLoopTo), "to");
  EXPECT_EQ(FieldName(C::Break, field::kBreakCond), "if");
  EXPECT_EQ(FieldName(C::Continue, field::kBreakTo), "to");
  EXPECT_EQ(FieldName(C::GameSave, field::kSaveSlot), "slot");
  EXPECT_EQ(FieldName(C::GameSave, field::kSaveCaption), "caption");
  EXPECT_EQ(FieldName(C::GameSave, field::kSaveFlag), "flag");
  EXPECT_EQ(FieldName(C::GameSave, field::kSaveText), "text");
  EXPECT_EQ(FieldName(C::Reset, field::kResetPage), "page");
  EXPECT_EQ(FieldName(C::PCReset, field::kResetIndex), "index");
  EXPECT_EQ(FieldName(C::PCReset, field::kResetFull), "full");
  EXPECT_EQ(FieldName(C::CabinetSave, field::kCabinetInvert), "invert");
  EXPECT_EQ(FieldName(C::CabinetLoad, field::kCabinetNames), "names");
}

int32_t KindOf(CommandCode c) { return CommandInfoOf(Code(c)).createdKind; }

TEST(CommandCodes, CreatingCommandsMakeTheirKinds) {
  using C = CommandCode;
  EXPECT_EQ(KindOf(C::BoxNew), LT_BOX);
  EXPECT_EQ(KindOf(C::ImgNew), LT_IMAGES);
  EXPECT_EQ(KindOf(C::Caption), LT_LABEL);
  EXPECT_EQ(KindOf(C::CGCaption), LT_CGLABEL);
  EXPECT_EQ(KindOf(C::PrevMenuNew), LT_PREVMENU);
  // Cabinets carry property expressions but are made by their own rule, not by kind.
  EXPECT_EQ(KindOf(C::CabinetSave), LT_NONE);
  int creating = 0;
  std::set<int32_t> kinds;
  for (int c = 0; c <= kMaxCommandType; ++c) {
    const int32_t kind = CommandInfoOf(static_cast<uint8_t>(c)).createdKind;
    if (kind == LT_NONE) continue;
    ++creating;
    EXPECT_TRUE(kinds.insert(kind).second) << "two commands create kind " << kind;
    EXPECT_TRUE(CommandInfoOf(static_cast<uint8_t>(c)).createsComponent) << c;
    EXPECT_LT(kind, LT_CABINET);
  }
  EXPECT_EQ(creating, 22);
}

}  // namespace
}  // namespace kuzo
