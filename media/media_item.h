// Media items and their managers: the common face of every sound, music and movie source. An item
// hides the engine that plays it; a manager owns the items of one kind, pauses them all while the
// player is in the background and resumes exactly those it paused.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/range_stream.h"

namespace kuzo::media {

class TMediaManager;

// Volume and pan in hundredths of a decibel (−10000…0 and −10000…10000); positions and lengths in
// milliseconds.
class TDMediaItem {
 public:
  virtual ~TDMediaItem() = default;
  virtual bool GetLoop() = 0;
  virtual void SetLoop(bool loop) = 0;
  virtual int32_t GetPan() = 0;
  virtual int32_t GetVolume() = 0;
  virtual void SetPan(int32_t pan) = 0;
  virtual void SetVolume(int32_t volume) = 0;
  virtual int32_t GetPosition() = 0;
  // Negative positions become 0.
  virtual void SetPosition(int32_t ms) = 0;
  virtual int32_t GetLength() = 0;
  // True once when the item has played to its end; later calls answer false until the position is
  // set again.
  virtual bool EndReached() = 0;
  virtual bool IsPlaying() = 0;
  virtual bool IsPaused() = 0;
  virtual void Play() = 0;
  virtual void Pause() = 0;

  // Set by the manager's PauseAll for the items it paused.
  bool resumeAfterPause = false;
  // The manager that owns the item (set by the manager when the item is added).
  TMediaManager* manager = nullptr;
};

class TMediaManager {
 public:
  virtual ~TMediaManager() = default;

  TDMediaItem* Adopt(std::unique_ptr<TDMediaItem> item);
  // Frees the item and deletes it from the list.
  void Remove(TDMediaItem* item);
  void Clear();
  size_t Count() const { return items_.size(); }

  // Pauses every playing, unpaused item that has not reached its end, remembering which.
  void PauseAll();
  // Plays again exactly the items PauseAll paused.
  void ResumeAll();
  // Disabling pauses everything first; enabling resumes afterwards.
  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }
  bool PausedAll() const { return pausedAll_; }

 protected:
  // Whether an item counts as having reached its end for PauseAll (without consuming the latch).
  virtual bool ItemAtEnd(TDMediaItem& item) { return false; }

  std::vector<std::unique_ptr<TDMediaItem>> items_;
  bool enabled_ = true;
  bool pausedAll_ = false;
};

// How media items reach the title's files: a range stream over a file (raises the file manager's
// error when it is missing), the whole content (for MIDI), and whether a name exists.
struct MediaFiles {
  std::function<std::unique_ptr<TRangeStream>(std::string_view name)> openRange;
  std::function<std::string(std::string_view name)> readFile;
  std::function<bool(std::string_view name)> exists;
};

// Milliseconds for a count of mixer frames and back (truncating).
inline int32_t FramesToMs(int64_t frames) { return static_cast<int32_t>(frames * 1000 / 44100); }
inline int64_t MsToFrames(int64_t ms) { return ms * 44100 / 1000; }

}  // namespace kuzo::media
