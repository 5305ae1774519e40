// The scene's saved record: size, active base, both bases with their trees, the non-visual
// components, the queued events and the focus; a failed load leaves an empty scene of the old size.
#include "core/errors.h"
#include "scene/kuzo_base_list.h"
#include "scene/kuzo_base_list_names.h"

namespace kuzo {

using namespace scene_names;

namespace {
constexpr int32_t kVersionEventLevel = 113;  // event level stored as int32 after this version
constexpr int32_t kVersionFocus = 118;       // focus name stored after this version
// Smallest stored component record: kind byte, name, priority.
constexpr size_t kMinComponentRecordBytes = 1 + 4 + 4;
// Smallest stored event: label, sender, code, level (one byte in old saves), argument count.
constexpr size_t kMinEventRecordBytes = 4 + 4 + 1 + 1 + 4;
}  // namespace

void TKuzoBaseList::SaveToStream(ByteWriter& out) const {
  out.I32(width_);
  out.I32(height_);
  out.I32(heldFromIndex_ >= 0 ? heldFromIndex_ : activeIndex_);
  bases_[0]->SaveToStream(out);
  bases_[1]->SaveToStream(out);
  // Controls are saved inside their parents' records. One without a parent (created by a command
  // without a parent, or taken off its base) is in no tree, so it is saved here with the components
  // that have no place on a base: otherwise a load would lose it and its children, although a
  // script may give it a parent at any time. Loading such a record leaves it without a parent.
  std::vector<const TKuzoObject*> saved;
  for (const auto& obj : registry_)
    if ((!obj->IsControl() || !obj->Parent()) && !IsScheduledForDeletion(obj.get()) && obj->KindCode() != LT_NONE &&
        !obj->HasSystemName())
      saved.push_back(obj.get());
  out.I32(static_cast<int32_t>(saved.size()));
  for (const TKuzoObject* obj : saved) {
    out.U8(static_cast<uint8_t>(obj->KindCode()));
    obj->SaveToStream(out);
  }
  out.I32(events_.Count());
  for (int i = 0; i < events_.Count(); ++i) {
    const TTimerData& e = events_.At(i);
    const TKuzoObject* sender = Resolve(e.sender);
    out.String(e.label);
    out.String(sender ? sender->GetName() : std::string());
    out.U8(e.code);
    out.I32(e.level);
    out.I32(static_cast<int32_t>(e.args.size()));
    for (const std::string& a : e.args) out.String(a);
  }
  const TKuzoControl* focus = GetFocus();
  out.String(focus ? focus->GetName() : std::string());
}

void TKuzoBaseList::LoadFromStream(ByteReader& in, int32_t version) {
  const int32_t width = width_, height = height_;
  try {
    LoadBody(in, version);
  } catch (...) {
    // Never leave a half-restored population behind: an empty scene of the old size remains.
    // The size goes back first, so the reset never tries the rejected size again.
    width_ = width;
    height_ = height;
    Reset();
    SetSize(width, height);
    throw;
  }
}

void TKuzoBaseList::LoadBody(ByteReader& in, int32_t version) {
  recordDepth_ = 0;
  PointerState pointer[2];
  for (int i = 0; i < 2; ++i) {
    const TKuzoBase& b = *bases_[i];
    const TKuzoObject* hover = Resolve(b.hover);
    pointer[i] = {b.leftHeld, b.rightHeld, b.capture, hover ? hover->GetName() : std::string(), b.currentCursor};
  }
  Reset();
  SetSize(kResetSize, kResetSize);
  const int32_t width = in.I32("scene width");
  const int32_t height = in.I32("scene height");
  if (width < 1 || height < 1 || width > kMaxSurfaceSide || height > kMaxSurfaceSide)
    in.Fail("scene size", Format("%d x %d is outside 1..%d", width, height, kMaxSurfaceSide));
  // Each base and the frame hold a surface of this size; one larger than a surface may be is bad data.
  const int64_t bytes = int64_t{width} * height * (kSceneBits / 8);
  if (bytes > kMaxSurfaceBytes)
    in.Fail("scene size", Format("%d x %d needs %lld bytes per surface, more than %lld", width, height,
                                 static_cast<long long>(bytes), static_cast<long long>(kMaxSurfaceBytes)));
  SetSize(width, height);
  const int32_t active = in.I32("active base");
  if (active != 0 && active != 1) in.Fail("active base", Format("index %d is neither 0 nor 1", active));
  activeIndex_ = active;
  heldFromIndex_ = -1;
  for (int i = 0; i < 2; ++i) {
    bases_[i]->LoadFromStream(in, version);
    // A base keeps its reserved name and covers the scene whatever the record says.
    bases_[i]->SetNameField(i == 0 ? kBase0Name : kBase1Name);
    bases_[i]->SetBounds(0, 0, width_, height_);
  }
  for (auto& base : bases_) base->MarkAllDirty();

  const uint32_t count = in.Count(kMinComponentRecordBytes, "component count");
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t kind = in.U8("component kind");
    TKuzoObject* obj = CreateByKind(kind);
    if (!obj) in.Fail("component kind", Format("unknown component kind %u", kind));
    obj->LoadFromStream(in, version);
  }

  const uint32_t eventCount = in.Count(kMinEventRecordBytes, "event count");
  for (uint32_t i = 0; i < eventCount; ++i) {
    std::string label = in.String("event label");
    const std::string senderName = in.String("event sender");
    const uint8_t code = in.U8("event code");
    const int32_t level = version > kVersionEventLevel ? in.I32("event level") : (in.U8("event level") ? 1 : 0);
    const uint32_t argCount = in.Count(4, "event argument count");
    std::vector<std::string> args;
    args.reserve(argCount);
    for (uint32_t a = 0; a < argCount; ++a) args.push_back(in.String("event argument"));
    const TKuzoObject* sender = senderName.empty() ? nullptr : FindComponent(senderName);
    events_.QueueEvent(sender ? sender->Handle() : ComponentHandle{}, std::move(label), &args, code).level = level;
  }

  input_.DropFocus();
  if (version > kVersionFocus) {
    const std::string focusName = in.String("focus");
    // An empty name means there was no focus: search again rather than focusing the base.
    input_.RestoreFocus(focusName.empty() ? nullptr : FindParent(focusName));
  }
  // Objects restored without a name would look deleted; give them a generated one.
  for (auto& obj : registry_)
    if (obj->GetName().empty()) obj->SetNameField(MakeUniqueName("object"));
  RestorePointer(pointer);
}

// The buttons still held stay held. The control the pointer was last routed to (which may hold a
// captured press) is found again by name on the same base and keeps the hover and the capture:
// the next frame sends it no second mouse-in, a captured press still ends with its release there,
// and when the pointer has left it, it gets its mouse-out. Without such a control the next frame
// finds the control under the pointer afresh.
void TKuzoBaseList::RestorePointer(const PointerState (&pointer)[2]) {
  for (int i = 0; i < 2; ++i) {
    TKuzoBase& b = *bases_[i];
    const PointerState& p = pointer[i];
    b.leftHeld = p.leftHeld;
    b.rightHeld = p.rightHeld;
    b.currentCursor = p.cursor;
    b.capture = 0;
    b.hover = ComponentHandle{};
    if (p.hoverName.empty()) continue;
    TKuzoObject* obj = FindComponent(p.hoverName);
    if (!obj || !obj->IsControl() || obj->GetBase() != &b) continue;
    b.hover = obj->Handle();
    b.capture = p.capture;
    obj->PointerRestored(p.capture);
  }
}

}  // namespace kuzo
