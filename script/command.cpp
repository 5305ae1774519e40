// Record layouts of the 61 command types, the common header, and the running-state signature.
#include "script/command.h"

#include <cctype>

#include "core/errors.h"
#include "script/call_man.h"

namespace kuzo {
namespace {

using K = FieldKind;

// Versions above which version-gated fields are present.
constexpr uint32_t kTextParamAbove = 100;
constexpr uint32_t kSaveFlagAbove = 104;
constexpr uint32_t kBlocksEventsAbove = 106;
constexpr uint32_t kPausedAbove = 107;

std::vector<CommandInfo> BuildInfoTable() {
  const std::vector<FieldSpec> none;
  const std::vector<FieldSpec> cond = {{K::Expr, "if"}};
  const std::vector<FieldSpec> comp = {{K::Expr, "target"}};
  const std::vector<FieldSpec> reset = {{K::String, "page"}, {K::S32, "index"}, {K::Byte, "full"}};
  const std::vector<FieldSpec> cabinet = {{K::Expr, "invert"}, {K::ExprList, "names"}};
  std::vector<CommandInfo> t = {
      {0, "TComIf", "if", false, cond},
      {1, "TComElseif", "elseif", false, cond},
      {2, "TComElse", "else", false, none},
      {3, "TComLabel", "label", false, {{K::String, "name"}}},
      {4, "TComJump", "jump", false, {{K::String, "page"}, {K::S32, "index"}, {K::Expr, "if"}}},
      {5, "TComCall", "call", false,
       {{K::String, "page"}, {K::S32, "index"}, {K::String, "result"}, {K::Expr, "if"}, {K::ExprList, "with"}}},
      {6, "TComExit", "exit", false, cond},
      {7, "TComWait", "wait", false,
       {{K::Expr, "while"}, {K::Expr, "time"}, {K::Expr, "block", kBlocksEventsAbove}}},
      {8, "TComBoxNew", "box", true, none, LT_BOX},
      {9, "TComImgNew", "image", true, none, LT_IMAGES},
      {10, "TComMesNew", "message", true, none, LT_MES},
      {11, "TComTimer", "timer", true, none, LT_TIMER},
      {12, "TComMovie", "movie", true, none, LT_VIDEO},
      {13, "TComFlip", "flip", false,
       {{K::Expr, "type"}, {K::Expr, "time"}, {K::Expr, "flag"}, {K::Expr, "mode"}, {K::ExprList, "names"},
        {K::Expr, "clear"}, {K::Expr, "param0"}, {K::Expr, "param1"}, {K::Expr, "text", kTextParamAbove},
        {K::Expr, "block", kBlocksEventsAbove}}},
      {14, "TComCalc", "calc", false, {{K::Expr, "expr"}}},
      {15, "TComVarNew", "var", false,
       {{K::String, "name"}, {K::Byte, "type"}, {K::Expr, "value"}, {K::Byte, "scope"}}},
      {16, "TComVarDel", "vardel", false, {{K::String, "name"}}},
      {17, "TComGetProp", "getprop", false, {{K::Expr, "target"}, {K::Expr, "prop"}, {K::String, "into"}}},
      {18, "TComSetProp", "setprop", false, {{K::Expr, "target"}, {K::Expr, "prop"}, {K::Expr, "value"}}},
      {19, "TComObjDel", "delete", false, comp},
      {20, "TComTextIns", "text", false,
       {{K::Blob, "glyphs"}, {K::Expr, "window"}, {K::Expr, "keepread"}, {K::Expr, "wait"},
        {K::Expr, "block", kBlocksEventsAbove}}},
      {21, "TComMovieStop", "moviestop", false,
       {{K::Expr, "target"}, {K::Expr, "fade"}, {K::Expr, "wait"}, {K::Expr, "block", kBlocksEventsAbove}}},
      {22, "TComClrHist", "clearhistory", false, none},
      {23, "TComCinema", "cinema", true, none, LT_CINEMA},
      {24, "TComCaption", "caption", true, none, LT_LABEL},
      {25, "TComMenu", "menu", true, none, LT_MENU},
      {26, "TComMenuClose", "menuclose", false, comp},
      {27, "TComComment", "comment", false, {{K::String, "text"}}},
      {28, "TComTextClr", "textclear", false, {{K::Expr, "window"}}},
      {29, "TComCallHist", "callhistory", false,
       {{K::Expr, "window"}, {K::Expr, "first"}, {K::Expr, "count"}, {K::Expr, "flag"}}},
      {30, "TComBtnNew", "button", true, none, LT_BUTTON},
      {31, "TComWhile", "while", false, {{K::Expr, "while"}, {K::S32, "exit"}}},
      {32, "TComWhileInit", "whileinit", false, {{K::Expr, "expr"}}},
      {33, "TComWhileLoop", "whileloop", false, {{K::Expr, "expr"}, {K::S32, "to"}}},
      {34, "TComBreak", "break", false, {{K::Expr, "if"}, {K::S32, "to"}}},
      {35, "TComContinue", "continue", false, {{K::Expr, "if"}, {K::S32, "to"}}},
      {36, "TComParticleNew", "particle", true, none, LT_PARTICLE},
      {37, "TComFireNew", "fire", true, none, LT_FIRE},
      {38, "TComGameSave", "gamesave", false,
       {{K::Expr, "slot"}, {K::String, "caption"}, {K::S32, "flag", kSaveFlagAbove}, {K::Expr, "text"}}},
      {39, "TComGameLoad", "gameload", false, {{K::Expr, "slot"}}},
      {40, "TComPCReset", "pcreset", false, reset},
      {41, "TComReset", "reset", false, reset},
      {42, "TComSound", "sound", true, none, LT_SOUND},
      {43, "TComEditNew", "edit", true, none, LT_EDIT},
      {44, "TComMemoNew", "memo", true, none, LT_MEMO},
      {45, "TComTerminate", "terminate", false, none},
      {46, "TComDoEvent", "doevent", false, none},
      {47, "TComClrRead", "clearread", false, none},
      {48, "TComMapImgNew", "mapimage", true, none, LT_MAPIMG},
      {49, "TComWaveNew", "wave", true, none, LT_WAVE},
      {50, "TComTileNew", "tile", true, none, LT_TILE},
      {51, "TComSliderNew", "slider", true, none, LT_SLIDER},
      {52, "TComScrollbarNew", "scrollbar", true, none, LT_SCROLLBAR},
      {53, "TComGaugeNew", "gauge", true, none, LT_GAUGE},
      {54, "TComCGCaption", "cgcaption", true, none, LT_CGLABEL},
      {55, "TComMediaPlay", "mediaplay", false, comp},
      {56, "TComPrevMenuNew", "prevmenu", true, none, LT_PREVMENU},
      {57, "TComPropMotion", "propmotion", false,
       {{K::Expr, "name"}, {K::Expr, "target"}, {K::Expr, "prop"}, {K::Expr, "value"}, {K::Expr, "time"},
        {K::Expr, "kind"}, {K::Expr, "paused", kPausedAbove}}},
      {58, "TComEntryHist", "entryhistory", false, comp},
      {59, "TComCabinetSave", "cabinetsave", true, cabinet},
      {60, "TComCabinetLoad", "cabinetload", true, cabinet},
  };
  return t;
}

const std::vector<CommandInfo>& InfoTable() {
  static const std::vector<CommandInfo> table = BuildInfoTable();
  return table;
}

// An expression takes at least its 4-byte operation count.
constexpr size_t kMinExprBytes = 4;

}  // namespace

const CommandInfo& CommandInfoOf(uint8_t code) {
  if (code > kMaxCommandType) throw KuzoError("不正なコマンド");
  return InfoTable()[code];
}

int CommandCodeOfKeyword(std::string_view word) {
  for (const auto& info : InfoTable()) {
    std::string_view k = info.keyword;
    if (k.size() != word.size()) continue;
    bool same = true;
    for (size_t i = 0; i < k.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(word[i])) == k[i];
    if (same) return info.code;
  }
  return -1;
}

void WriteStateSignature(ByteWriter& w) {
  w.Bytes(kStateSignature);
  w.Bytes(std::to_string(kStateVersion));
}

int ReadStateVersion(ByteReader& r) {
  if (r.Remaining() < 7) return 0;
  auto head = r.View(7, "state signature");
  if (std::string_view(reinterpret_cast<const char*>(head.data()), 4) != kStateSignature) {
    r.Seek(r.Position() - 7);
    return 0;
  }
  int v = 0;
  for (int i = 4; i < 7; ++i) {
    const int d = head[i] - '0';
    if (d < 0 || d > 9) r.Fail("state signature", "version digits are not decimal");
    v = v * 10 + d;
  }
  return v;
}

TCommand::TCommand(TPage* page, uint8_t code) : page_(page), code_(code) {
  fields.resize(CommandInfoOf(code).fields.size());
}

void TCommand::Load(ByteReader& r, uint32_t version) {
  depth = r.I32("command depth");
  skip = r.U8("command skip flag");
  runOn = r.U8("command run-on flag");
  line = r.I32("command line");
  LoadFields(r, version);
}

void TCommand::Write(ByteWriter& w, uint32_t version) const {
  w.I32(depth);
  w.U8(skip);
  w.U8(runOn);
  w.I32(line);
  WriteFields(w, version);
}

void TCommand::LoadFields(ByteReader& r, uint32_t version) {
  const auto& specs = Info().fields;
  for (size_t i = 0; i < specs.size(); ++i) {
    const FieldSpec& s = specs[i];
    if (version <= s.presentAbove) continue;
    Field& f = fields[i];
    switch (s.kind) {
      case K::Expr: f.expr.Read(r); break;
      case K::String: f.text = r.String(s.name); break;
      case K::S32: f.number = r.I32(s.name); break;
      case K::Byte: f.number = r.U8(s.name); break;
      case K::ExprList: {
        const uint32_t n = r.Count(kMinExprBytes, s.name);
        f.list.clear();
        f.list.reserve(n);
        for (uint32_t k = 0; k < n; ++k) f.list.emplace_back().Read(r);
        break;
      }
      case K::Blob: {
        const uint32_t n = r.Count(1, s.name);
        f.text = r.Bytes(n, s.name);
        break;
      }
    }
  }
}

void TCommand::WriteFields(ByteWriter& w, uint32_t version) const {
  const auto& specs = Info().fields;
  for (size_t i = 0; i < specs.size(); ++i) {
    const FieldSpec& s = specs[i];
    if (version <= s.presentAbove) continue;
    const Field& f = fields[i];
    switch (s.kind) {
      case K::Expr: f.expr.Write(w); break;
      case K::String: w.String(f.text); break;
      case K::S32: w.I32(f.number); break;
      case K::Byte: w.U8(static_cast<uint8_t>(f.number)); break;
      case K::ExprList:
        w.U32(static_cast<uint32_t>(f.list.size()));
        for (const Expr& e : f.list) e.Write(w);
        break;
      case K::Blob:
        w.U32(static_cast<uint32_t>(f.text.size()));
        w.Bytes(f.text);
        break;
    }
  }
}

void TCommand::Execute(TCallMan& cm) { cm.pc += 1; }

}  // namespace kuzo
