// Visual components: the parent/child tree, placement, visibility, invalidation, child drawing,
// hit tests, key events, motions, the control properties and the control part of saved records.
#include "scene/kuzo_control.h"

#include <algorithm>
#include <charconv>

#include "core/sjis.h"
#include "scene/kuzo_base_list.h"

namespace kuzo {

namespace {

constexpr int32_t kZoomUnit = 256;
constexpr int64_t kPlacementScale = 65536;
constexpr int64_t kPlacementHalf = 0x7FFF;
// Saved-record versions that gate parts of the control record.
constexpr int32_t kVersionMouseIn = 101;     // mouse-in label stored after this version
constexpr int32_t kVersionClip = 103;        // clip rectangle and animation pause after this version
constexpr int32_t kVersionKeys = 117;        // key handling and key labels after this version
constexpr int32_t kVersionPositions = 130;   // motion and plus positions from this version on
// Smallest record of a child: kind byte, empty name, priority.
constexpr size_t kMinChildRecordBytes = 1 + 4 + 4;
const std::string kSnapshotName("\x01\x01", 2);

bool IsSnapshotName(const std::string& n) { return n == kSnapshotName; }
bool IsSystemName(const std::string& n) { return !n.empty() && n[0] == '\x01'; }

// Sibling order: the flip snapshot on top, system names below ordinary ones, then the priority sum,
// then the names byte-wise.
bool DrawsBefore(const TKuzoControl* a, const TKuzoControl* b) {
  const bool aSnap = IsSnapshotName(a->GetName()), bSnap = IsSnapshotName(b->GetName());
  if (aSnap != bSnap) return bSnap;
  const bool aSys = IsSystemName(a->GetName()), bSys = IsSystemName(b->GetName());
  if (aSys != bSys) return aSys;
  if (a->PrioritySum() != b->PrioritySum()) return a->PrioritySum() < b->PrioritySum();
  return a->GetName() < b->GetName();
}

// The integer a name suffix stands for, when it is one (optional sign, decimal digits, in range).
bool ParseSuffix(std::string_view s, int64_t& out) {
  if (s.empty()) return false;
  size_t start = (s[0] == '+' || s[0] == '-') ? 1 : 0;
  if (start == s.size()) return false;
  int64_t v = 0;
  auto [p, ec] = std::from_chars(s.data() + start, s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || v > INT32_MAX) return false;
  out = s[0] == '-' ? -v : v;
  return true;
}

// Round to nearest of a / b for positive b, halves away from zero, in 64 bits.
int64_t DivRound(int64_t a, int64_t b) { return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b); }

}  // namespace

TKuzoControl::TKuzoControl() = default;
TKuzoControl::~TKuzoControl() = default;

void TKuzoControl::Create(TKuzoBaseList* scene) {
  TKuzoObject::Create(scene);
  visible_ = true;
  reserved_ = {0, 0, 1, 1};
  if (scene && !scene->GetFocus()) scene->RequestFocusSearch();
}

void TKuzoControl::SetName(const std::string& name) {
  if (name == GetName()) return;
  if (name.empty()) {
    Delete();
    return;
  }
  if (scene_) {
    int index = scene_->IndexOfName(name);
    TKuzoObject* other = index >= 0 ? scene_->GetObject(index) : nullptr;
    if (other && other != this) {
      std::string stem = other->GetName();
      int64_t counter = 2;
      // Character starts, so a trail byte that happens to be "_" is never taken for one.
      std::vector<size_t> starts;
      for (size_t i = 0; i < stem.size(); i += sjis::CharLength(stem, i)) starts.push_back(i);
      for (size_t k = starts.size(); k-- > 1;) {
        size_t pos = starts[k];
        int64_t n = 0;
        if (stem[pos] == '_' && ParseSuffix(std::string_view(stem).substr(pos + 1), n) && n > 1) {
          stem.resize(pos);
          counter = n;
          break;
        }
      }
      std::string candidate;
      for (;; ++counter) {
        candidate = stem + "_" + std::to_string(counter);
        if (scene_->IndexOfName(candidate) < 0) break;
      }
      other->SetNameField(candidate);
    }
  }
  SetNameField(name);
}

void TKuzoControl::SetHighlight(bool on) { ChangeFlag(highlight_, on); }

// --- structure ---------------------------------------------------------------------------------

TKuzoControl* TKuzoControl::GetChild(int i) const {
  if (i < 0 || i >= static_cast<int>(children_.size())) return nullptr;
  return children_[static_cast<size_t>(i)];
}

void TKuzoControl::AddChild(TKuzoControl* child) {
  if (std::find(children_.begin(), children_.end(), child) == children_.end()) children_.push_back(child);
}

void TKuzoControl::RemoveChild(TKuzoControl* child) { std::erase(children_, child); }

void TKuzoControl::SortChildren() { std::stable_sort(children_.begin(), children_.end(), DrawsBefore); }

std::vector<TKuzoControl*> TKuzoControl::TakeChildren() {
  std::vector<TKuzoControl*> out;
  out.swap(children_);
  for (TKuzoControl* c : out) c->parent_ = nullptr;
  return out;
}

TKuzoBase* TKuzoControl::GetBase() const { return parent_ ? parent_->GetBase() : nullptr; }

TCustomDIBX* TKuzoControl::GetDrawSurface() const { return parent_ ? parent_->GetDrawSurface() : nullptr; }

bool TKuzoControl::Contains(const TKuzoObject* obj) const {
  for (const TKuzoControl* p = obj ? obj->Parent() : nullptr; p; p = p->parent_)
    if (p == this) return true;
  return false;
}

bool TKuzoControl::IsInCabinet() const {
  for (const TKuzoControl* p = parent_; p; p = p->parent_)
    if (p->IsCabinet()) return true;
  return false;
}

bool TKuzoControl::IsShown() const { return GetVisible() && scene_ && GetBase() == scene_->ActiveBase(); }

void TKuzoControl::SetParent(TKuzoControl* parent) {
  if (parent == parent_ || parent == this || (parent && Contains(parent))) return;
  Invalidate();
  if (TKuzoControl* old = parent_) {
    old->RemoveChild(this);
    if (old->IsCabinet()) ResumeMedia();
  }
  parent_ = parent;
  if (parent) {
    parent->AddChild(this);
    parent->SortChildren();
    if (parent->IsCabinet()) SuspendMedia();
  }
  Invalidate();
  FocusUpkeepAfterParentChange();
}

void TKuzoControl::FocusUpkeepAfterParentChange() {
  if (!scene_) return;
  TKuzoControl* focus = scene_->GetFocus();
  if (focus && (focus == this || Contains(focus)) && GetBase() != scene_->ActiveBase()) {
    scene_->DropFocus();
  } else if (!focus && GetBase() == scene_->ActiveBase()) {
    scene_->RequestFocusSearch();
  }
}

void TKuzoControl::SetParentByName(const std::string& name) {
  if (IsBase() || !scene_) return;
  if (TKuzoControl* p = scene_->FindParent(name)) SetParent(p);
}

// --- geometry ----------------------------------------------------------------------------------

int64_t TKuzoControl::AnchorDisplacementX() const {
  const int64_t z = GetIntProp(PR_ZOOMX);
  const int64_t scaled = z == kZoomUnit ? offsetX_ : z * offsetX_ / kZoomUnit;
  return GetBoolProp(PR_FLIPH) ? int64_t{width_} - scaled - 1 : scaled;
}

int64_t TKuzoControl::AnchorDisplacementY() const {
  const int64_t z = GetIntProp(PR_ZOOMY);
  const int64_t scaled = z == kZoomUnit ? offsetY_ : z * offsetY_ / kZoomUnit;
  return GetBoolProp(PR_FLIPV) ? int64_t{height_} - scaled - 1 : scaled;
}

int64_t TKuzoControl::BaseX() const {
  if (motion_) return motionX_;
  if (posZoomed_) return int64_t{GetIntProp(PR_ZOOMX)} * left_ / kZoomUnit;
  return left_;
}

int64_t TKuzoControl::BaseY() const {
  if (motion_) return motionY_;
  if (posZoomed_) return int64_t{GetIntProp(PR_ZOOMY)} * top_ / kZoomUnit;
  return top_;
}

// Placement of a position-zoomed child inside its parent's zoomed picture: the position counts in
// the parent's picture pixels. Widened to 64 bits, and skipped when the parent has no width (the
// scale would divide by zero).
bool TKuzoControl::ZoomedPlacement(bool vertical, int64_t& result) const {
  if (!posZoomed_ || !parent_ || parent_->IsBase() || motion_) return false;
  int32_t parentW = 0, parentH = 0, ownW = 0, ownH = 0;
  if (!parent_->PictureSize(parentW, parentH) || !PictureSize(ownW, ownH)) return false;
  const PropId zoomId = vertical ? PR_ZOOMY : PR_ZOOMX;
  if (parent_->GetIntProp(zoomId) != GetIntProp(zoomId)) return false;
  const int64_t parentExtent = vertical ? parent_->height_ : parent_->width_;
  if (parentExtent <= 0) return false;
  const int64_t parentPicture = vertical ? parentH : parentW;
  const int64_t ownPicture = vertical ? ownH : ownW;
  const int64_t pos = vertical ? top_ : left_;
  const int64_t offset = vertical ? offsetY_ : offsetX_;
  const bool flip = GetBoolProp(vertical ? PR_FLIPV : PR_FLIPH);
  const int64_t scale = std::max<int64_t>(1, DivRound(kPlacementScale * parentPicture, parentExtent));
  const int64_t v = (flip ? parentPicture + offset - pos - ownPicture : pos - offset) * kPlacementScale;
  int64_t e = v / scale;
  if (v % scale > kPlacementHalf) ++e;
  const int64_t parentAbs = vertical ? parent_->GetAbsTop() : parent_->GetAbsLeft();
  const int64_t scroll = parent_->GetIntProp(vertical ? PR_SCROLLY : PR_SCROLLX);
  result = e + parentAbs + (vertical ? plusY_ : plusX_) - scroll;
  return true;
}

int32_t TKuzoControl::GetAbsLeft() const {
  int64_t zoomed = 0;
  if (ZoomedPlacement(false, zoomed)) return ClampToInt32(zoomed);
  int64_t origin = parent_ ? int64_t{parent_->GetAbsLeft()} - parent_->GetIntProp(PR_SCROLLX) : 0;
  return ClampToInt32(origin + BaseX() - AnchorDisplacementX() + plusX_);
}

int32_t TKuzoControl::GetAbsTop() const {
  int64_t zoomed = 0;
  if (ZoomedPlacement(true, zoomed)) return ClampToInt32(zoomed);
  int64_t origin = parent_ ? int64_t{parent_->GetAbsTop()} - parent_->GetIntProp(PR_SCROLLY) : 0;
  return ClampToInt32(origin + BaseY() - AnchorDisplacementY() + plusY_);
}

int32_t TKuzoControl::GetLocalLeft() const { return ClampToInt32(plusX_ + BaseX() - AnchorDisplacementX()); }
int32_t TKuzoControl::GetLocalTop() const { return ClampToInt32(plusY_ + BaseY() - AnchorDisplacementY()); }

ScenePoint TKuzoControl::GetAnchorPosition() const {
  int64_t ox = parent_ ? int64_t{parent_->GetAbsLeft()} - parent_->GetIntProp(PR_SCROLLX) : 0;
  int64_t oy = parent_ ? int64_t{parent_->GetAbsTop()} - parent_->GetIntProp(PR_SCROLLY) : 0;
  return ScenePoint{ClampToInt32(BaseX() + ox + plusX_), ClampToInt32(BaseY() + oy + plusY_)};
}

TRect TKuzoControl::GetScreenRect() const { return RectFromSize(GetAbsLeft(), GetAbsTop(), width_, height_); }

TRect TKuzoControl::GetClipScreenRect() const {
  if (clipWidth_ < 1 || clipHeight_ < 1) return TRect{};
  return RectFromSize(int64_t{GetAbsLeft()} + clipLeft_, int64_t{GetAbsTop()} + clipTop_, clipWidth_, clipHeight_);
}

ScenePoint TKuzoControl::ClientToScreen(ScenePoint p) const {
  return ScenePoint{ClampToInt32(int64_t{p.x} + GetAbsLeft()), ClampToInt32(int64_t{p.y} + GetAbsTop())};
}

ScenePoint TKuzoControl::ScreenToClient(ScenePoint p) const {
  return ScenePoint{ClampToInt32(int64_t{p.x} - GetAbsLeft()), ClampToInt32(int64_t{p.y} - GetAbsTop())};
}

void TKuzoControl::PropagateInvalidRect(TRect& rect) const {
  if (parent_) parent_->PropagateInvalidRect(rect);
}

void TKuzoControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Invalidate();
}

void TKuzoControl::ChangeField(int32_t& field, int32_t value) {
  if (field == value) return;
  Invalidate();
  field = value;
  Invalidate();
}

void TKuzoControl::ChangeFlag(bool& field, bool value) {
  if (field == value) return;
  Invalidate();
  field = value;
  Invalidate();
}

void TKuzoControl::SetLeft(int32_t v) {
  if (v != left_) {
    Invalidate();
    left_ = v;
    motionX_ = 0;
    Invalidate();
  }
  PositionChanged();
}

void TKuzoControl::SetTop(int32_t v) {
  if (v != top_) {
    Invalidate();
    top_ = v;
    motionY_ = 0;
    Invalidate();
  }
  PositionChanged();
}

void TKuzoControl::SetOffset(int32_t& field, int32_t v) {
  ChangeField(field, v);
  PositionChanged();
}

void TKuzoControl::SetMotionX(int32_t v) { ChangeField(motionX_, v); }
void TKuzoControl::SetMotionY(int32_t v) { ChangeField(motionY_, v); }

void TKuzoControl::PositionChanged() {
  for (TKuzoControl* c : children_) c->PositionChanged();
}

void TKuzoControl::ClipChanged() {
  for (TKuzoControl* c : children_) c->ClipChanged();
}

// --- visibility and drawing --------------------------------------------------------------------

bool TKuzoControl::GetVisible() const {
  if (IsCabinet()) return false;
  if (IsBase()) return visible_;
  return visible_ && parent_ && parent_->GetVisible();
}

void TKuzoControl::SetVisible(bool v) {
  if (v == visible_) return;
  if (!v) {
    Invalidate();
    visible_ = false;
    if (scene_) {
      TKuzoControl* focus = scene_->GetFocus();
      if (focus && (focus == this || Contains(focus))) {
        scene_->SetFocus(nullptr);
        scene_->RequestFocusSearch();
      }
    }
  } else {
    visible_ = true;
    Invalidate();
    if (scene_ && !scene_->GetFocus()) scene_->RequestFocusSearch();
  }
}

void TKuzoControl::Invalidate() {
  TKuzoBase* base = GetBase();
  if (!base || !GetVisible()) return;
  TRect r = GetScreenRect();
  if (parent_ && !parent_->IntersectVisible(r)) return;
  TRect clip = GetClipScreenRect();
  if (!clip.IsEmpty()) {
    r = Intersect(r, clip);
    if (r.IsEmpty()) return;
  }
  PropagateInvalidRect(r);
  base->AddDirtyRect(r);
}

void TKuzoControl::Draw() {
  TCustomDIBX* s = GetDrawSurface();
  if (!s) return;
  const bool hadClip = s->ClipIsSet();
  const TRect saved = s->GetClip();
  const TRect r = Intersect(GetScreenRect(), saved);
  if (!r.IsEmpty()) {
    // Children may be freed or re-parented only between frames, so the list is stable here.
    for (TKuzoControl* child : children_) {
      if (child->GetName().empty() || !child->GetVisible()) continue;
      TRect r2 = r;
      TRect childClip = child->GetClipScreenRect();
      if (!childClip.IsEmpty()) r2 = Intersect(r2, childClip);
      if (r2.IsEmpty()) continue;
      s->ResetClip();
      s->SetClip(r2);
      child->Draw();
      s->ResetClip();
    }
  }
  if (hadClip) {
    s->SetClip(saved);
  } else {
    s->ResetClip();
  }
  if (highlight_) DrawHighlightFrame();
}

void TKuzoControl::DrawHighlightFrame() {
  TCustomDIBX* s = GetDrawSurface();
  if (!s) return;
  constexpr int kFrame = 2;
  const TRect screen = GetScreenRect();
  const TRect clip = s->GetClip();
  const TRect area = Intersect(screen, clip);
  if (area.IsEmpty()) return;
  const int32_t black = s->ColorToPixel(0x000000);
  const int32_t white = s->ColorToPixel(0xFFFFFF);
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const bool edgeRow = y < int64_t{screen.top} + kFrame || y >= int64_t{screen.bottom} - kFrame;
    for (int32_t x = area.left; x < area.right; ++x) {
      if (!edgeRow && x >= int64_t{screen.left} + kFrame && x < int64_t{screen.right} - kFrame) {
        x = std::max(x, static_cast<int32_t>(int64_t{screen.right} - kFrame - 1));
        continue;
      }
      s->SetPixel(x, y, static_cast<Pixel>(((x + y) & 1) ? white : black));
    }
  }
}

TKuzoControl* TKuzoControl::HitTest(ScenePoint p, MouseModeSet modes) {
  if (!GetVisible() || !RectContains(GetScreenRect(), p)) return nullptr;
  const bool matched = ModeInSet(mouseMode_, modes);
  for (size_t i = children_.size(); i-- > 0;) {
    TKuzoControl* child = children_[i];
    if (child->GetName().empty()) continue;
    if (TKuzoControl* hit = child->HitTest(p, modes)) return hit;
  }
  return matched ? this : nullptr;
}

bool TKuzoControl::Tick() {
  if (!motion_) return false;
  if (motion_->Advance(*this, scene_ ? scene_->FrameDeltaMs() : 0)) {
    if (GetBoolProp(PR_AUTOSCRAP)) return true;
    RaiseEvent(GetStrProp(PR_ONPLAYEND), EV_PLAYEND, false);
  }
  return false;
}

// --- keyboard ----------------------------------------------------------------------------------

void TKuzoControl::KeyDown() {
  if (!IsPaused() && !EventPending(EV_KEYDOWN) && !IsBase() && !IsBusy())
    RaiseEvent(keyLabels_[KL_DOWN], EV_KEYDOWN, false);
}

void TKuzoControl::KeyUp() {
  if (!IsPaused() && !EventPending(EV_KEYUP) && !IsBase() && !IsBusy())
    RaiseEvent(keyLabels_[KL_UP], EV_KEYUP, false);
}

void TKuzoControl::KeyRepeat() {
  if (!IsPaused() && !EventPending(EV_KEYREPEAT) && !IsBase() && !IsBusy())
    RaiseEvent(keyLabels_[KL_REPEAT], EV_KEYREPEAT, false);
}

TKuzoControl* TKuzoControl::FindFocusCandidate() {
  for (size_t i = children_.size(); i-- > 0;) {
    TKuzoControl* child = children_[i];
    if (child->GetName().empty() || !child->GetVisible()) continue;
    if (TKuzoControl* c = child->FindFocusCandidate()) return c;
  }
  return handleKeys_ && !IsPaused() ? this : nullptr;
}

void TKuzoControl::SetHandleKeys(bool v) {
  if (v == handleKeys_) return;
  handleKeys_ = v;
  if (!scene_) return;
  if (v && !scene_->GetFocus()) scene_->RequestFocusSearch();
  if (!v && scene_->GetFocus() == this) scene_->RequestFocusSearch();
}

// --- motion ------------------------------------------------------------------------------------

void TKuzoControl::AttachMotion(const std::string& file) {
  if (!scene_ || !scene_->GetFilmLoader()) return;
  std::unique_ptr<KeyframeFilm> film = scene_->GetFilmLoader()(*this, file);
  if (film) AttachMotion(std::make_unique<TKuzoMotion>(std::move(film)));
}

void TKuzoControl::AttachMotion(std::unique_ptr<TKuzoMotion> motion) {
  FreeMotion();
  Invalidate();
  motion_ = std::move(motion);
  if (motion_) motion_->Restart();
  Invalidate();
}

void TKuzoControl::RestartMotion() {
  if (motion_) motion_->Restart();
}

void TKuzoControl::FreeMotion() {
  if (!motion_) return;
  Invalidate();
  motion_.reset();
  motionX_ = 0;
  motionY_ = 0;
  SetPriorityOffset(0);
  Invalidate();
}

// --- properties --------------------------------------------------------------------------------

int32_t TKuzoControl::GetIntProp(PropId id) const {
  switch (id) {
    case PR_LEFT: return left_;
    case PR_TOP: return top_;
    case PR_WIDTH: return width_;
    case PR_HEIGHT: return height_;
    case PR_COLOR: return color_;
    case PR_OFFSETX: return offsetX_;
    case PR_OFFSETY: return offsetY_;
    case PR_IGNOREMOUSE: return mouseMode_;
    case PR_CLIPLEFT: return clipLeft_;
    case PR_CLIPTOP: return clipTop_;
    case PR_CLIPWIDTH: return clipWidth_;
    case PR_CLIPHEIGHT: return clipHeight_;
    case PR_HANDLEKEY: return handleKeys_ ? 1 : 0;
    case PR_PLUSX: return plusX_;
    case PR_PLUSY: return plusY_;
    default: return TKuzoComponent::GetIntProp(id);
  }
}

void TKuzoControl::SetIntProp(PropId id, int32_t v) {
  switch (id) {
    case PR_LEFT: SetLeft(v); break;
    case PR_TOP: SetTop(v); break;
    case PR_WIDTH: ChangeField(width_, v); break;
    case PR_HEIGHT: ChangeField(height_, v); break;
    case PR_COLOR:
      if (v != color_) {
        color_ = v;
        Invalidate();
      }
      break;
    case PR_OFFSETX: SetOffset(offsetX_, v); break;
    case PR_OFFSETY: SetOffset(offsetY_, v); break;
    case PR_IGNOREMOUSE: mouseMode_ = static_cast<uint8_t>(v); break;
    case PR_CLIPLEFT: ChangeField(clipLeft_, v); ClipChanged(); break;
    case PR_CLIPTOP: ChangeField(clipTop_, v); ClipChanged(); break;
    case PR_CLIPWIDTH: ChangeField(clipWidth_, v); ClipChanged(); break;
    case PR_CLIPHEIGHT: ChangeField(clipHeight_, v); ClipChanged(); break;
    case PR_HANDLEKEY: SetHandleKeys(v != 0); break;
    case PR_PLUSX: ChangeField(plusX_, v); break;
    case PR_PLUSY: ChangeField(plusY_, v); break;
    default: TKuzoComponent::SetIntProp(id, v); break;
  }
}

bool TKuzoControl::GetBoolProp(PropId id) const {
  switch (id) {
    case PR_VISIBLE: return GetVisible();
    case PR_POSZOOMED: return posZoomed_;
    case PR_ANIPAUSED:
      if (HasSystemName() && parent_) return parent_->GetBoolProp(PR_ANIPAUSED);
      return aniPaused_;
    case PR_PLAYING:
      return motion_ && !motion_->Finished() && !GetBoolProp(PR_PAUSED) && !GetBoolProp(PR_ANIPAUSED);
    default: return TKuzoComponent::GetBoolProp(id);
  }
}

void TKuzoControl::SetBoolProp(PropId id, bool v) {
  switch (id) {
    case PR_VISIBLE: SetVisible(v); break;
    case PR_POSZOOMED: ChangeFlag(posZoomed_, v); break;
    case PR_ANIPAUSED: aniPaused_ = v; break;
    default: TKuzoComponent::SetBoolProp(id, v); break;
  }
}

std::string TKuzoControl::GetStrProp(PropId id) const {
  switch (id) {
    case PR_PARENT: return parent_ ? parent_->GetName() : std::string();
    case PR_ONMOUSEMOVE: return mouseLabels_[ML_MOVE];
    case PR_ONMOUSEIN: return mouseLabels_[ML_IN];
    case PR_ONMOUSEOUT: return mouseLabels_[ML_OUT];
    case PR_ONLBTNDOWN: return mouseLabels_[ML_LDOWN];
    case PR_ONLBTNUP: return mouseLabels_[ML_LUP];
    case PR_ONRBTNDOWN: return mouseLabels_[ML_RDOWN];
    case PR_ONRBTNUP: return mouseLabels_[ML_RUP];
    case PR_ONWHEELDOWN: return mouseLabels_[ML_WHEELDOWN];
    case PR_ONWHEELUP: return mouseLabels_[ML_WHEELUP];
    case PR_CURSOR: return cursor_;
    case PR_ONKEYDOWN: return keyLabels_[KL_DOWN];
    case PR_ONKEYUP: return keyLabels_[KL_UP];
    case PR_ONKEYREPEAT: return keyLabels_[KL_REPEAT];
    case PR_ONFOCUSIN: return keyLabels_[KL_FOCUSIN];
    case PR_ONFOCUSOUT: return keyLabels_[KL_FOCUSOUT];
    default: return TKuzoComponent::GetStrProp(id);
  }
}

void TKuzoControl::SetStrProp(PropId id, const std::string& v) {
  switch (id) {
    case PR_PARENT: SetParentByName(v); break;
    case PR_ONMOUSEMOVE: mouseLabels_[ML_MOVE] = v; break;
    case PR_ONMOUSEIN: mouseLabels_[ML_IN] = v; break;
    case PR_ONMOUSEOUT: mouseLabels_[ML_OUT] = v; break;
    case PR_ONLBTNDOWN: mouseLabels_[ML_LDOWN] = v; break;
    case PR_ONLBTNUP: mouseLabels_[ML_LUP] = v; break;
    case PR_ONRBTNDOWN: mouseLabels_[ML_RDOWN] = v; break;
    case PR_ONRBTNUP: mouseLabels_[ML_RUP] = v; break;
    case PR_ONWHEELDOWN: mouseLabels_[ML_WHEELDOWN] = v; break;
    case PR_ONWHEELUP: mouseLabels_[ML_WHEELUP] = v; break;
    case PR_CURSOR: cursor_ = v; break;
    case PR_ONKEYDOWN: keyLabels_[KL_DOWN] = v; break;
    case PR_ONKEYUP: keyLabels_[KL_UP] = v; break;
    case PR_ONKEYREPEAT: keyLabels_[KL_REPEAT] = v; break;
    case PR_ONFOCUSIN: keyLabels_[KL_FOCUSIN] = v; break;
    case PR_ONFOCUSOUT: keyLabels_[KL_FOCUSOUT] = v; break;
    default: TKuzoComponent::SetStrProp(id, v); break;
  }
}

// --- saved record ------------------------------------------------------------------------------

void TKuzoControl::SaveToStream(ByteWriter& out) const {
  TKuzoComponent::SaveToStream(out);
  for (int32_t v : {left_, top_, width_, height_, offsetX_, offsetY_}) out.I32(v);
  out.Bool(posZoomed_);
  for (int32_t v : {motionX_, motionY_, plusX_, plusY_}) out.I32(v);
  for (int32_t v : {clipLeft_, clipTop_, clipWidth_, clipHeight_}) out.I32(v);
  out.Bool(aniPaused_);
  out.Bool(visible_);
  out.I32(color_);
  for (int32_t v : reserved_) out.I32(v);
  out.U8(mouseMode_);
  out.String(cursor_);
  for (const std::string& label : mouseLabels_) out.String(label);
  out.Bool(handleKeys_);
  for (const std::string& label : keyLabels_) out.String(label);
  std::vector<const TKuzoControl*> saved;
  for (const TKuzoControl* c : children_)
    if (!c->IsDeleted() && c->KindCode() != LT_NONE && !c->HasSystemName()) saved.push_back(c);
  out.I32(static_cast<int32_t>(saved.size()));
  for (const TKuzoControl* c : saved) {
    out.U8(static_cast<uint8_t>(c->KindCode()));
    c->SaveToStream(out);
  }
}

void TKuzoControl::LoadFromStream(ByteReader& in, int32_t version) {
  TKuzoComponent::LoadFromStream(in, version);
  left_ = in.I32("left");
  top_ = in.I32("top");
  width_ = in.I32("width");
  height_ = in.I32("height");
  offsetX_ = in.I32("offset x");
  offsetY_ = in.I32("offset y");
  posZoomed_ = in.Bool("position zoomed");
  if (version >= kVersionPositions) {
    motionX_ = in.I32("motion x");
    motionY_ = in.I32("motion y");
    plusX_ = in.I32("plus x");
    plusY_ = in.I32("plus y");
  }
  if (version > kVersionClip) {
    clipLeft_ = in.I32("clip left");
    clipTop_ = in.I32("clip top");
    clipWidth_ = in.I32("clip width");
    clipHeight_ = in.I32("clip height");
    aniPaused_ = in.Bool("animation paused");
  }
  visible_ = in.Bool("visible");
  color_ = in.I32("color");
  for (int32_t& v : reserved_) v = in.I32("reserved rectangle");
  mouseMode_ = in.U8("mouse mode");
  cursor_ = in.String("cursor");
  mouseLabels_[ML_MOVE] = in.String("mouse move label");
  if (version > kVersionMouseIn) mouseLabels_[ML_IN] = in.String("mouse in label");
  for (int i = ML_OUT; i < kMouseLabelCount; ++i) mouseLabels_[i] = in.String("mouse label");
  if (version > kVersionKeys) {
    handleKeys_ = in.Bool("handle keys");
    for (std::string& label : keyLabels_) label = in.String("key label");
  }
  const uint32_t count = in.Count(kMinChildRecordBytes, "child count");
  if (!scene_) {
    if (count != 0) in.Fail("child count", "children of an object outside a scene");
    return;
  }
  int& depth = scene_->RecordDepth();
  if (depth >= TKuzoBaseList::kMaxRecordDepth) in.Fail("child count", "children nested too deeply");
  ++depth;
  struct DepthGuard {
    int& d;
    ~DepthGuard() { --d; }
  } guard{depth};
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t kind = in.U8("child kind");
    TKuzoObject* obj = scene_->CreateByKind(kind);
    if (!obj) in.Fail("child kind", Format("unknown component kind %u", kind));
    if (!obj->IsControl()) {
      scene_->DestroyObject(obj);
      in.Fail("child kind", Format("component kind %u cannot be a child", kind));
    }
    auto* child = static_cast<TKuzoControl*>(obj);
    child->SetParent(this);
    child->LoadFromStream(in, version);
  }
  SortChildren();
}

}  // namespace kuzo
