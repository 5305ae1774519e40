// Fuzzes the MIDI file reader and the sequencer over what it read: any bytes load (possibly as no
// events), times never run backwards, and playing, chasing and looping the result ends in bounded
// work with every scaled controller value a data byte.
#include <span>
#include <string>

#include "fuzz/fuzz_input.h"
#include "media/midi_file.h"
#include "media/midi_sequencer.h"

namespace {

class CheckingPort : public kuzo::media::IMidiPort {
 public:
  void ShortMessage(uint8_t status, uint8_t data1, uint8_t data2) override {
    if ((status & 0xF0) == 0xB0 && (data1 > 127 || data2 > 127)) __builtin_trap();
  }
  void LongMessage(std::span<const uint8_t> bytes) override {
    if (bytes.empty()) __builtin_trap();
  }
  void Reset() override {}
};

std::string Vlq(uint32_t v) {
  std::string out(1, static_cast<char>(v & 0x7F));
  while (v >>= 7) out.insert(out.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  return out;
}

std::string Chunk(const char* tag, const std::string& body) {
  std::string out(tag, 4);
  for (int i = 3; i >= 0; --i) out += static_cast<char>((body.size() >> (8 * i)) & 0xFF);
  return out + body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kuzo::media;
  const MidiFile file = ReadMidiFile({data, size}, "fuzz.mid");
  for (size_t i = 1; i < file.events.size(); ++i)
    if (file.events[i].time < file.events[i - 1].time) __builtin_trap();
  TMidiPlayV seq;
  CheckingPort port;
  seq.LoadFromStream({data, size}, "fuzz.mid");
  seq.OpenPort(&port);
  seq.SetControllerScale(7, 180);
  seq.SetLoop(true);
  seq.PlayFrom(file.length / 2, 0);
  // Ten simulated minutes of ticks at most: loops turn at most once per tick.
  for (uint32_t t = 10; t <= 600000 && seq.IsPlaying(); t += 10) seq.Tick(t);
  seq.SetLoop(false);
  seq.PlayFrom(0, 0);
  for (uint32_t t = 1000; t <= 1000000 && seq.IsPlaying(); t += 1000) seq.Tick(t);
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  const std::string header = Chunk("MThd", std::string("\0\1\0\2\1\xE0", 6));
  const std::string track1 = Chunk("MTrk", std::string("\0\xFF\x51\x03\x07\xA1\x20", 7) + "\0\xC0\x05" +
                                               "\0\x90\x3C\x64" + Vlq(480) + "\x3C\x00" + "\0\xB0\x07\x50" +
                                               std::string("\x83\x60\xFF\x2F\x00", 5));
  const std::string track2 =
      Chunk("MTrk", std::string("\0\xF0\x0A\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 13) + "\x10\x91\x40\x50" +
                        "\x10\x81\x40\x00" + std::string("\0\xFF\x2F\x00", 4));
  return {header + track1 + track2, header + track1, std::string("MThd\0\0\0\6\0\0\0\1\xE7\x28", 14) + track1};
}
