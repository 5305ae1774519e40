// Test helpers: wave files built in memory, range streams over them, and level measurements of
// rendered PCM.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "data/range_stream.h"

namespace kuzo::media::testing {

// A PCM wave file: `samples` interleaved values (16-bit signed, or 8-bit unsigned when bits is 8).
inline std::string MakeWav(int rate, int channels, int bits, const std::vector<int32_t>& samples) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * (bits / 8));
  ByteWriter w;
  w.Bytes("RIFF");
  w.U32(36 + dataBytes);
  w.Bytes("WAVEfmt ");
  w.U32(16);
  w.U16(1);
  w.U16(static_cast<uint16_t>(channels));
  w.U32(static_cast<uint32_t>(rate));
  w.U32(static_cast<uint32_t>(rate * channels * bits / 8));
  w.U16(static_cast<uint16_t>(channels * bits / 8));
  w.U16(static_cast<uint16_t>(bits));
  w.Bytes("data");
  w.U32(dataBytes);
  for (int32_t s : samples) {
    if (bits == 8)
      w.U8(static_cast<uint8_t>(s));
    else
      w.U16(static_cast<uint16_t>(static_cast<int16_t>(s)));
  }
  return w.Take();
}

// A sine of `frames` frames at `hz`, amplitude `amp`, the same on every channel.
inline std::vector<int32_t> Sine(int rate, int channels, int frames, double hz, double amp) {
  std::vector<int32_t> out;
  for (int i = 0; i < frames; ++i) {
    const auto v = static_cast<int32_t>(std::lround(amp * std::sin(2 * M_PI * hz * i / rate)));
    for (int c = 0; c < channels; ++c) out.push_back(v);
  }
  return out;
}

inline std::unique_ptr<TRangeStream> StreamOver(std::string bytes) {
  auto data = std::make_shared<const std::string>(std::move(bytes));
  const auto size = static_cast<int64_t>(data->size());
  return std::make_unique<TResourceRangeStream>(data, 0, size);
}

// Root mean square of one channel of interleaved stereo frames [from, to).
inline double Rms(const std::vector<int16_t>& stereo, int channel, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(stereo[2 * i + channel]) * stereo[2 * i + channel];
  return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace kuzo::media::testing
