// kuzotool demo-media OUTDIR: makes the demo title's sounds, music and movie from code, so the
// repository holds no audio or video binaries. It writes the button effects as wave files, a MIDI
// piece, and the raw material the build encodes with FFmpeg's own encoders: the background music
// and the voice line (wave, encoded to Ogg Vorbis) and the movie (raw RGB frames plus its sound,
// encoded to MPEG-1).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "platform/file_system.h"
#include "tools/command.h"

namespace {

using namespace kuzo;

constexpr int kRate = 44100;
// The movie's frame size and rate (MPEG-1 wants sizes in 16-pixel macroblocks).
constexpr int kMovieWidth = 256, kMovieHeight = 144, kMovieFps = 24, kMovieSeconds = 4;

// Stereo samples in [-1, 1], left and right interleaved.
using Stereo = std::vector<float>;

Stereo Silence(double seconds) { return Stereo(static_cast<size_t>(seconds * kRate) * 2, 0.0f); }

double MidiHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Adds a note: a few harmonics under an attack/decay envelope, placed at `pan` (-1 left … 1 right).
void AddNote(Stereo& out, double start, double length, int note, double level, double pan, int harmonics = 3) {
  const double hz = MidiHz(note);
  const size_t first = static_cast<size_t>(start * kRate);
  const size_t count = static_cast<size_t>(length * kRate);
  const double left = level * std::min(1.0, 1.0 - pan), right = level * std::min(1.0, 1.0 + pan);
  for (size_t i = 0; i < count && (first + i) * 2 + 1 < out.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double attack = std::min(1.0, t / 0.01);
    const double release = std::min(1.0, (length - t) / 0.05);
    const double env = attack * std::max(0.0, release) * std::exp(-2.5 * t / length);
    double v = 0;
    for (int h = 1; h <= harmonics; ++h) v += std::sin(2 * std::numbers::pi * hz * h * t) / (h * h);
    out[(first + i) * 2] += static_cast<float>(v * env * left);
    out[(first + i) * 2 + 1] += static_cast<float>(v * env * right);
  }
}

std::string WaveFile(const Stereo& samples) {
  const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
  ByteWriter w;
  w.Bytes("RIFF");
  w.U32(36 + bytes);
  w.Bytes("WAVEfmt ");
  w.U32(16);
  w.U16(1);  // PCM
  w.U16(2);
  w.U32(kRate);
  w.U32(kRate * 4);
  w.U16(4);
  w.U16(16);
  w.Bytes("data");
  w.U32(bytes);
  for (float s : samples) w.U16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32000))));
  return w.Take();
}

// Eight bars of a gentle loop in C major at 96 beats a minute: chords, bass and a melody, which ends
// where it began so the music loops without a seam.
Stereo Music() {
  constexpr double beat = 60.0 / 96;
  const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};  // C Am F G
  const int melody[32] = {72, 74, 76, 79, 76, 74, 72, 71, 72, 76, 81, 79, 77, 76, 74, 72,
                          69, 72, 77, 76, 74, 72, 71, 74, 79, 77, 76, 74, 72, 71, 72, 67};
  Stereo out = Silence(32 * beat + 0.1);
  for (int bar = 0; bar < 8; ++bar) {
    const int* chord = chords[bar % 4];
    for (int n = 0; n < 3; ++n) AddNote(out, bar * 4 * beat, 4 * beat, chord[n], 0.08, (n - 1) * 0.4, 2);
    AddNote(out, bar * 4 * beat, 2 * beat, chord[0] - 24, 0.18, 0, 4);
    AddNote(out, (bar * 4 + 2) * beat, 2 * beat, chord[0] - 17, 0.15, 0, 4);
    for (int i = 0; i < 4; ++i) AddNote(out, (bar * 4 + i) * beat, beat * 0.95, melody[(bar * 4 + i) % 32], 0.16, 0.2);
  }
  out.resize(static_cast<size_t>(32 * beat * kRate) * 2);
  return out;
}

// A short "spoken" line: syllables of a buzzy tone through two vowel-like resonances, with a
// falling pitch as in a sentence.
Stereo Voice() {
  const double formants[5][2] = {{800, 1200}, {400, 2000}, {300, 2300}, {500, 900}, {350, 800}};  // a i i o u
  Stereo out = Silence(1.8);
  double phase = 0;
  const int syllables = 7;
  for (int s = 0; s < syllables; ++s) {
    const double start = 0.1 + s * 0.22, length = 0.19;
    const double f1 = formants[s % 5][0], f2 = formants[s % 5][1];
    for (int i = 0; i < static_cast<int>(length * kRate); ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double pitch = 210 - 60 * (start + t) / 1.8 + 8 * std::sin(2 * std::numbers::pi * 5 * t);
      phase += pitch / kRate;
      double v = 0;
      // Harmonics of the pitch weighted by their distance to the two resonances.
      for (int h = 1; h * pitch < 3500; ++h) {
        const double f = h * pitch;
        const double gain = 1.0 / (1 + std::pow((f - f1) / 150, 2)) + 0.6 / (1 + std::pow((f - f2) / 200, 2));
        v += gain * std::sin(2 * std::numbers::pi * h * phase);
      }
      const double env = std::sin(std::numbers::pi * t / length);
      const size_t at = static_cast<size_t>((start + t) * kRate) * 2;
      out[at] += static_cast<float>(0.15 * v * env);
      out[at + 1] += static_cast<float>(0.15 * v * env);
    }
  }
  return out;
}

// Button effects: a short click and a softer, higher tick for hovering.
Stereo Click() {
  Stereo out = Silence(0.09);
  AddNote(out, 0, 0.08, 84, 0.5, 0, 5);
  AddNote(out, 0, 0.04, 96, 0.3, 0, 2);
  return out;
}

Stereo Hover() {
  Stereo out = Silence(0.05);
  AddNote(out, 0, 0.045, 100, 0.25, 0, 1);
  return out;
}

// The movie's sound: a rising arpeggio, one note per half second, panned across.
Stereo MovieSound() {
  Stereo out = Silence(kMovieSeconds);
  const int notes[8] = {60, 64, 67, 72, 67, 64, 60, 55};
  for (int i = 0; i < 8; ++i) AddNote(out, i * 0.5, 0.48, notes[i], 0.3, -0.8 + i * 0.2);
  return out;
}

// The movie's frames: a sky gradient, a ball bouncing across and a bar that fills with time.
std::string MovieFrames() {
  const int frames = kMovieFps * kMovieSeconds;
  std::string rgb;
  rgb.reserve(static_cast<size_t>(frames) * kMovieWidth * kMovieHeight * 3);
  for (int f = 0; f < frames; ++f) {
    const double t = static_cast<double>(f) / kMovieFps;
    const double bx = 20 + (kMovieWidth - 40) * t / kMovieSeconds;
    const double by = kMovieHeight - 30 - std::abs(std::sin(std::numbers::pi * t * 1.5)) * 80;
    const int bar = (kMovieWidth - 20) * (f + 1) / frames;
    for (int y = 0; y < kMovieHeight; ++y) {
      for (int x = 0; x < kMovieWidth; ++x) {
        int r = 40 + y / 2, g = 80 + y / 2, b = 200 - y / 3;
        const double d = std::hypot(x - bx, y - by);
        if (d < 14) r = 250, g = 200 - static_cast<int>(d * 6), b = 40;
        if (y >= kMovieHeight - 12 && y < kMovieHeight - 6 && x >= 10 && x < 10 + bar) r = g = b = 240;
        rgb.push_back(static_cast<char>(r));
        rgb.push_back(static_cast<char>(g));
        rgb.push_back(static_cast<char>(b));
      }
    }
  }
  return rgb;
}

// A two-track MIDI file (format 1): a tempo map and a piano melody over a string pad, ending with
// all its notes released so it loops cleanly.
std::string MidiPiece() {
  constexpr int kDivision = 480;
  auto vlq = [](std::string& s, uint32_t v) {
    char buf[5];
    int n = 0;
    buf[n++] = static_cast<char>(v & 0x7F);
    while (v >>= 7) buf[n++] = static_cast<char>(0x80 | (v & 0x7F));
    while (n) s.push_back(buf[--n]);
  };
  auto be32 = [](std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>(v >> (i * 8)));
  };
  auto chunk = [&](std::string& file, const char* id, const std::string& body) {
    file += id;
    be32(file, static_cast<uint32_t>(body.size()));
    file += body;
  };
  std::string tempo;
  vlq(tempo, 0);
  tempo += std::string("\xFF\x51\x03\x09\x27\xC0", 6);  // 600000 us a beat: 100 beats a minute
  vlq(tempo, kDivision * 16);
  tempo += std::string("\xFF\x51\x03\x07\xA1\x20", 6);  // then 500000: 120
  vlq(tempo, 0);
  tempo += std::string("\xFF\x2F\x00", 3);

  std::string music;
  auto event = [&](uint32_t delta, std::initializer_list<int> bytes) {
    vlq(music, delta);
    for (int b : bytes) music.push_back(static_cast<char>(b));
  };
  event(0, {0xC0, 0});   // piano
  event(0, {0xC1, 48});  // strings
  event(0, {0xB1, 7, 80});
  const int melody[16] = {67, 72, 76, 74, 72, 71, 72, 67, 65, 69, 72, 71, 69, 67, 65, 64};
  const int pads[4] = {48, 45, 41, 43};
  for (int bar = 0; bar < 8; ++bar) {
    const int pad = pads[bar % 4];
    event(0, {0x91, pad, 60});
    event(0, {0x91, pad + 7, 50});
    // Each melody note sounds for a beat less a short gap before the next.
    for (int i = 0; i < 4; ++i) {
      const int note = melody[(bar * 4 + i) % 16];
      event(i == 0 ? 0 : 20, {0x90, note, 96});
      event(kDivision - 20, {0x80, note, 0});
    }
    event(20, {0x81, pad, 0});
    event(0, {0x81, pad + 7, 0});
  }
  vlq(music, 0);
  music += std::string("\xFF\x2F\x00", 3);

  std::string header;
  header.push_back(0);
  header.push_back(1);  // format 1
  header.push_back(0);
  header.push_back(2);  // two tracks
  header.push_back(static_cast<char>(kDivision >> 8));
  header.push_back(static_cast<char>(kDivision & 0xFF));
  std::string file;
  chunk(file, "MThd", header);
  chunk(file, "MTrk", tempo);
  chunk(file, "MTrk", music);
  return file;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: kuzotool demo-media OUTDIR\n");
    return 1;
  }
  const std::filesystem::path dir = args[0];
  try {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw KuzoError("cannot create the directory: " + ec.message());
    platform::WriteFileAtomic(dir / "click.wav", WaveFile(Click()));
    platform::WriteFileAtomic(dir / "hover.wav", WaveFile(Hover()));
    platform::WriteFileAtomic(dir / "theme.mid", MidiPiece());
    // Material the build encodes and then removes.
    platform::WriteFileAtomic(dir / "music-pcm.wav", WaveFile(Music()));
    platform::WriteFileAtomic(dir / "voice-pcm.wav", WaveFile(Voice()));
    platform::WriteFileAtomic(dir / "movie-pcm.wav", WaveFile(MovieSound()));
    platform::WriteFileAtomic(dir / "movie.rgb", MovieFrames());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", dir.string().c_str(), e.what());
    return 1;
  }
  return 0;
}

const kuzo::tool::CommandRegistration kRegistration("demo-media", "demo-media OUTDIR", Run);

}  // namespace
