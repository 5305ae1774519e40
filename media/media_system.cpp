// Construction order, manager choice and the focus handling of all managers.
#include "media/media_system.h"

#include <algorithm>
#include <array>

#include "core/errors.h"

namespace kuzo::media {

namespace {

std::string LowerExtension(std::string_view name) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of("\\/");
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string ext(name.substr(dot));
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return ext;
}

// The manager of the silent stand-ins.
class SilentManager : public TMediaManager {};

}  // namespace

SoundKind KindForSoundName(std::string_view name) {
  const std::string ext = LowerExtension(name);
  if (ext == ".mid" || ext == ".sgt") return SoundKind::kMidi;
  if (ext == ".wma" || ext == ".asf" || ext == ".wmv") return SoundKind::kWindowsMedia;
  if (ext == ".ogg" || ext == ".wav") return SoundKind::kOgg;
  if (name.substr(0, 3) == "CD_") return SoundKind::kCd;
  return SoundKind::kNone;
}

MediaSystem::MediaSystem(MediaFiles files, MediaSettings settings, Log log)
    : files_(std::move(files)), settings_(std::move(settings)), log_(std::move(log)) {
  AudioMixer& mixer = engine_.Mixer();
  video_ = std::make_unique<TVideoManager>(mixer, files_);
  wma_ = std::make_unique<TWmpManager>(mixer, files_);
  ogg_ = std::make_unique<TOggManager>(mixer, files_, settings_.directSound, settings_.delayTimeMs);
  cd_ = std::make_unique<TCddaManager>(mixer, files_);
  midi_ = std::make_unique<TMidiManager>(mixer, files_, settings_.soundFont);
  silent_ = std::make_unique<SilentManager>();
  if (!midi_->SynthProblem().empty() && log_) log_("MIDI is silent: " + midi_->SynthProblem());
}

MediaSystem::~MediaSystem() { Shutdown(); }

void MediaSystem::Shutdown() {
  engine_.CloseDevice();
  silent_.reset();
  video_.reset();
  wma_.reset();
  ogg_.reset();
  cd_.reset();
  midi_.reset();
  engine_.CloseOutput();
}

TDMediaItem* MediaSystem::AddSound(std::string_view name) {
  const SoundKind kind = KindForSoundName(name);
  try {
    switch (kind) {
      case SoundKind::kMidi:
        return midi_->Add(name);
      case SoundKind::kWindowsMedia:
        return wma_->Add(name);
      case SoundKind::kOgg:
        return ogg_->Add(name);
      case SoundKind::kCd:
        return cd_->Add(name);
      case SoundKind::kNone:
        if (log_) log_(std::string(name) + ": no player for this kind of file; it ends at once");
        break;
    }
  } catch (const FormatError&) {
    throw;
  } catch (const KuzoError& e) {
    // Missing files keep the file manager's error; undecodable data becomes a silent sound.
    if (std::string_view(e.what()) != kBadSoundDataMessage) throw;
    if (log_) log_(std::string(name) + ": " + e.what() + "; it ends at once");
  }
  return silent_->Adopt(std::make_unique<TMixerItem>(engine_.Mixer(), std::unique_ptr<AudioDecoder>()));
}

SoundKind MediaSystem::KindOf(const TDMediaItem* item) const {
  if (!item) return SoundKind::kNone;
  if (item->manager == midi_.get()) return SoundKind::kMidi;
  if (item->manager == wma_.get()) return SoundKind::kWindowsMedia;
  if (item->manager == ogg_.get()) return SoundKind::kOgg;
  if (item->manager == cd_.get()) return SoundKind::kCd;
  return SoundKind::kNone;
}

void MediaSystem::RemoveSound(TDMediaItem* item) {
  if (item && item->manager) item->manager->Remove(item);
}

std::array<TMediaManager*, 5> MediaSystem::Managers() {
  return {video_.get(), wma_.get(), ogg_.get(), cd_.get(), midi_.get()};
}

void MediaSystem::PauseAll() {
  for (TMediaManager* m : Managers())
    if (m) m->PauseAll();
}

void MediaSystem::ResumeAll() {
  for (TMediaManager* m : Managers())
    if (m) m->ResumeAll();
}

}  // namespace kuzo::media
