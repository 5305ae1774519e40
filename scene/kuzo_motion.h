// A keyframe film attached to a control: the per-tick stepping (start countdown, elapsed time,
// frame index in 1/60 s frames, repeat with loop start, completion). The film itself lives in the
// animation layer behind the KeyframeFilm interface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kuzo {

class TKuzoControl;

// What the motion needs from a loaded film.
class KeyframeFilm {
 public:
  virtual ~KeyframeFilm() = default;
  virtual int32_t FrameCount() const = 0;
  virtual int32_t LoopStart() const = 0;
  // A relative film moves from the control's position; an absolute one from (0, 0).
  virtual bool IsRelative() const = 0;
  virtual void SetStartPoint(int32_t x, int32_t y) = 0;
  virtual void SetBasePriority(int32_t priority) = 0;
  virtual int32_t CurrentFrame() const = 0;
  // Applies frame `index` to the controlled object (position, alpha, ...).
  virtual void ApplyFrame(int32_t index) = 0;
};

// Loads the film `file` for `control`; null when the file cannot be loaded.
using FilmLoader = std::function<std::unique_ptr<KeyframeFilm>(TKuzoControl& control, const std::string& file)>;

// One motion frame lasts 1000/60 ms.
constexpr double kMotionFrameMs = 1000.0 / 60.0;

class TKuzoMotion {
 public:
  explicit TKuzoMotion(std::unique_ptr<KeyframeFilm> film);

  // Starts again from frame 0 (elapsed 0, countdown 2, not finished).
  void Restart();
  // One tick: advances by `elapsedMs` and applies the frame. True exactly on the tick the motion
  // completes (never for a repeating motion).
  bool Advance(TKuzoControl& control, int32_t elapsedMs);

  KeyframeFilm* Film() const { return film_.get(); }
  int32_t Elapsed() const { return elapsed_; }
  void SetElapsed(int32_t ms) { elapsed_ = ms; }
  int32_t Countdown() const { return countdown_; }
  bool Finished() const { return finished_; }
  int32_t FrameIndex() const { return frameIndex_; }
  int32_t FrameCount() const { return film_ ? film_->FrameCount() : 0; }

 private:
  std::unique_ptr<KeyframeFilm> film_;
  int32_t elapsed_ = 0;
  int32_t countdown_ = 2;
  bool finished_ = false;
  int32_t frameIndex_ = 0;
  int32_t lastLeft_ = 0;
  int32_t lastTop_ = 0;
};

}  // namespace kuzo
