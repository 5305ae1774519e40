// Component commands carried out on the scene.
#include "script/scene_component_host.h"

#include "components/history_store.h"
#include "components/kuzo_images.h"
#include "components/kuzo_mes.h"
#include "core/errors.h"
#include "core/host_state.h"
#include "scene/kuzo_base_list.h"
#include "script/page.h"
#include "script/call_man.h"
#include "script/command_codes.h"
#include "vars/param.h"
#include "vars/param_collection.h"

namespace kuzo {

namespace {

constexpr const char* kBadPropertyError = "プロパティ指定が不正です";
constexpr int32_t kMaxTransitionType = 38;
// Play states set after creation.
constexpr int32_t kPlayStateOpen = 1;
constexpr int32_t kPlayStateStopped = 0;
constexpr int32_t kPlayStateClose = 3;
// Flip states: 3 not yet switched, 4 waiting for the scene's transition to end (the bases are
// switched). Every flip switches at its first visit, so its transition is timed from the tick the
// flip was reached and the script goes on in the first tick at or after that time plus the duration.
constexpr int32_t kFlipNoTransition = 3;
constexpr int32_t kFlipWaiting = 4;

using field::kCabinetInvert;
using field::kCabinetNames;
using field::kFlipBlock;
using field::kFlipClear;
using field::kFlipFlag;
using field::kFlipMode;
using field::kFlipNames;
using field::kFlipParam0;
using field::kFlipParam1;
using field::kFlipText;
using field::kFlipTime;
using field::kFlipType;
using field::kTextBlock;
using field::kTextGlyphs;
using field::kTextKeepRead;
using field::kTextWait;
using field::kTextWindow;

struct FlipState : SceneCommandState {
  int32_t state = 0;
  int32_t kind = 0;
  bool flag = false;
  int32_t duration = 1;
  bool clearOld = false;
  bool blocks = false;
  bool eventPoint = false;
  // Parameters 0 and 1 and the text parameter, when the record gives them.
  std::optional<int32_t> param0;
  std::optional<int32_t> param1;
  std::optional<std::string> text;
};

// The text-insert command's state: the window it filled, whether it waits for the window to be
// emptied, and whether events are held meanwhile.
struct TextInsState : SceneCommandState {
  ComponentHandle window;
  bool waiting = false;
  bool blocks = false;
};

TextInsState& TextInsStateOf(TComSceneCommand& cmd) {
  if (!dynamic_cast<TextInsState*>(cmd.state.get())) cmd.state = std::make_unique<TextInsState>();
  return static_cast<TextInsState&>(*cmd.state);
}

FlipState& FlipStateOf(TComSceneCommand& cmd) {
  if (!dynamic_cast<FlipState*>(cmd.state.get())) cmd.state = std::make_unique<FlipState>();
  return static_cast<FlipState&>(*cmd.state);
}

PropValue EvalAs(Expr& e, TParamCollection& vars, PropType type, bool& present) {
  present = true;
  switch (type) {
    case PT_INT:
      if (auto v = e.EvalInt(vars)) return *v;
      break;
    case PT_FLOAT:
      if (auto v = e.EvalFloat(vars)) return *v;
      break;
    case PT_BOOL:
      if (auto v = e.EvalFlag(vars)) return *v;
      break;
    default:
      if (auto v = e.EvalText(vars)) return *v;
      break;
  }
  present = false;
  return EmptyPropValue(type);
}

// Names listed by a command: each expression yields text with one name per line.
std::vector<std::string> NameLines(std::vector<Expr>& list, TParamCollection& vars) {
  std::vector<std::string> names;
  for (Expr& e : list) {
    std::string text = e.EvalText(vars).value_or("");
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      names.push_back(line);
      start = end + 1;
    }
  }
  return names;
}

bool Listed(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names)
    if (n == name) return true;
  return false;
}

void StoreInto(TCustomParam& param, const PropValue& v) {
  if (auto* i = std::get_if<int32_t>(&v)) {
    param.SetInteger(*i);
  } else if (auto* f = std::get_if<long double>(&v)) {
    param.SetFloat(*f);
  } else if (auto* b = std::get_if<bool>(&v)) {
    param.SetBoolean(*b);
  } else {
    param.SetString(std::get<std::string>(v));
  }
}

int32_t RequirePropertyId(Expr& e, TParamCollection& vars) {
  auto id = e.EvalInt(vars);
  if (!id) throw KuzoError(kBadPropertyError);
  return *id;
}

}  // namespace

TKuzoMes* SceneComponentHost::MessageWindow(const std::string& name) const {
  return dynamic_cast<TKuzoMes*>(scene_.FindComponent(name));
}

void SceneComponentHost::TextInsBegin(TComSceneCommand& cmd, TCallMan& cm) {
  TParamCollection& vars = cm.Vars();
  TextInsState& st = TextInsStateOf(cmd);
  st = TextInsState{};
  st.blocks = cmd.ExprField(kTextBlock).EvalFlag(vars).value_or(false);
  if (!cmd.fields[kTextGlyphs].text.empty()) {
    TKuzoMes* mes = MessageWindow(cmd.ExprField(kTextWindow).EvalText(vars).value_or(""));
    if (mes) {
      const bool keepRead = cmd.ExprField(kTextKeepRead).EvalFlag(vars).value_or(false);
      TPage* page = cmd.Page();
      const std::string file = page ? page->Name() : std::string();
      const int32_t index = page ? page->IndexOf(&cmd) : -1;
      mes->InsertGlyphs(cmd.fields[kTextGlyphs].text, file, index, keepRead);
      if (mes->GetCount() > 0) mes->SetIndex(0);
      st.window = mes->Handle();
    }
  }
  st.waiting = cmd.ExprField(kTextWait).EvalFlag(vars).value_or(false);
}

void SceneComponentHost::TextInsExecute(TComSceneCommand& cmd, TCallMan& cm) {
  TextInsState& st = TextInsStateOf(cmd);
  auto* mes = dynamic_cast<TKuzoMes*>(scene_.Resolve(st.window));
  // Waiting lasts while the window still holds pages; scripts empty it (text clear) or fill it anew.
  if (!mes || !st.waiting || mes->GetCount() == 0)
    cm.pc += 1;
  else
    cm.run = false;  // the text command goes on: the tick ends here
}

void SceneComponentHost::Begin(TComSceneCommand& cmd, TCallMan& cm) {
  if (cmd.TypeCode() == CommandCode::MovieStop) {
    MovieStopBegin(cmd, cm);
    return;
  }
  if (cmd.TypeCode() == CommandCode::TextIns) {
    TextInsBegin(cmd, cm);
    return;
  }
  if (cmd.TypeCode() != Code(CommandCode::Flip)) return;
  TParamCollection& vars = cm.Vars();
  FlipState& st = FlipStateOf(cmd);
  st = FlipState{};
  int32_t type = cmd.ExprField(kFlipType).EvalInt(vars).value_or(0);
  if (type < 0 || type > kMaxTransitionType) type = 0;
  const std::optional<int32_t> time = cmd.ExprField(kFlipTime).EvalInt(vars);
  // A flip without time (none, or 0 and below) swaps at once, without its transition.
  st.kind = time && *time > 0 ? type : 0;
  st.duration = std::max(time.value_or(1), 1);
  st.flag = cmd.ExprField(kFlipFlag).EvalFlag(vars).value_or(false);
  st.blocks = cmd.ExprField(kFlipBlock).EvalFlag(vars).value_or(false);
  st.clearOld = cmd.ExprField(kFlipClear).EvalFlag(vars).value_or(false);
  st.param0 = cmd.ExprField(kFlipParam0).EvalInt(vars);
  st.param1 = cmd.ExprField(kFlipParam1).EvalInt(vars);
  st.text = cmd.ExprField(kFlipText).EvalText(vars);
  st.eventPoint = time && *time > 0;
  const std::optional<int32_t> mode = cmd.ExprField(kFlipMode).EvalInt(vars);
  std::vector<std::string> names = NameLines(cmd.fields[kFlipNames].list, vars);
  st.state = kFlipNoTransition;
  if (!mode) return;  // nothing moves; the bases still swap
  TKuzoBase* active = scene_.ActiveBase();
  const std::vector<TKuzoControl*> children = active->Children();
  for (size_t i = children.size(); i-- > 0;) {
    TKuzoControl* child = children[i];
    if (child->GetName() == std::string("\x01\x01", 2)) continue;
    const bool listed = Listed(names, child->GetName());
    if ((*mode == 0 && !listed) || (*mode == 1 && listed)) child->SetParent(scene_.InactiveBase());
  }
}

void SceneComponentHost::FlipSwitch(TComSceneCommand& cmd) {
  FlipState& st = FlipStateOf(cmd);
  scene_.SetActiveBase(scene_.ActiveIndex() ^ 1,
                       TransitionRequest{st.kind, st.flag, st.duration, st.param0, st.param1, st.text});
  // Until the flip goes on, a saved game shows the old screen and its flip (restored without a
  // transition) switches again.
  scene_.HoldSwitch();
  st.state = kFlipWaiting;
}

void SceneComponentHost::FlipFinish(TComSceneCommand& cmd) {
  FlipState& st = FlipStateOf(cmd);
  if (st.state == kFlipWaiting) {
    scene_.EndTransition();
    scene_.ReleaseSwitch();
  } else {
    scene_.SetActiveBase(scene_.ActiveIndex() ^ 1);
  }
  if (st.clearOld) {
    const std::vector<TKuzoControl*> old = scene_.InactiveBase()->Children();
    for (TKuzoControl* c : old)
      if (!c->IsCabinet()) c->Delete();
  }
  st.state = 0;
}

void SceneComponentHost::FlipExecute(TComSceneCommand& cmd, TCallMan& cm) {
  FlipState& st = FlipStateOf(cmd);
  // The switch hands the transition to the scene; the flip waits until the scene has ended it.
  if (st.state != kFlipWaiting) FlipSwitch(cmd);
  if (scene_.TransitionRunning()) {
    cm.run = false;  // the flip goes on: the tick ends here
    return;
  }
  FlipFinish(cmd);
  cm.pc += 1;
}

void SceneComponentHost::Abort(TComSceneCommand& cmd, TCallMan&) {
  if (cmd.TypeCode() == CommandCode::Flip) FlipFinish(cmd);
}

void SceneComponentHost::Execute(TComSceneCommand& cmd, TCallMan& cm) {
  const uint8_t code = cmd.TypeCode();
  if (code == CommandCode::Flip) {
    FlipExecute(cmd, cm);
    return;
  }
  if (code == CommandCode::TextIns) {
    TextInsExecute(cmd, cm);
    return;
  }
  if (code == CommandCode::MovieStop) {
    MovieStopExecute(cmd, cm);
    return;
  }
  cm.pc += 1;
  TParamCollection& vars = cm.Vars();
  if (int32_t kind = CommandInfoOf(code).createdKind; kind != LT_NONE) {
    CreateComponent(cmd, cm, kind);
    return;
  }
  switch (static_cast<CommandCode>(code)) {
    case CommandCode::GetProp: GetProp(cmd, cm); break;
    case CommandCode::SetProp: SetProp(cmd, cm); break;
    case CommandCode::ObjDel: {
      const std::string name = cmd.ExprField(field::kOnly).EvalText(vars).value_or("");
      if (name.empty()) break;
      if (TKuzoObject* obj = scene_.FindComponent(name)) obj->Delete();
      break;
    }
    case CommandCode::MenuClose:
      if (TKuzoObject* obj = scene_.FindComponent(cmd.ExprField(field::kOnly).EvalText(vars).value_or("")))
        obj->SetPlayState(kPlayStateClose);
      break;
    case CommandCode::MediaPlay:
      if (TKuzoObject* obj = scene_.FindComponent(cmd.ExprField(field::kOnly).EvalText(vars).value_or("")))
        obj->Play();
      break;
    case CommandCode::TextClr:
      if (TKuzoMes* mes = MessageWindow(cmd.ExprField(field::kOnly).EvalText(vars).value_or(""))) mes->ClearText();
      break;
    case CommandCode::EntryHist: EntryHistory(cmd, cm); break;
    case CommandCode::CallHist: CallHistory(cmd, cm); break;
    case CommandCode::CabinetSave: Cabinet(cmd, cm, true); break;
    case CommandCode::CabinetLoad: Cabinet(cmd, cm, false); break;
    default: break;  // history, text, movie stop and motion commands belong to their components
  }
}

TKuzoObject* SceneComponentHost::CreateComponent(TComSceneCommand& cmd, TCallMan& cm, int32_t kind) {
  TKuzoObject* obj = scene_.CreateByKind(kind);
  if (!obj) {  // a kind this build does not have yet
    if (HostState* host = cm.Services().host) host->ReportMissing(std::string("component ") + KindConstantName(kind));
    return nullptr;
  }
  const ComponentHandle handle = obj->Handle();
  TParamCollection& vars = cm.Vars();
  auto* control = obj->IsControl() ? static_cast<TKuzoControl*>(obj) : nullptr;
  for (uint8_t id : PropertyApplicationOrder()) {
    Expr* e = cmd.PropExpr(id);
    // The parent comes right after the name: the control joins its siblings' order under its final
    // name. A record without a parent expression leaves the control without a parent (not shown)
    // until one is set; an expression naming nothing, or no control, means the active base.
    if (id == PR_PARENT) {
      if (!control || !e) continue;
      bool present = false;
      PropValue v = EvalAs(*e, vars, PT_STR, present);
      if (!scene_.IsAlive(handle)) return nullptr;
      TKuzoControl* parent = present ? scene_.FindParent(std::get<std::string>(v)) : nullptr;
      control->SetParent(parent ? parent : scene_.ActiveBase());
      // A control named as its own parent is refused that parent; it must not stay detached.
      if (!control->Parent()) control->SetParent(scene_.ActiveBase());
      continue;
    }
    // The appear-position setters always raise; skipping them lets the later properties apply.
    if (!e || IsWriteRaisingProperty(id)) continue;
    bool present = false;
    PropValue v = EvalAs(*e, vars, PropertyType(id), present);
    if (!scene_.IsAlive(handle)) return nullptr;  // an expression removed it meanwhile
    // Records hold an expression for every property any command of the page uses; one that
    // yields nothing leaves the component's own default in place.
    if (!present) continue;
    SetPropertyValue(*obj, id, v);
  }
  if (kind == LT_VIDEO || kind == LT_SOUND)
    obj->SetPlayState(obj->GetIntProp(PR_DELAY) != 0 ? kPlayStateOpen : kPlayStateStopped);
  if (kind == LT_MENU) obj->SetPlayState(kPlayStateOpen);
  // The image command's wait expression stays with the picture: its value lengthens the last frame.
  if (auto* images = kind == LT_IMAGES ? dynamic_cast<TKuzoCustomImages*>(obj) : nullptr) {
    if (Expr* wait = cmd.PropExpr(PR_DELAY); wait && !wait->Empty()) {
      ByteWriter stream;
      wait->Write(stream);
      images->SetLastFrameWait(stream.Str());
    }
  }
  return obj;
}

void SceneComponentHost::GetProp(TComSceneCommand& cmd, TCallMan& cm) {
  TParamCollection& vars = cm.Vars();
  TKuzoObject* obj = scene_.FindComponent(cmd.ExprField(field::kPropTarget).EvalText(vars).value_or(""));
  if (!obj) return;
  const int32_t id = RequirePropertyId(cmd.ExprField(field::kPropId), vars);
  const std::string& into = cmd.fields[field::kGetPropInto].text;
  if (into.empty()) return;
  TParamCollectionItem* item = vars.Find(into);
  if (!item || !item->Param()) return;
  StoreInto(*item->Param(), GetPropertyValue(*obj, id));
}

void SceneComponentHost::SetProp(TComSceneCommand& cmd, TCallMan& cm) {
  TParamCollection& vars = cm.Vars();
  TKuzoObject* obj = scene_.FindComponent(cmd.ExprField(field::kPropTarget).EvalText(vars).value_or(""));
  if (!obj) return;
  const int32_t id = RequirePropertyId(cmd.ExprField(field::kPropId), vars);
  bool present = false;
  PropValue v = EvalAs(cmd.ExprField(field::kSetPropValue), vars, IsValidPropertyId(id) ? PropertyType(id) : PT_STR, present);
  if (present) SetPropertyValue(*obj, id, v);
}

// Registers the history format: the six layout settings of a component (normally a message
// window) become the table's history settings, which the window hands the history with each page.
void SceneComponentHost::EntryHistory(TComSceneCommand& cmd, TCallMan& cm) {
  TParamCollection& vars = cm.Vars();
  TKuzoObject* obj = scene_.FindComponent(cmd.ExprField(field::kOnly).EvalText(vars).value_or(""));
  if (!obj) return;
  static constexpr int kFormatProps[kHistorySettingCount] = {PR_FONTHEIGHT, PR_FONTBORDER, PR_FONTSHADOW,
                                                             PR_WIDTH,      PR_HEIGHT,     PR_LINESPACE};
  for (int i = 0; i < kHistorySettingCount; ++i) {
    const PropValue v = ConvertPropValue(GetPropertyValue(*obj, kFormatProps[i]), PT_INT);
    vars.HistorySettings[static_cast<size_t>(i)] = std::get<int32_t>(v);
  }
}

// Shows part of the history in a message window: `first` and `count` are clamped to the history's
// extent (entries, or pixels in the laid-out form); nothing happens without a first entry, for a
// window that is no message window, or when nothing is left to show.
void SceneComponentHost::CallHistory(TComSceneCommand& cmd, TCallMan& cm) {
  TParamCollection& vars = cm.Vars();
  TKuzoMes* mes = MessageWindow(cmd.ExprField(field::kCallHistWindow).EvalText(vars).value_or(""));
  if (!mes) return;
  const std::optional<int32_t> first = cmd.ExprField(field::kCallHistFirst).EvalInt(vars);
  if (!first) return;
  int64_t count = cmd.ExprField(field::kCallHistCount).EvalInt(vars).value_or(1);
  const bool stack = cmd.ExprField(field::kCallHistFlag).EvalFlag(vars).value_or(false);
  TKuzoNewHistory* history = cm.Services().game ? cm.Services().game->History() : nullptr;
  if (!history) return;
  const int32_t start = std::max(*first, 0);
  const int64_t extent = history->Extent();
  if (int64_t{start} + count > extent) count = extent - start;
  if (count <= 0) return;
  mes->ShowHistory(history->Select(start, static_cast<int32_t>(count)), stack);
}

void SceneComponentHost::Cabinet(TComSceneCommand& cmd, TCallMan& cm, bool save) {
  TParamCollection& vars = cm.Vars();
  std::string name;
  if (Expr* e = cmd.PropExpr(PR_NAME)) name = e->EvalText(vars).value_or("");
  const bool invert = cmd.ExprField(kCabinetInvert).EvalFlag(vars).value_or(false);
  const std::vector<std::string> names = NameLines(cmd.fields[kCabinetNames].list, vars);
  auto selected = [&](const TKuzoControl* c) { return Listed(names, c->GetName()) != invert; };
  TKuzoObject* found = name.empty() ? nullptr : scene_.FindComponent(name);
  TKuzoControl* cabinet = found && found->IsCabinet() ? static_cast<TKuzoControl*>(found) : nullptr;
  TKuzoControl* from = nullptr;
  TKuzoControl* to = nullptr;
  if (save) {
    if (!cabinet) {
      cabinet = static_cast<TKuzoControl*>(scene_.CreateByKind(LT_CABINET));
      if (!name.empty()) cabinet->SetName(name);
      cabinet->SetParent(scene_.GetBaseAt(0));
    }
    from = scene_.InactiveBase();
    to = cabinet;
  } else {
    if (!cabinet) return;
    from = cabinet;
    to = scene_.InactiveBase();
  }
  const std::vector<TKuzoControl*> children = from->Children();
  for (size_t i = children.size(); i-- > 0;)
    if (children[i] != cabinet && selected(children[i])) children[i]->SetParent(to);
  if (cabinet->GetChildCount() == 0) cabinet->Delete();
}

void SceneComponentHost::SaveState(const TComSceneCommand& cmd, ByteWriter& w) {
  if (cmd.TypeCode() == CommandCode::MovieStop) {
    MovieStopSaveState(cmd, w);
    return;
  }
  if (cmd.TypeCode() == CommandCode::TextIns) {
    auto* st = dynamic_cast<const TextInsState*>(cmd.state.get());
    TKuzoObject* window = st ? scene_.Resolve(st->window) : nullptr;
    WriteStateSignature(w);
    w.String(window ? window->GetName() : std::string());
    w.Bool(st && st->waiting);
    w.Bool(st && st->blocks);
    return;
  }
  if (cmd.TypeCode() != Code(CommandCode::Flip)) return;
  auto* st = dynamic_cast<const FlipState*>(cmd.state.get());
  WriteStateSignature(w);
  w.Bool(st && st->blocks);
  w.Bool(st && st->clearOld);
}

void SceneComponentHost::LoadState(TComSceneCommand& cmd, ByteReader& r) {
  if (cmd.TypeCode() == CommandCode::MovieStop) {
    MovieStopLoadState(cmd, r);
    return;
  }
  if (cmd.TypeCode() == CommandCode::TextIns) {
    const int version = ReadStateVersion(r);
    TextInsState& st = TextInsStateOf(cmd);
    st = TextInsState{};
    const std::string name = r.String("text window");
    st.waiting = r.Bool("text waiting");
    if (version > 99) st.blocks = r.Bool("text blocks events");
    if (TKuzoMes* mes = name.empty() ? nullptr : MessageWindow(name)) st.window = mes->Handle();
    return;
  }
  if (cmd.TypeCode() != Code(CommandCode::Flip)) return;
  const int version = ReadStateVersion(r);
  if (version < kStateVersion) return;
  // A restored flip shows the new screen at once: the transition it waited on is not played again.
  FlipState& st = FlipStateOf(cmd);
  st = FlipState{};
  st.blocks = r.Bool("flip blocks events");
  st.clearOld = r.Bool("flip clear old");
  st.state = kFlipNoTransition;
}

bool SceneComponentHost::IsEventPoint(const TComSceneCommand& cmd) const {
  if (cmd.TypeCode() == CommandCode::MovieStop) return MovieStopWaits(cmd);
  if (cmd.TypeCode() == CommandCode::TextIns) {
    auto* st = dynamic_cast<const TextInsState*>(cmd.state.get());
    return st && st->waiting;
  }
  auto* st = dynamic_cast<const FlipState*>(cmd.state.get());
  return cmd.TypeCode() == CommandCode::Flip && st && st->eventPoint;
}

bool SceneComponentHost::BlocksEvents(const TComSceneCommand& cmd) const {
  if (cmd.TypeCode() == CommandCode::MovieStop) return MovieStopBlocks(cmd);
  if (cmd.TypeCode() == CommandCode::TextIns) {
    auto* st = dynamic_cast<const TextInsState*>(cmd.state.get());
    return st && st->blocks;
  }
  auto* st = dynamic_cast<const FlipState*>(cmd.state.get());
  return cmd.TypeCode() == CommandCode::Flip && st && st->blocks;
}

std::string SceneComponentHost::FullNameOf(ComponentHandle h) {
  TKuzoObject* obj = scene_.Resolve(h);
  return obj ? obj->GetName() : std::string();
}

ComponentHandle SceneComponentHost::FindComponent(const std::string& fullName) {
  TKuzoObject* obj = scene_.FindComponent(fullName);
  return obj ? obj->Handle() : ComponentHandle{};
}

void SceneComponentHost::ClearScene() { scene_.Reset(); }

}  // namespace kuzo
