// Frame-animated pictures. TKuzoCustomImages shows one frame of a frame list at a time and steps
// through the frames by their delays (the last frame may wait longer by an expression the creating
// command gives); TKuzoImages (kind 8) is the script image, whose frames come from a ".drl" source
// (buttons hold one frame list per state on the same machinery).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "components/kuzo_custom_image.h"
#include "components/kuzo_image_list.h"

namespace kuzo {

class TKuzoParser;

class TKuzoCustomImages : public TKuzoCustomImage {
 public:
  TKuzoCustomImages();
  ~TKuzoCustomImages() override;

  // The shown frame (-1: none); while a motion is attached, the motion's frame.
  int32_t GetIndex() const;
  // Shows frame `i` of the current list: its picture, mask and transparent colour become the
  // picture, its delay is added to the time left (and on the last frame the last-frame wait), and
  // the size follows. Indexes outside the list leave the last picture in place. With a motion
  // attached, the motion jumps to frame `i` instead.
  void SetIndex(int32_t i);
  int32_t GetCount() const;
  // False while paused and at the last frame of a non-repeating animation whose time is used up.
  bool GetPlaying() const;
  int32_t Remaining() const { return remaining_; }

  // The extra time of the last frame: a compiled expression in its stream form (the creating
  // command's wait expression), evaluated against the variable table each time the last frame shows.
  void SetLastFrameWait(std::string_view streamForm);
  std::optional<int32_t> LastFrameWaitValue();

  bool Tick() override;

  int32_t GetIntProp(PropId id) const override;
  void SetIntProp(PropId id, int32_t v) override;
  bool GetBoolProp(PropId id) const override;
  void SetBoolProp(PropId id, bool v) override;
  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

 protected:
  // The frame list shown now (null when none).
  virtual TKuzoImageList* CurrentList() const = 0;
  virtual bool Repeats() const { return false; }
  virtual bool AutoScraps() const { return false; }
  virtual std::string PlayEndLabel() const { return std::string(); }

  bool FrameValid() const;
  // Drops the shown frame: no index, no lent picture or mask.
  void ClearFrame();
  // Whether the frames may move this tick (no motion, a frame shown, visible, not paused).
  bool Animating() const;
  // Spends this tick's time and steps to the next frames while it runs out. At the last frame it
  // restarts at frame 0 when `restart`, else answers true (the last frame's time is used up).
  bool StepFrames(bool restart);
  // The index and time read from a saved record, applied again once the sources are loaded.
  void ApplyLoadedFrame();

  int32_t remaining_ = 0;
  int32_t index_ = -1;
  int32_t tint_ = 0;
  bool paused_ = false;

 private:
  std::unique_ptr<TKuzoParser> lastFrameWait_;
  int32_t loadedIndex_ = -1;
  int32_t loadedRemaining_ = 0;
};

class TKuzoImages : public TKuzoCustomImages {
 public:
  static constexpr int32_t kKindCode = LT_IMAGES;
  int32_t KindCode() const override { return kKindCode; }

  TKuzoImages() : TKuzoImages(1) {}
  ~TKuzoImages() override;

  const std::string& Source() const { return source_; }
  // ".drl" loads frame list 0; ".kmt" attaches a motion; any other name gives size 0.
  void SetSource(const std::string& source);
  TKuzoImageList& List(int n) { return *lists_[static_cast<size_t>(n)]; }

  bool Tick() override;
  // Around a display-mode change: tinted copies are dropped, then made again from the cache.
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

  bool GetBoolProp(PropId id) const override;
  void SetBoolProp(PropId id, bool v) override;
  std::string GetStrProp(PropId id) const override;
  void SetStrProp(PropId id, const std::string& v) override;
  void SaveToStream(ByteWriter& out) const override;
  void LoadFromStream(ByteReader& in, int32_t version) override;

 protected:
  explicit TKuzoImages(int listCount);
  TKuzoImageList* CurrentList() const override;
  // Which list is shown (buttons: the state); -1 for none.
  virtual int ShownList() const { return 0; }
  bool Repeats() const override { return repeat_; }
  bool AutoScraps() const override { return autoScrap_; }
  std::string PlayEndLabel() const override { return playEndLabel_; }
  bool HasSource() const override { return !source_.empty(); }
  // Loads list `n` from a ".drl" source (true); other names leave it empty (false).
  bool LoadList(int n, const std::string& source);

  std::vector<std::unique_ptr<TKuzoImageList>> lists_;
  bool repeat_ = false;
  bool autoScrap_ = false;
  std::string source_;
  std::string playEndLabel_;
  std::string idleLabel_;
};

// Says once that a motion source could not be attached (this build plays no motion files yet).
void ReportMotionUnavailable(const TKuzoObject& component, const std::string& source);

}  // namespace kuzo
