// The title-source language compiler for pages. See docs/title-language.md for the language.
#include "authoring/page_compiler.h"

#include <algorithm>

#include "authoring/source_text.h"
#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "platform/cp932.h"
#include "scene/property_table.h"
#include "script/command_codes.h"
#include "script/scene_commands.h"
#include "text/nk_word.h"
#include "vars/param_collection.h"

namespace kuzo {
namespace {

using source::Lower;
using source::Trim;

constexpr int kTabWidth = 8;
constexpr std::string_view kSourceExt = ".kss";
constexpr std::string_view kPageExt = ".ksb";
// Lines of message text start with this mark.
constexpr char kMessageTextMark = '>';

namespace fld = field;
using C = CommandCode;

int PropertyIdOf(std::string_view word) {
  if (auto n = source::ParseNumber(word)) return (*n >= 0 && *n < kPropertyCount) ? *n : -1;
  const std::string w = Lower(word);
  for (int id = 0; id < kPropertyCount; ++id) {
    const std::string full = Lower(PropertyInfoOf(id).name);
    if (w == full || (full.size() > 3 && w == full.substr(3))) return id;
  }
  return -1;
}

struct OpenLoop {
  int depth;
  int whileIndex;              // index of the TComWhile
  int line;
  std::string step;            // step expression text
  bool explicitExit;
  std::vector<int> breaks;     // commands whose target is the loop's exit
  std::vector<int> continues;  // commands whose target is the loop's step
};

class Compilation {
 public:
  Compilation(const std::string& sourceName, const std::string& pageName, std::vector<LabelFixup>& fixups)
      : sourceName_(sourceName), page_(std::make_unique<TPage>()), fixups_(fixups) {
    page_->SetName(pageName);
  }

  std::unique_ptr<TPage> Run(std::string_view text) {
    size_t pos = 0;
    lineNo_ = 0;
    while (pos <= text.size()) {
      size_t nl = text.find('\n', pos);
      if (nl == std::string_view::npos) nl = text.size();
      ++lineNo_;
      CompileLine(text.substr(pos, nl - pos));
      pos = nl + 1;
    }
    FlushMessageText();
    CloseLoops(0);
    return std::move(page_);
  }

 private:
  [[noreturn]] void Fail(const std::string& msg) const {
    throw BuildError(sourceName_ + ":" + std::to_string(lineNo_) + ": " + msg);
  }
  std::string Where() const { return sourceName_ + ":" + std::to_string(lineNo_); }

  Expr Compile(std::string_view text) {
    try {
      return Expr::Compile(Trim(text));
    } catch (const KuzoError& e) {
      Fail("expression \"" + platform::Cp932ToUtf8(Trim(text)) + "\": " + platform::Cp932ToUtf8(e.what()));
    }
  }

  std::string Str(std::string_view text) {
    try {
      return source::ParseString(text);
    } catch (const std::invalid_argument& e) {
      Fail(e.what());
    }
  }

  int32_t Number(std::string_view text, const char* what) {
    auto n = source::ParseNumber(text);
    if (!n) Fail(std::string(what) + " must be a number, not \"" + platform::Cp932ToUtf8(Trim(text)) + "\"");
    return *n;
  }

  source::Clauses Split(std::string_view text, std::initializer_list<const char*> words) {
    return Split(text, std::vector<std::string>(words.begin(), words.end()));
  }
  source::Clauses Split(std::string_view text, const std::vector<std::string>& words) {
    try {
      return source::SplitClauses(text, words);
    } catch (const std::invalid_argument& e) {
      Fail(e.what());
    }
  }

  // The clause words of a command: the names of its record fields, except the one that takes the
  // text before the clauses.
  static std::vector<std::string> ClauseWords(C code, std::string_view mainField) {
    std::vector<std::string> words;
    for (const FieldSpec& spec : CommandInfoOf(Code(code)).fields)
      if (spec.name != mainField) words.emplace_back(spec.name);
    return words;
  }

  // A command whose fields are given by clauses named after them (the command table's field
  // names); the text before the clauses fills the field named `mainField`.
  TCommand& ByFieldNames(C code, const std::string& rest, std::string_view mainField) {
    const source::Clauses cl = Split(rest, ClauseWords(code, mainField));
    TCommand& c = Simple(Code(code));
    FillFields(c, cl, mainField);
    return c;
  }

  void FillFields(TCommand& c, const source::Clauses& cl, std::string_view mainField) {
    const CommandInfo& info = c.Info();
    for (size_t i = 0; i < info.fields.size(); ++i) {
      const FieldSpec& spec = info.fields[i];
      const bool isMain = spec.name == mainField;
      if (!isMain && !cl.Has(spec.name) && spec.kind != FieldKind::Expr && spec.kind != FieldKind::String) continue;
      const std::string text = isMain ? cl.main : cl.Get(spec.name);
      Field& f = c.fields[i];
      switch (spec.kind) {
        case FieldKind::Expr: f.expr = Compile(text); break;
        case FieldKind::String: f.text = Str(text); break;
        case FieldKind::S32:
        case FieldKind::Byte: f.number = Number(text, (std::string(info.keyword) + " " + spec.name).c_str()); break;
        case FieldKind::ExprList:
          for (const auto& item : source::SplitList(text)) f.list.push_back(Compile(item));
          break;
        case FieldKind::Blob: f.text = HexBytes(text); break;
      }
    }
  }

  // Indentation width of a line (a tab advances to the next multiple of eight).
  static int IndentOf(std::string_view line, size_t& bodyStart) {
    int w = 0;
    size_t i = 0;
    for (; i < line.size(); ++i) {
      if (line[i] == ' ') ++w;
      else if (line[i] == '\t') w = (w / kTabWidth + 1) * kTabWidth;
      else break;
    }
    bodyStart = i;
    return w;
  }

  // Block depth from indentation: deeper than the line before opens a level; a shallower line
  // must line up with an outer level.
  int DepthOf(int indent) {
    if (indents_.empty() || indent > indents_.back()) {
      indents_.push_back(indent);
    } else {
      while (!indents_.empty() && indents_.back() > indent) indents_.pop_back();
      if (indents_.empty() || indents_.back() != indent) Fail("indentation does not match any outer line");
    }
    return static_cast<int>(indents_.size()) - 1;
  }

  void CompileLine(std::string_view raw) {
    std::string line(raw);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t body = 0;
    const int indent = IndentOf(line, body);
    std::string text = Trim(std::string_view(line).substr(body));
    if (text.empty() || text[0] == '#') return;
    if (text[0] == kMessageTextMark) return MessageTextLine(std::string_view(line).substr(body + 1));
    FlushMessageText();
    if (text[0] == '%') return Directive(text.substr(1));

    const int depth = DepthOf(indent);
    CloseLoops(depth);

    uint8_t skip = 0, runOn = 1;
    int32_t lineNumber = lineNo_;
    while (!text.empty() && text[0] == '!') {
      auto [flag, rest] = source::FirstWord(text);
      const std::string f = Lower(flag);
      if (f == "!skip") skip = 1;
      else if (f == "!stop") runOn = 0;
      else if (f == "!run") runOn = 1;
      else if (f.rfind("!line=", 0) == 0) lineNumber = Number(f.substr(6), "!line");
      else Fail("unknown line flag \"" + flag + "\"");
      text = rest;
      if (text.empty()) Fail("a line flag needs a command after it");
    }
    header_ = {depth, skip, runOn, lineNumber};

    auto [word, rest] = source::FirstWord(text);
    const int code = CommandCodeOfKeyword(word);
    if (code < 0) {
      // A line that starts with no command word is an expression to evaluate.
      Expr e = Compile(text);
      Simple(Code(C::Calc)).fields[fld::kOnly].expr = std::move(e);
      return;
    }
    Command(static_cast<uint8_t>(code), rest);
  }

  struct Header {
    int depth;
    uint8_t skip, runOn;
    int32_t line;
  } header_{};

  TCommand& Simple(uint8_t code) {
    TCommand& c = page_->Append(code);
    c.depth = header_.depth;
    c.skip = header_.skip;
    c.runOn = header_.runOn;
    c.line = header_.line;
    return c;
  }
  int LastIndex() const { return page_->Count() - 1; }

  void NoArguments(uint8_t code, const std::string& rest) {
    if (!rest.empty()) Fail(std::string(CommandInfoOf(code).keyword) + " takes nothing after it");
    Simple(code);
  }

  // TARGET: [page][:label] or [page]@index.
  void Target(TCommand& c, size_t pageField, size_t indexField, std::string_view text) {
    std::string t = Str(text);
    std::string pagePart = t, label;
    int32_t index = 0;
    bool byLabel = false;
    const size_t at = t.rfind('@');
    const size_t colon = t.find(':');
    if (colon != std::string::npos) {
      pagePart = t.substr(0, colon);
      label = t.substr(colon + 1);
      byLabel = true;
      if (label.empty()) Fail("empty label in target \"" + platform::Cp932ToUtf8(t) + "\"");
    } else if (at != std::string::npos) {
      pagePart = t.substr(0, at);
      index = Number(t.substr(at + 1), "command index");
    }
    const std::string pageName = pagePart.empty() ? page_->Name() : StoredPageName(pagePart);
    if (pageName.empty()) Fail("missing target page");
    c.fields[pageField].text = pageName;
    c.fields[indexField].number = index;
    if (byLabel) fixups_.push_back({page_.get(), LastIndex(), static_cast<int>(indexField), pageName, label, Where()});
  }

  Expr CondOrTrue(const source::Clauses& cl) { return Compile(cl.Has("if") ? cl.Get("if") : "TRUE"); }

  void Command(uint8_t code, const std::string& rest) {
    const CommandInfo& info = CommandInfoOf(code);
    if (info.createsComponent) return Component(code, rest);
    switch (static_cast<C>(code)) {
      case C::If:
      case C::Elseif:
        if (rest.empty()) Fail(std::string(info.keyword) + " needs a condition");
        Simple(code).fields[fld::kOnly].expr = Compile(rest);
        return;
      case C::Else: return NoArguments(code, rest);
      case C::Label:
      case C::VarDel: {
        const std::string name = Str(rest);
        if (code == C::Label && name.empty()) Fail("label needs a name");
        Simple(code).fields[fld::kOnly].text = name;
        return;
      }
      case C::Comment: Simple(code).fields[fld::kOnly].text = rest; return;
      case C::Jump: {
        auto cl = Split(rest, {"if"});
        TCommand& c = Simple(code);
        c.fields[fld::kJumpCond].expr = CondOrTrue(cl);
        Target(c, fld::kJumpPage, fld::kJumpIndex, cl.main);
        return;
      }
      case C::Call: {
        auto cl = Split(rest, {"if", "into", "with"});
        TCommand& c = Simple(code);
        c.fields[fld::kCallCond].expr = CondOrTrue(cl);
        c.fields[fld::kCallResult].text = Str(cl.Get("into"));
        for (const auto& a : source::SplitList(cl.Get("with"))) c.fields[fld::kCallArgs].list.push_back(Compile(a));
        Target(c, fld::kCallPage, fld::kCallIndex, cl.main);
        return;
      }
      case C::Exit: {
        auto cl = Split(rest, {"if"});
        if (!cl.main.empty()) Fail("exit takes only an 'if' clause");
        Simple(code).fields[fld::kOnly].expr = CondOrTrue(cl);
        return;
      }
      case C::Wait: ByFieldNames(C::Wait, rest, "time"); return;
      case C::Flip: return Flip(rest);
      case C::Calc: Simple(code).fields[fld::kOnly].expr = Compile(rest); return;
      case C::VarNew: return VarNew(rest);
      case C::GetProp: {
        auto cl = Split(rest, {"into"});
        auto items = source::SplitList(cl.main);
        if (items.size() != 2) Fail("getprop needs: component, property into variable");
        TCommand& c = Simple(code);
        c.fields[fld::kPropTarget].expr = Compile(items[0]);
        c.fields[fld::kPropId].expr = PropertyExpr(items[1]);
        c.fields[fld::kGetPropInto].text = Str(cl.Get("into"));
        return;
      }
      case C::SetProp: {
        auto items = source::SplitList(rest);
        if (items.size() != 3) Fail("setprop needs: component, property, value");
        TCommand& c = Simple(code);
        c.fields[fld::kPropTarget].expr = Compile(items[0]);
        c.fields[fld::kPropId].expr = PropertyExpr(items[1]);
        c.fields[fld::kSetPropValue].expr = Compile(items[2]);
        return;
      }
      case C::ObjDel:
      case C::MenuClose:
      case C::TextClr:
      case C::GameLoad:
      case C::MediaPlay:
      case C::EntryHist: Simple(code).fields[fld::kOnly].expr = Compile(rest); return;
      case C::TextIns: return TextIns(rest);
      case C::MovieStop: ByFieldNames(C::MovieStop, rest, "target"); return;
      case C::ClrHist:
      case C::Terminate:
      case C::DoEvent:
      case C::ClrRead: return NoArguments(code, rest);
      case C::CallHist: ByFieldNames(C::CallHist, rest, "window"); return;
      case C::While: return While(rest);
      case C::WhileInit: Simple(code).fields[fld::kOnly].expr = Compile(rest); return;
      case C::WhileLoop: {
        auto cl = Split(rest, {"to"});
        if (!cl.Has("to")) Fail("whileloop needs 'to INDEX'");
        TCommand& c = Simple(code);
        c.fields[fld::kLoopExpr].expr = Compile(cl.main);
        c.fields[fld::kLoopTo].number = Number(cl.Get("to"), "whileloop target");
        return;
      }
      case C::Break:
      case C::Continue: return BreakContinue(code, rest);
      case C::GameSave: ByFieldNames(C::GameSave, rest, "slot"); return;
      case C::PCReset:
      case C::Reset: {
        auto [target, more] = source::FirstWord(rest);
        if (target.empty()) Fail(std::string(info.keyword) + " needs a target page");
        const std::string m = Lower(more);
        if (!m.empty() && m != "full") Fail("only 'full' may follow the target");
        TCommand& c = Simple(code);
        c.fields[fld::kResetFull].number = m == "full" ? 1 : 0;
        Target(c, fld::kResetPage, fld::kResetIndex, target);
        return;
      }
      case C::PropMotion: {
        auto items = source::SplitList(rest);
        if (items.size() != 6 && items.size() != 7)
          Fail("propmotion needs: name, target, property, value, time, kind [, paused]");
        TCommand& c = Simple(code);
        for (size_t i = 0; i < items.size(); ++i) {
          const bool isProperty = std::string_view(info.fields[i].name) == "prop";
          c.fields[i].expr = isProperty ? PropertyExpr(items[i]) : Compile(items[i]);
        }
        return;
      }
      default: Fail(std::string("command ") + info.keyword + " cannot be written here");
    }
  }

  // A property id: a PR_ name becomes its number; anything else is an expression.
  Expr PropertyExpr(std::string_view text) {
    const std::string t = Trim(text);
    if (Lower(t).rfind("pr_", 0) == 0) {
      const int id = PropertyIdOf(t);
      if (id < 0) Fail("unknown property \"" + t + "\"");
      return Compile(std::to_string(id));
    }
    return Compile(t);
  }

  std::string HexBytes(std::string_view text) {
    std::string out;
    std::string digits;
    for (char ch : text)
      if (ch != ' ' && ch != '\t') digits += ch;
    if (digits.size() % 2) Fail("glyphs needs an even number of hexadecimal digits");
    for (size_t i = 0; i < digits.size(); i += 2) {
      auto v = source::ParseNumber("0x" + digits.substr(i, 2));
      if (!v) Fail("glyphs holds a non-hexadecimal digit");
      out += static_cast<char>(*v);
    }
    return out;
  }

  void Component(uint8_t code, const std::string& rest) {
    const bool cabinet = code == C::CabinetSave || code == C::CabinetLoad;
    source::Clauses cl = cabinet ? Split(rest, ClauseWords(static_cast<C>(code), {})) : source::Clauses{rest, {}};
    TCommand& c = Simple(code);
    auto& sc = static_cast<TComSceneCommand&>(c);
    std::vector<std::pair<uint8_t, Expr>> props;
    for (const auto& item : source::SplitList(cl.main)) {
      const size_t eq = item.find('=');
      if (eq == std::string::npos) Fail("property \"" + platform::Cp932ToUtf8(item) + "\" needs '= value'");
      const std::string key = Trim(std::string_view(item).substr(0, eq));
      const int id = PropertyIdOf(key);
      if (id < 0) Fail("unknown property \"" + platform::Cp932ToUtf8(key) + "\"");
      for (const auto& p : props)
        if (p.first == id) Fail("property \"" + key + "\" given twice");
      props.emplace_back(static_cast<uint8_t>(id), Compile(std::string_view(item).substr(eq + 1)));
      page_->SetMaskBit(code, id, true);
    }
    std::sort(props.begin(), props.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    sc.props = std::move(props);
    // The text before a cabinet's clauses is its property list, no field.
    if (cabinet) FillFields(c, cl, {});
  }

  // text WINDOW [keepread E] [wait E] [block E] [glyphs HEX], followed by message text lines.
  // Missing flags: the window records read marks, the script waits until the window is emptied,
  // and events still run meanwhile.
  void TextIns(const std::string& rest) {
    const source::Clauses cl = Split(rest, ClauseWords(C::TextIns, "window"));
    TCommand& c = ByFieldNames(C::TextIns, rest, "window");
    if (!cl.Has("keepread")) c.fields[fld::kTextKeepRead].expr = Compile("TRUE");
    if (!cl.Has("wait")) c.fields[fld::kTextWait].expr = Compile("TRUE");
    if (!cl.Has("block")) c.fields[fld::kTextBlock].expr = Compile("FALSE");
    messageText_ = {LastIndex(), lineNo_, {}};
  }

  // One line of message text: the markup after the mark, less one blank that follows it.
  void MessageTextLine(std::string_view afterMark) {
    if (messageText_.command < 0) Fail("message text (>) must follow a text command or another text line");
    if (!afterMark.empty() && afterMark.front() == ' ') afterMark.remove_prefix(1);
    messageText_.lines.emplace_back(afterMark);
  }

  // Compiles the collected message text into the text command's stored glyph list.
  void FlushMessageText() {
    MessageText text = std::move(messageText_);
    messageText_ = {};
    if (text.lines.empty()) return;
    Field& glyphs = page_->At(text.command).fields[fld::kTextGlyphs];
    const int savedLine = lineNo_;
    lineNo_ = text.line;
    if (!glyphs.text.empty()) Fail("a text command takes either 'glyphs' or message text lines, not both");
    TNkWord word;
    word.TextDelay = textDelay_;
    try {
      word.SetText(text.lines);
    } catch (const KuzoError& e) {
      Fail("message text: " + platform::Cp932ToUtf8(e.what()));
    }
    ByteWriter w;
    word.WriteGlyphs(w);
    glyphs.text = w.Take();
    lineNo_ = savedLine;
  }

  void Flip(const std::string& rest) {
    auto cl = Split(rest, ClauseWords(C::Flip, {}));
    if (!cl.main.empty()) Fail("flip takes only clauses (type, time, flag, mode, names, clear, param0, param1, text, block)");
    TCommand& c = Simple(Code(C::Flip));
    FillFields(c, cl, {});
    // Without a mode the flip shows the screen built on the hidden base: only the listed
    // components come along (a flip whose mode yields nothing would move nothing and take no
    // snapshot for its transition).
    if (!cl.Has("mode")) c.fields[fld::kFlipMode].expr = Compile("1");
  }

  void VarNew(const std::string& rest) {
    std::string text = rest;
    int scope = 0;
    auto [first, after] = source::FirstWord(text);
    const std::string f = Lower(first);
    if (f == "global" || f == "frame" || f == "local" || f == "status") {
      scope = f == "global" ? 0 : f == "frame" ? 1 : f == "local" ? 2 : 3;
      text = after;
    } else if (f.rfind("scope:", 0) == 0) {
      scope = Number(f.substr(6), "scope");
      if (scope < 0 || scope > 255) Fail("scope must be 0..255");
      text = after;
    }
    auto [typeWord, afterType] = source::FirstWord(text);
    const std::string t = Lower(typeWord);
    int type;
    if (t == "int" || t == "integer") type = 1;
    else if (t == "float") type = 2;
    else if (t == "flag" || t == "bool") type = 3;
    else if (t == "str" || t == "string") type = 4;
    else if (auto n = source::ParseNumber(t); n && *n >= 0 && *n <= 255) type = *n;
    else Fail("unknown variable type \"" + typeWord + "\" (int, float, flag, str or a number)");
    // NAME [= value]; the name may be quoted to hold blanks or be empty.
    std::string nameText = afterType, init;
    size_t eq = std::string::npos;
    if (!nameText.empty() && nameText[0] == '"') {
      size_t close = 1;
      while (close < nameText.size() && nameText[close] != '"') close += nameText[close] == '\\' ? 2 : 1;
      eq = nameText.find('=', close);
    } else {
      eq = nameText.find('=');
    }
    if (eq != std::string::npos) {
      init = nameText.substr(eq + 1);
      nameText = nameText.substr(0, eq);
    }
    if (Trim(nameText).empty()) Fail("var needs a name");
    TCommand& c = Simple(Code(C::VarNew));
    c.fields[fld::kVarName].text = Str(nameText);
    c.fields[fld::kVarType].number = type;
    c.fields[fld::kVarValue].expr = Compile(init);
    c.fields[fld::kVarScope].number = scope;
  }

  void While(const std::string& rest) {
    auto cl = Split(rest, {"init", "step", "exit"});
    if (cl.main.empty()) Fail("while needs a condition");
    if (cl.Has("init")) Simple(Code(C::WhileInit)).fields[fld::kOnly].expr = Compile(cl.Get("init"));
    TCommand& c = Simple(Code(C::While));
    c.fields[fld::kWhileCond].expr = Compile(cl.main);
    OpenLoop loop{header_.depth, LastIndex(), header_.line, cl.Get("step"), cl.Has("exit"), {}, {}};
    if (loop.explicitExit) c.fields[fld::kWhileExit].number = Number(cl.Get("exit"), "while exit");
    loops_.push_back(std::move(loop));
  }

  void BreakContinue(uint8_t code, const std::string& rest) {
    auto cl = Split(rest, {"if", "to"});
    if (!cl.main.empty()) Fail(std::string(CommandInfoOf(code).keyword) + " takes only 'if' and 'to' clauses");
    TCommand& c = Simple(code);
    c.fields[fld::kBreakCond].expr = CondOrTrue(cl);
    if (cl.Has("to")) {
      c.fields[fld::kBreakTo].number = Number(cl.Get("to"), "target");
    } else if (loops_.empty()) {
      c.fields[fld::kBreakTo].number = -1;  // outside a loop the page ends
    } else {
      (code == C::Break ? loops_.back().breaks : loops_.back().continues).push_back(LastIndex());
    }
  }

  // Ends every loop whose body is deeper than a line at `depth`: emits its step command, which
  // jumps back to the loop's test, and fills in the exit and continue targets.
  void CloseLoops(int depth) {
    while (!loops_.empty() && loops_.back().depth >= depth) {
      OpenLoop loop = std::move(loops_.back());
      loops_.pop_back();
      const Header saved = header_;
      header_ = {loop.depth, 0, 1, loop.line};
      TCommand& step = Simple(Code(C::WhileLoop));
      header_ = saved;
      step.fields[fld::kLoopExpr].expr = Compile(loop.step);
      step.fields[fld::kLoopTo].number = loop.whileIndex;
      const int stepIndex = LastIndex();
      if (!loop.explicitExit) page_->At(loop.whileIndex).fields[fld::kWhileExit].number = stepIndex + 1;
      for (int b : loop.breaks) page_->At(b).fields[fld::kBreakTo].number = stepIndex + 1;
      for (int k : loop.continues) page_->At(k).fields[fld::kBreakTo].number = stepIndex;
    }
  }

  void Directive(const std::string& text) {
    if (page_->Count() > 0) Fail("page settings (%) come before the first command");
    auto [word, rest] = source::FirstWord(text);
    const std::string w = Lower(word);
    if (w == "version") {
      const int32_t v = Number(rest, "page version");
      if (v < 0) Fail("page version must not be negative");
      page_->SetVersion(static_cast<uint32_t>(v));
    } else if (w == "result") {
      const std::string t = Lower(rest);
      int type = t == "int" ? 1 : t == "float" ? 2 : t == "flag" ? 3 : t == "str" ? 4 : -1;
      if (type < 0) type = Number(rest, "result type");
      if (type < 0 || type > 255) Fail("result type must be 0..255");
      page_->SetResultType(static_cast<uint8_t>(type));
    } else if (w == "mask") {
      auto [typeWord, props] = source::FirstWord(rest);
      int code = CommandCodeOfKeyword(typeWord);
      if (code < 0) {
        auto n = source::ParseNumber(typeWord);
        if (!n || *n < 0 || *n > kMaxCommandType) Fail("unknown command type \"" + typeWord + "\"");
        code = *n;
      }
      std::string list = props;
      for (char& ch : list)
        if (ch == ',' || ch == '\t') ch = ' ';
      size_t i = 0;
      while (i < list.size()) {
        while (i < list.size() && list[i] == ' ') ++i;
        size_t j = i;
        while (j < list.size() && list[j] != ' ') ++j;
        if (j == i) break;
        const std::string p = list.substr(i, j - i);
        const int id = PropertyIdOf(p);
        if (id < 0) Fail("unknown property \"" + p + "\"");
        page_->SetMaskBit(static_cast<uint8_t>(code), id, true);
        i = j;
      }
    } else if (w == "textdelay") {
      const int32_t v = Number(rest, "text delay");
      if (v < 0) Fail("text delay must not be negative");
      textDelay_ = v;
    } else {
      Fail("unknown page setting \"%" + word + "\" (version, result, mask, textdelay)");
    }
  }

  std::string sourceName_;
  std::unique_ptr<TPage> page_;
  std::vector<LabelFixup>& fixups_;
  std::vector<int> indents_;
  std::vector<OpenLoop> loops_;
  int lineNo_ = 0;
  // Message text lines being collected for the text command `command` (written at `line`).
  struct MessageText {
    int command = -1;
    int line = 0;
    std::vector<std::string> lines;
  } messageText_;
  // The typing delay message text is compiled with ("@TextDelay" as the player starts).
  int32_t textDelay_ = kInitialTextDelay;
};

}  // namespace

std::string PageNameOfSource(std::string_view relativeSource) {
  std::string name(relativeSource);
  for (char& c : name)
    if (c == '/') c = '\\';
  return StoredPageName(name);
}

std::string StoredPageName(std::string_view written) {
  std::string name(written);
  for (char& c : name)
    if (c == '/') c = '\\';
  if (name.size() >= kSourceExt.size() && Lower(name.substr(name.size() - kSourceExt.size())) == kSourceExt)
    name = name.substr(0, name.size() - kSourceExt.size()) + std::string(kPageExt);
  return name;
}

std::unique_ptr<TPage> PageCompiler::Compile(const std::string& sourceName, const std::string& pageName,
                                             std::string_view text, std::vector<LabelFixup>& fixups) {
  return Compilation(sourceName, pageName, fixups).Run(text);
}

void ResolveFixups(const std::vector<std::unique_ptr<TPage>>& pages, const std::vector<LabelFixup>& fixups) {
  for (const auto& f : fixups) {
    const TPage* target = nullptr;
    for (const auto& p : pages)
      if (sjis::EqualsNoCase(p->Name(), f.targetPage)) target = p.get();
    if (!target)
      throw BuildError(f.where + ": page \"" + platform::Cp932ToUtf8(f.targetPage) + "\" is not part of the title");
    const int at = target->FindLabel(f.label);
    if (at < 0)
      throw BuildError(f.where + ": no label \"" + platform::Cp932ToUtf8(f.label) + "\" in " +
                       platform::Cp932ToUtf8(f.targetPage));
    f.page->At(f.command).fields[static_cast<size_t>(f.field)].number = at;
  }
}

}  // namespace kuzo
