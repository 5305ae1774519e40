// The root component: naming, priority, deletion marks, the neutral property answers, the default
// mouse events and the object part of the saved record.
#include "scene/kuzo_object.h"

#include "core/errors.h"
#include "scene/kuzo_base_list.h"

namespace kuzo {

namespace {

struct KindNames {
  const char* constant;
  const char* display;
};

const KindNames kKindNames[kMaxKindCode + 1] = {
    {"LT_NONE", "なし"},
    {"LT_AUDIO", "オーディオ"},
    {"LT_BOX", "矩形サーフェス"},
    {"LT_BUTTON", "ボタン"},
    {"LT_CINEMA", "シネマサーフェス"},
    {"LT_EDIT", "エディット"},
    {"LT_FIRE", "炎サーフェス"},
    {"LT_HTTP", "HTTP"},
    {"LT_IMAGES", "画像サーフェス"},
    {"LT_LABEL", "キャプション"},
    {"LT_MAP", "マップ"},
    {"LT_MEMO", "メモ"},
    {"LT_MENU", "メニュー"},
    {"LT_MES", "メッセージボックス"},
    {"LT_PARTICLE", "パーティクルサーフェス"},
    {"LT_TIMER", "タイマー"},
    {"LT_VIDEO", "ムービー"},
    {"LT_SOUND", "サウンド"},
    {"LT_MAPIMG", "選択画像"},
    {"LT_WAVE", "ウェーブサーフェス"},
    {"LT_TILE", "タイルサーフェス"},
    {"LT_SLIDER", "スライダー"},
    {"LT_SCROLLBAR", "スクロールバー"},
    {"LT_GAUGE", "ゲージ"},
    {"LT_CGLABEL", "画像キャプション"},
    {"LT_PREVMENU", "プレビューメニュー"},
    {"LT_PROPMOTION", "プロパティモーション"},
    {"LT_CABINET", "キャビネット"},
};

constexpr int32_t kVersionPriorityOffset = 103;  // offset stored after this version
constexpr int32_t kVersionTag = 120;             // tag stored from this version on

}  // namespace

const char* KindDisplayName(int32_t code) {
  return code >= 0 && code <= kMaxKindCode ? kKindNames[code].display : "";
}

const char* KindConstantName(int32_t code) {
  return code >= 0 && code <= kMaxKindCode ? kKindNames[code].constant : "";
}

ComponentServices* TKuzoObject::Services() const { return scene_; }

void TKuzoObject::Create(TKuzoBaseList* scene) {
  scene_ = scene;
  if (!scene) return;
  if (WantsAutoName()) name_ = scene->MakeUniqueName("object");
  scene->RegisterObject(this);
}

int32_t TKuzoObject::PrioritySum() const {
  return static_cast<int32_t>(static_cast<uint32_t>(priority_) + static_cast<uint32_t>(priorityOffset_));
}

void TKuzoObject::SetName(const std::string& name) {
  if (name == name_) return;
  if (name.empty()) {
    Delete();
    return;
  }
  if (scene_) {
    int other = scene_->IndexOfName(name);
    if (other >= 0 && scene_->GetObject(other) != this) scene_->GetObject(other)->Delete();
  }
  name_ = name;
}

void TKuzoObject::SetPriority(int32_t value) {
  if (value == priority_) return;
  priority_ = value;
  priorityOffset_ = 0;
  if (TKuzoControl* p = Parent()) p->SortChildren();
  Invalidate();
}

void TKuzoObject::SetPriorityOffset(int32_t value) {
  if (value == priorityOffset_) return;
  priorityOffset_ = value;
  if (TKuzoControl* p = Parent()) p->SortChildren();
  Invalidate();
}

void TKuzoObject::Delete() {
  // Only registered objects can be scheduled; the bases are never deleted.
  if (!scene_ || Handle().IsNull() || IsDeleted()) return;
  // The object disappears from the screen in this frame: repaint its area before it loses its name.
  Invalidate();
  scene_->ScheduleDeletion(this);
  name_.clear();
}

bool TKuzoObject::IsDeleted() const { return scene_ && scene_->IsScheduledForDeletion(this); }

int32_t TKuzoObject::GetIntProp(PropId id) const {
  switch (id) {
    case PR_PRIORITY: return priority_;
    case PR_COMPOTYPE: return KindCode();
    default: return NeutralInt(id);
  }
}

void TKuzoObject::SetIntProp(PropId id, int32_t v) {
  if (id == PR_PRIORITY) SetPriority(v);
}

bool TKuzoObject::GetBoolProp(PropId id) const { return NeutralBool(id); }
void TKuzoObject::SetBoolProp(PropId, bool) {}
long double TKuzoObject::GetFloatProp(PropId id) const { return NeutralFloat(id); }
void TKuzoObject::SetFloatProp(PropId, long double) {}

std::string TKuzoObject::GetStrProp(PropId id) const {
  switch (id) {
    case PR_NAME: return name_;
    case PR_TAG: return tag_;
    default: return std::string();
  }
}

void TKuzoObject::SetStrProp(PropId id, const std::string& v) {
  if (id == PR_NAME) {
    SetName(v);
  } else if (id == PR_TAG) {
    tag_ = v;
  }
}

bool TKuzoObject::IntersectVisible(TRect& rect) const {
  rect = Intersect(rect, GetScreenRect());
  return !rect.IsEmpty();
}

void TKuzoObject::AppendText(const std::string& s) { SetStrProp(PR_TEXT, GetStrProp(PR_TEXT) + s); }

std::vector<std::string> TKuzoObject::ClientPointArgs() const {
  TKuzoBase* base = GetBase();
  if (!base && Services()) base = Services()->ActiveBase();
  int64_t x = base ? base->MouseX() : 0;
  int64_t y = base ? base->MouseY() : 0;
  return {Format("%d", ClampToInt32(x - GetAbsLeft())), Format("%d", ClampToInt32(y - GetAbsTop()))};
}

void TKuzoObject::RaiseEvent(const std::string& label, uint8_t code, bool withPoint) {
  ComponentServices* services = Services();
  if (!services || label.empty()) return;
  if (withPoint) {
    std::vector<std::string> args = ClientPointArgs();
    services->QueueEvent(this, label, &args, code);
  } else {
    services->QueueEvent(this, label, nullptr, code);
  }
}

bool TKuzoObject::EventPending(uint8_t code) const {
  return Services() && Services()->FindPendingEvent(this, code) >= 0;
}

void TKuzoObject::LeftDown() {
  TKuzoBase* base = GetBase();
  const bool takes = ModeInSet(MouseMode(), kModesLeftPress);
  if (takes && !IsPaused() && !EventPending(EV_LBTNDOWN) && !IsBase() && !IsBusy()) {
    RaiseEvent(GetStrProp(PR_ONLBTNDOWN), EV_LBTNDOWN, true);
    if (base) {
      base->capture |= kCaptureLeft;
      base->leftClick = false;
    }
  } else if (takes && !IsBase() && base) {
    base->leftClick = false;
  }
}

void TKuzoObject::LeftUp() {
  if (!IsBusy()) RaiseEvent(GetStrProp(PR_ONLBTNUP), EV_LBTNUP, true);
  if (TKuzoBase* base = GetBase()) base->capture &= static_cast<uint8_t>(~kCaptureLeft);
}

void TKuzoObject::RightDown() {
  TKuzoBase* base = GetBase();
  const bool takes = ModeInSet(MouseMode(), kModesRightPress);
  if (takes && !IsPaused() && !EventPending(EV_RBTNDOWN) && !IsBase() && !IsBusy()) {
    RaiseEvent(GetStrProp(PR_ONRBTNDOWN), EV_RBTNDOWN, true);
    if (base) {
      base->capture |= kCaptureRight;
      base->rightClick = false;
    }
  } else if (takes && !IsBase() && base) {
    base->rightClick = false;
  }
}

void TKuzoObject::RightUp() {
  if (!IsBusy()) RaiseEvent(GetStrProp(PR_ONRBTNUP), EV_RBTNUP, true);
  if (TKuzoBase* base = GetBase()) base->capture &= static_cast<uint8_t>(~kCaptureRight);
}

void TKuzoObject::MouseMove() {
  if (!EventPending(EV_MOUSEMOVE) && !IsBusy()) RaiseEvent(GetStrProp(PR_ONMOUSEMOVE), EV_MOUSEMOVE, true);
}

void TKuzoObject::MouseOut(TKuzoControl*) {
  if (!IsBusy()) RaiseEvent(GetStrProp(PR_ONMOUSEOUT), EV_MOUSEOUT, false);
}

void TKuzoObject::MouseIn() {
  if (!IsBusy()) RaiseEvent(GetStrProp(PR_ONMOUSEIN), EV_MOUSEIN, false);
}

void TKuzoObject::SaveToStream(ByteWriter& out) const {
  out.String(name_);
  out.I32(priority_);
  out.I32(priorityOffset_);
  out.String(tag_);
}

void TKuzoObject::LoadFromStream(ByteReader& in, int32_t version) {
  name_ = in.String("name");
  priority_ = in.I32("priority");
  priorityOffset_ = version > kVersionPriorityOffset ? in.I32("priority offset") : 0;
  if (version >= kVersionTag) tag_ = in.String("tag");
}

}  // namespace kuzo
