// The image cache: loading a picture file into display surfaces, lending items to users, the spare
// list with its memory budget, and reloading around display-mode and setting changes.
#include "components/drel_collection.h"

#include <algorithm>

#include "core/errors.h"
#include "data/file_manager.h"
#include "graphics/image_formats/drel_image.h"
#include "graphics/image_formats/image_file.h"

namespace kuzo {
namespace {

// Side of the frame that stands in for a missing file.
constexpr int kMissingSide = 8;

int64_t SurfaceBytes(const TCustomDIBX* s) {
  if (s == nullptr) return 0;
  return int64_t{s->Width()} * s->Height() * s->BytesPerPixel();
}

// Splits a key into the file name and the mask wish.
std::string_view FileOfKey(std::string_view key, bool& wantMask) {
  wantMask = key.size() >= TDrelCollection::kMaskSuffix.size() &&
             key.substr(key.size() - TDrelCollection::kMaskSuffix.size()) == TDrelCollection::kMaskSuffix;
  return wantMask ? key.substr(0, key.size() - TDrelCollection::kMaskSuffix.size()) : key;
}

}  // namespace

int64_t TDrelItem::Memory() const {
  int64_t total = 0;
  for (const auto& f : Frames) total += SurfaceBytes(f->Picture.get()) + SurfaceBytes(f->Mask.get());
  return total;
}

TDrelCollection::TDrelCollection(FileReader reader) : reader_(std::move(reader)) {}

TDrelCollection::FileReader TDrelCollection::FromFileManager(TVrFileManager& files) {
  return [&files](std::string_view name) -> std::optional<std::string> {
    if (!files.Exists(name)) return std::nullopt;
    try {
      return files.ReadFile(name);
    } catch (const KuzoError&) {
      return std::nullopt;  // listed but unreadable (a disc taken out): as if missing
    }
  };
}

std::unique_ptr<TCustomDIBX> TDrelCollection::NewPicture() const {
  auto s = std::make_unique<TDIBX>();
  s->SetSize(0, 0, screenBits_);
  return s;
}

bool TDrelCollection::Decode(TDrelItem& item, TDrelFrameList& list, bool& wantMask) {
  const std::string_view file = FileOfKey(item.Name(), wantMask);
  const std::optional<std::string> bytes = reader_ ? reader_(file) : std::nullopt;
  if (!bytes) return false;
  item.LoadError.clear();
  list.ImageKey = imageKey_;
  try {
    LoadDrelImage(list, std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()), file, false);
    if (wantMask) list.BuildMasks();
  } catch (const KuzoError& e) {
    // A damaged file shows as nothing rather than stopping the title; the reason is kept.
    item.LoadError = e.what();
    list.Clear();
  }
  return true;
}

void TDrelCollection::Load(TDrelItem& item) {
  LoadFrames(item);
  item.memory_ = item.Memory();
}

void TDrelCollection::LoadFrames(TDrelItem& item) {
  item.Frames.clear();
  item.Width = item.Height = 0;
  item.TotalDelay = 0;
  item.Missing = false;
  TDrelFrameList list;
  bool wantMask = false;
  const bool found = Decode(item, list, wantMask);
  if (!found || list.Count() == 0) {
    // Missing: one fully transparent 8 x 8 frame (key 0 over pixels of 0).
    auto frame = std::make_unique<TDrelItemFrame>();
    frame->Picture = NewPicture();
    frame->Picture->SetSize(kMissingSide, kMissingSide, screenBits_);
    frame->Picture->Fill(0);
    frame->TransparentColor = 0;
    frame->Picture->ColorKey = 0;
    if (wantMask) {
      frame->Mask = std::make_unique<TDIBX>(kMissingSide, kMissingSide, 8);
      frame->Mask->Fill(0);
    }
    item.Missing = true;
    item.Width = item.Height = kMissingSide;
    item.TotalDelay = frame->Delay;
    item.Frames.push_back(std::move(frame));
    return;
  }
  item.Width = list[0].Width();
  item.Height = list[0].Height();
  for (int i = 0; i < list.Count(); ++i) {
    const TDrelFrame& decoded = list[i];
    auto frame = std::make_unique<TDrelItemFrame>();
    frame->Picture = NewPicture();
    ConvertFrameToSurface(decoded, *frame->Picture);
    frame->TransparentColor = frame->Picture->ColorToPixel(decoded.ColorKeyRGB);
    frame->Picture->ColorKey = frame->TransparentColor;
    if (decoded.HasMask()) {
      frame->Mask = std::make_unique<TDIBX>();
      ConvertMaskToSurface(decoded, *frame->Mask);
    }
    frame->Delay = decoded.DisplayTime == 0 ? 1 : decoded.DisplayTime;
    item.TotalDelay += frame->Delay;
    item.Frames.push_back(std::move(frame));
  }
}

void TDrelCollection::Reload(TDrelItem& item, bool recreate) {
  ReloadFrames(item, recreate);
  const int64_t memory = item.Memory();
  if (item.spare_) spareMemory_ += memory - item.memory_;
  item.memory_ = memory;
}

void TDrelCollection::ReloadFrames(TDrelItem& item, bool recreate) {
  TDrelFrameList list;
  bool wantMask = false;
  if (!Decode(item, list, wantMask)) return;  // no longer available: the item stays as it is
  const int count = std::min(list.Count(), item.FrameCount());
  for (int i = 0; i < count; ++i) {
    const TDrelFrame& decoded = list[i];
    if (!recreate && decoded.ColorKeyRGB != kNoColorKey && !decoded.HasMask()) continue;
    TDrelItemFrame& frame = item.Frame(i);
    if (recreate) frame.Picture = NewPicture();
    ConvertFrameToSurface(decoded, *frame.Picture);
    frame.TransparentColor = frame.Picture->ColorToPixel(decoded.ColorKeyRGB);
    frame.Picture->ColorKey = frame.TransparentColor;
    if (decoded.HasMask()) {
      if (!frame.Mask) frame.Mask = std::make_unique<TDIBX>();
      ConvertMaskToSurface(decoded, *frame.Mask);
    }
  }
}

TDrelItem* TDrelCollection::Acquire(const void* user, std::string_view fileName, bool wantMask) {
  std::string key(fileName);
  if (wantMask) key += kMaskSuffix;
  TDrelItem* item = Lookup(key);
  if (item == nullptr) {
    item = &Add<TDrelItem>();
    item->SetName(key);
    item->aliases_.push_back(key);
    quick_.emplace(std::move(key), item);
    Load(*item);
  }
  if (std::find(item->Users.begin(), item->Users.end(), user) == item->Users.end()) item->Users.push_back(user);
  TakeOffSpare(item);
  return item;
}

void TDrelCollection::Release(TDrelItem* item, const void* user) {
  if (item == nullptr) return;
  const auto it = std::find(item->Users.begin(), item->Users.end(), user);
  if (it == item->Users.end()) return;
  item->Users.erase(it);
  if (item->InUse()) return;
  spare_.push_back(item);
  item->spare_ = true;
  spareMemory_ += item->memory_;
  EnforceBudget();
}

void TDrelCollection::Forget(std::string_view fileName) {
  for (bool mask : {false, true}) {
    std::string key(fileName);
    if (mask) key += kMaskSuffix;
    TDrelItem* item = Lookup(key);
    if (item == nullptr || item->InUse()) continue;
    TakeOffSpare(item);
    Free(item);
  }
}

void TDrelCollection::SetConvertAtLoad(bool value) {
  if (value == convertAtLoad_) return;
  convertAtLoad_ = value;
  for (int i = 0; i < Count(); ++i) Reload(*Item(i), false);
}

void TDrelCollection::ReleaseSurfaces() {
  // Memory surfaces hold their own pixels; there is no platform surface to give back.
}

void TDrelCollection::RestoreSurfaces(bool recreate) {
  for (int i = 0; i < Count(); ++i) Reload(*Item(i), recreate);
}

void TDrelCollection::SaveToStream(ByteWriter& out) const { out.Bool(convertAtLoad_); }

void TDrelCollection::LoadFromStream(ByteReader& in, int32_t version) {
  if (version > 100) SetConvertAtLoad(in.Bool("image cache flag"));
}

int64_t TDrelCollection::TotalMemory() const {
  int64_t total = 0;
  for (int i = 0; i < Count(); ++i) total += Item(i)->Memory();
  return total;
}

TDrelItem* TDrelCollection::Lookup(const std::string& key) {
  if (const auto it = quick_.find(key); it != quick_.end()) return it->second;
  TDrelItem* item = FindItem(key);  // another spelling of a cached name
  if (item != nullptr) {
    item->aliases_.push_back(key);
    quick_.emplace(key, item);
  }
  return item;
}

void TDrelCollection::TakeOffSpare(TDrelItem* item) {
  if (!item->spare_) return;
  // Hits on spare items usually take the newest one: search from the end.
  const auto it = std::find(spare_.rbegin(), spare_.rend(), item);
  spare_.erase(std::next(it).base());
  item->spare_ = false;
  spareMemory_ -= item->memory_;
}

void TDrelCollection::Free(TDrelItem* item) {
  for (const std::string& alias : item->aliases_) quick_.erase(alias);
  Delete(item->Index());
}

void TDrelCollection::EnforceBudget() {
  while (spare_.size() > 1 && spareMemory_ > kSpareBudget) {
    TDrelItem* oldest = spare_.front();
    spare_.erase(spare_.begin());
    oldest->spare_ = false;
    spareMemory_ -= oldest->memory_;
    Free(oldest);
  }
}

}  // namespace kuzo
