// The media side of the player in one object: the audio engine and the managers, created in the
// start-up order (video, Windows Media, Ogg, CD, MIDI) and freed in the shutdown order, the choice
// of manager by file name, pausing everything while the player is in the background, and headless
// rendering in step with the virtual clock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "media/audio_engine.h"
#include "media/midi_items.h"
#include "media/sound_items.h"
#include "media/video_item.h"

namespace kuzo::media {

struct MediaSettings {
  bool directSound = true;    // false: Ogg and wave sounds go through the wave output mixer
  int32_t delayTimeMs = 500;  // the wave output's block length
  std::string soundFont = kDefaultSoundFont;
};

enum class SoundKind { kNone, kMidi, kWindowsMedia, kOgg, kCd };

// The manager a sound name goes to, by its lower-cased extension; "CD_" names with another
// extension are CD tracks.
SoundKind KindForSoundName(std::string_view name);

// Windows Media audio (".wma", ".asf", ".wmv" used as sound) decoded like Ogg, always in the mixer.
class TWmpManager : public TOggManager {
 public:
  TWmpManager(AudioMixer& mixer, MediaFiles files) : TOggManager(mixer, std::move(files), true) {}
};

class MediaSystem {
 public:
  using Log = std::function<void(const std::string&)>;

  MediaSystem(MediaFiles files, MediaSettings settings, Log log = {});
  ~MediaSystem();
  MediaSystem(const MediaSystem&) = delete;
  MediaSystem& operator=(const MediaSystem&) = delete;

  AudioEngine& Engine() { return engine_; }
  TVideoManager& Video() { return *video_; }
  TWmpManager& Wma() { return *wma_; }
  TOggManager& Ogg() { return *ogg_; }
  TCddaManager& Cd() { return *cd_; }
  TMidiManager& Midi() { return *midi_; }

  // A new item for a sound file. The file manager's error for a missing file propagates; a file
  // that cannot be decoded or a name no manager plays gives a silent item that ends as soon as it
  // is played (the reason goes to the log), so a script waiting for its end goes on.
  TDMediaItem* AddSound(std::string_view name);
  // Hands an item back to its manager (frees it).
  void RemoveSound(TDMediaItem* item);
  SoundKind KindOf(const TDMediaItem* item) const;
  // Whether the title holds the file (sounds and movies whose file is missing do not play).
  bool Available(std::string_view name) const { return files_.exists && files_.exists(name); }

  // Focus: leaving the player pauses what plays; returning resumes exactly that.
  void PauseAll();
  void ResumeAll();

  // Headless: renders the mix up to virtual time `ms`, before the tick that runs at that time.
  void AdvanceTo(int64_t ms) { engine_.RenderUntil(ms); }

  // Frees the managers in the shutdown order after silencing the device; idempotent.
  void Shutdown();

 private:
  // Every manager in the start-up order (null after the shutdown).
  std::array<TMediaManager*, 5> Managers();

  MediaFiles files_;
  MediaSettings settings_;
  Log log_;
  AudioEngine engine_;
  std::unique_ptr<TVideoManager> video_;
  std::unique_ptr<TWmpManager> wma_;
  std::unique_ptr<TOggManager> ogg_;
  std::unique_ptr<TCddaManager> cd_;
  std::unique_ptr<TMidiManager> midi_;
  // Silent stand-ins for unplayable sounds.
  std::unique_ptr<TMediaManager> silent_;
};

}  // namespace kuzo::media
