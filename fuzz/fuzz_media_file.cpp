// Fuzzes audio decoding through FFmpeg from a range stream: any bytes are refused with the bad-data
// error or decode to a bounded amount of PCM, and seeking never fails or hangs.
#include <memory>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "core/errors.h"
#include "data/range_stream.h"
#include "fuzz/fuzz_input.h"
#include "media/audio_decoder.h"

namespace {

std::string Wav(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t align, const std::string& data) {
  kuzo::ByteWriter w;
  w.Bytes("RIFF");
  w.U32(static_cast<uint32_t>(36 + data.size()));
  w.Bytes("WAVEfmt ");
  w.U32(16);
  w.U16(tag);
  w.U16(channels);
  w.U32(rate);
  w.U32(rate * align);
  w.U16(align);
  w.U16(bits);
  w.Bytes("data");
  w.U32(static_cast<uint32_t>(data.size()));
  w.Bytes(data);
  return w.Take();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kuzo;
  auto bytes = std::make_shared<const std::string>(reinterpret_cast<const char*>(data), size);
  // A minute of output at most per input: the work cap of a damaged file is the decoder's own.
  constexpr size_t kMaxFrames = 44100 * 60;
  for (bool native : {false, true}) {
    try {
      media::AudioDecoder decoder(std::make_unique<TResourceRangeStream>(bytes, 0, static_cast<int64_t>(size)),
                                  "fuzz", native);
      std::vector<uint8_t> block(4096 * 4);
      size_t total = 0, got;
      while (total < kMaxFrames && (got = decoder.Read(block.data(), 4096)) > 0) total += got;
      decoder.Seek(decoder.Length() / 2);
      decoder.Read(block.data(), 4096);
      decoder.Seek(0);
      decoder.Read(block.data(), 100);
    } catch (const KuzoError&) {
    }
  }
  return 0;
}

std::vector<std::string> KuzoFuzzSeeds() {
  std::string pcm16, pcm8;
  for (int i = 0; i < 400; ++i) {
    const auto v = static_cast<int16_t>((i * 977) % 20000 - 10000);
    pcm16 += static_cast<char>(v & 0xFF);
    pcm16 += static_cast<char>(v >> 8);
    pcm8 += static_cast<char>(128 + (i % 64) - 32);
  }
  return {Wav(1, 2, 44100, 16, 4, pcm16), Wav(1, 1, 22050, 8, 1, pcm8), Wav(2, 1, 22050, 4, 256, pcm16),
          Wav(0x11, 1, 8000, 4, 256, pcm16), Wav(7, 1, 8000, 8, 1, pcm8), Wav(3, 1, 44100, 32, 4, pcm16)};
}
