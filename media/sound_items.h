// Streamed sounds in the mixer: Ogg and wave files (TOggItem) and CD tracks played from ripped files
// beside the title (TCddaItem), with their managers.
//
// CD tracks: "CD_" + track number plays "cd\trackNN.ogg" (or ".wav"), NN the track number with at
// least two digits, from the title's data. A track without a file is a silent track of length 0: it
// ends as soon as it is played, so scripts waiting for it go on.
#pragma once

#include <memory>
#include <string>

#include "media/audio_mixer.h"
#include "media/decoder_voice.h"
#include "media/media_item.h"
#include "media/wav_out.h"

namespace kuzo::media {

// A decoder voice in the mixer with the common item behaviour (levels, loop, position, the end
// latch); the base of the Ogg and CD items.
class TMixerItem : public TDMediaItem {
 public:
  // Takes the decoder (may be null: a silent item of length 0) and adds its voice to `mixer`.
  TMixerItem(AudioMixer& mixer, std::unique_ptr<AudioDecoder> decoder);
  // Plays a voice made by the caller (a silent clock, for instance).
  TMixerItem(AudioMixer& mixer, std::unique_ptr<DecoderVoice> voice);
  ~TMixerItem() override;

  bool GetLoop() override;
  void SetLoop(bool loop) override;
  int32_t GetPan() override;
  int32_t GetVolume() override;
  void SetPan(int32_t pan) override;
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t ms) override;
  int32_t GetLength() override;
  bool EndReached() override;
  bool IsPlaying() override;
  bool IsPaused() override;
  void Play() override;
  void Pause() override;

 protected:
  AudioMixer& mixer_;
  DecoderVoice* voice_ = nullptr;  // owned by the mixer; null for a silent item
  bool silentLoop_ = false;
  bool silentPlaying_ = false;  // a silent item that was played has ended
  bool paused_ = false;
  bool endReported_ = false;
  int32_t volume_ = 0, pan_ = 0;
};

class TOggItem : public TMixerItem {
 public:
  // Raises "サウンドデータが不正です" when the stream holds no playable audio.
  TOggItem(AudioMixer& mixer, std::unique_ptr<TRangeStream> stream, const std::string& name);
};

// An Ogg or wave sound played by the wave output mixer (the DirectSound setting off).
class TOggWaveItem : public TDMediaItem {
 public:
  // Raises "サウンドデータが不正です" when the stream holds no playable audio.
  TOggWaveItem(AudioMixer& mixer, TWavOut& out, std::unique_ptr<TRangeStream> stream, const std::string& name);
  ~TOggWaveItem() override;

  bool GetLoop() override;
  void SetLoop(bool loop) override;
  int32_t GetPan() override { return pan_; }
  int32_t GetVolume() override { return volume_; }
  // The wave output has no pan: the value is only kept.
  void SetPan(int32_t pan) override { pan_ = pan; }
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t ms) override;
  int32_t GetLength() override;
  bool EndReached() override;
  bool IsPlaying() override;
  bool IsPaused() override;
  void Play() override;
  void Pause() override;

 private:
  double BytesPerMs() const;

  AudioMixer& mixer_;
  TWavOut& out_;
  TWavBuffer* buffer_;
  bool endReported_ = false;
  int32_t volume_ = 0, pan_ = 0;
};

class TOggManager : public TMediaManager {
 public:
  // With `directSound` off the sounds play through a wave output with blocks of `delayTimeMs`.
  TOggManager(AudioMixer& mixer, MediaFiles files, bool directSound = true, int32_t delayTimeMs = 500);
  ~TOggManager() override;
  // A new item for a ".ogg" or ".wav" file; raises the file manager's error for a missing file and
  // "サウンドデータが不正です" for undecodable data.
  TDMediaItem* Add(std::string_view name);
  TWavOut* WaveOutput() { return waveOut_; }

 private:
  AudioMixer& mixer_;
  MediaFiles files_;
  bool directSound_;
  TWavOut* waveOut_ = nullptr;  // a voice of the mixer, removed with the manager
};

class TCddaManager;

class TCddaItem : public TMixerItem {
 public:
  TCddaItem(AudioMixer& mixer, std::unique_ptr<AudioDecoder> decoder, int32_t track);
  ~TCddaItem() override;
  int32_t Track() const { return track_; }
  void Play() override;
  void Pause() override;
  void SetPosition(int32_t ms) override;
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;

 private:
  int32_t track_;
  int32_t rememberedSeconds_ = 0;
};

class TCddaManager : public TMediaManager {
 public:
  TCddaManager(AudioMixer& mixer, MediaFiles files) : mixer_(mixer), files_(std::move(files)) {}
  ~TCddaManager() override { Clear(); }
  // A CD item for a "CD_" name; a name without a track number gives a silent item.
  TDMediaItem* Add(std::string_view name);
  // The file a track plays from, or "" when the title has none.
  std::string TrackFile(int32_t track) const;
  // Only one CD item plays at a time: taking over stops the previous owner.
  void TakeOver(TCddaItem* item);
  TCddaItem* Owner() const { return owner_; }
  void Forget(TCddaItem* item) {
    if (owner_ == item) owner_ = nullptr;
  }

 private:
  AudioMixer& mixer_;
  MediaFiles files_;
  TCddaItem* owner_ = nullptr;
};

// The track number of a CD name ("CD_3" → 3), −1 when the text after the first three characters is
// not a decimal number.
int32_t CdTrackNumber(std::string_view name);

}  // namespace kuzo::media
