// TDrelCollection: the scene's image cache. It loads picture files once, converts their frames into
// display surfaces, lends them to every user that shows the same file, and keeps released files on
// a spare list for reuse within a memory budget.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/byte_reader.h"
#include "core/hash_collection.h"
#include "graphics/dibx.h"

namespace kuzo {

class TVrFileManager;
class TDrelFrameList;

// One frame of a cached picture.
struct TDrelItemFrame {
  std::unique_ptr<TCustomDIBX> Picture;  // at the screen depth
  std::unique_ptr<TDIBX> Mask;           // 8-bit, or none
  int32_t TransparentColor = kNoColorKey;  // native pixel value of Picture, -1 none
  int32_t Delay = 1;                     // ms; 0 in the file becomes 1
};

// A cached picture file. Its key (the collection name) is the file name, followed by "?m" when a mask
// was wanted for every frame.
class TDrelItem : public THashCollectionItem {
 public:
  int FrameCount() const { return static_cast<int>(Frames.size()); }
  TDrelItemFrame& Frame(int i) { return *Frames[static_cast<size_t>(i)]; }
  const TDrelItemFrame& Frame(int i) const { return *Frames[static_cast<size_t>(i)]; }
  // Pixel bytes of the frames' pictures and masks.
  int64_t Memory() const;
  bool InUse() const { return !Users.empty(); }

  std::vector<std::unique_ptr<TDrelItemFrame>> Frames;
  int32_t Width = 0;  // of the first frame
  int32_t Height = 0;
  int64_t TotalDelay = 0;  // sum of the frame delays
  std::vector<const void*> Users;  // each at most once
  // Why the file could not be decoded (empty when it was, or when it is simply missing).
  std::string LoadError;
  // The file was missing or gave no frames: the one frame is the transparent stand-in.
  bool Missing = false;

 private:
  friend class THashCollection;
  friend class TDrelCollection;
  TDrelItem() = default;
  int64_t memory_ = 0;                // Memory() as of the last load
  bool spare_ = false;                // on the spare list
  std::vector<std::string> aliases_;  // spellings of the key in the quick index
};

class TDrelCollection : public THashCollection {
 public:
  // The spare items may hold this many bytes together; the newest spare item always stays.
  static constexpr int64_t kSpareBudget = 5'760'000;
  static constexpr std::string_view kMaskSuffix = "?m";

  // Whole content of a game-data file, or nothing when it is not available.
  using FileReader = std::function<std::optional<std::string>(std::string_view name)>;

  explicit TDrelCollection(FileReader reader);
  // Reads through the file manager (not owned).
  static FileReader FromFileManager(TVrFileManager& files);

  // Finds or loads the item of `fileName` (with "?m" when wantMask), adds `user` to its users and
  // takes it off the spare list.
  TDrelItem* Acquire(const void* user, std::string_view fileName, bool wantMask);
  // Removes `user`; an item left without users goes to the end of the spare list and the budget is
  // enforced.
  void Release(TDrelItem* item, const void* user);
  // Frees the spare items of both keys of `fileName`; items in use stay.
  void Forget(std::string_view fileName);

  // The convert-at-load flag: stored, saved and readable; changing it reloads every item.
  bool ConvertAtLoad() const { return convertAtLoad_; }
  void SetConvertAtLoad(bool value);
  // Around a display-mode change: platform surfaces are released (memory surfaces keep their
  // pixels), then every item is decoded again, on new surfaces at the current depth with recreate.
  void ReleaseSurfaces();
  void RestoreSurfaces(bool recreate);

  // Depth of the picture surfaces (the screen manager's bit count; 32 without one).
  int ScreenBits() const { return screenBits_; }
  void SetScreenBits(int bits) { screenBits_ = bits; }
  // Seed of shuffled picture files (the project's ImageKey).
  void SetImageKey(int32_t key) { imageKey_ = key; }

  // Saved with the scene: the flag byte (read for record versions above 100).
  void SaveToStream(ByteWriter& out) const;
  void LoadFromStream(ByteReader& in, int32_t version);

  TDrelItem* Item(int index) const { return At<TDrelItem>(index); }
  TDrelItem* FindItem(std::string_view key) const { return static_cast<TDrelItem*>(Find(key)); }
  int SpareCount() const { return static_cast<int>(spare_.size()); }
  const std::vector<TDrelItem*>& Spare() const { return spare_; }
  int64_t SpareMemory() const { return spareMemory_; }
  // Pixel bytes of every item, in use or spare.
  int64_t TotalMemory() const;

 private:
  // Decodes the file of the item's key; false (list untouched) when the file is not available.
  bool Decode(TDrelItem& item, TDrelFrameList& list, bool& wantMask);
  void Load(TDrelItem& item);
  void LoadFrames(TDrelItem& item);
  void Reload(TDrelItem& item, bool recreate);
  void ReloadFrames(TDrelItem& item, bool recreate);
  std::unique_ptr<TCustomDIBX> NewPicture() const;
  void TakeOffSpare(TDrelItem* item);
  void Free(TDrelItem* item);
  void EnforceBudget();
  TDrelItem* Lookup(const std::string& key);

  FileReader reader_;
  std::vector<TDrelItem*> spare_;  // oldest first
  int64_t spareMemory_ = 0;
  // Exact spellings of keys already looked up -> item, so that a hit costs one hash probe whatever
  // the name hash of the collection puts in one bucket.
  std::unordered_map<std::string, TDrelItem*> quick_;
  bool convertAtLoad_ = false;
  int screenBits_ = 32;
  int32_t imageKey_ = 0;
};

}  // namespace kuzo
