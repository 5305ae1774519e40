// RIFF/WAVE output: "RIFF" size "WAVE", a 16-byte "fmt " chunk (PCM, 2 channels, 44100 Hz, 16 bits)
// and one "data" chunk. Samples are stored little-endian whatever the machine.
#include "media/wav_file_writer.h"

#include <algorithm>
#include <vector>

#include "core/byte_reader.h"
#include "core/errors.h"

namespace kuzo::media {

namespace {
constexpr uint32_t kRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr uint16_t kBits = 16;
constexpr uint32_t kHeaderBytes = 44;
// A RIFF size field holds 32 bits: longer runs keep the largest size it can say.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - kHeaderBytes;

std::string Header(uint64_t dataBytes) {
  const auto data = static_cast<uint32_t>(std::min(dataBytes, kMaxDataBytes));
  ByteWriter w;
  w.Bytes("RIFF");
  w.U32(data + kHeaderBytes - 8);
  w.Bytes("WAVE");
  w.Bytes("fmt ");
  w.U32(16);
  w.U16(1);  // PCM
  w.U16(kChannels);
  w.U32(kRate);
  w.U32(kRate * kChannels * kBits / 8);
  w.U16(kChannels * kBits / 8);
  w.U16(kBits);
  w.Bytes("data");
  w.U32(data);
  return w.Take();
}
}  // namespace

WavFileWriter::WavFileWriter(const std::filesystem::path& path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) throw KuzoError(Format("%s: cannot create the audio output file", path.string().c_str()));
  const std::string header = Header(0);
  std::fwrite(header.data(), 1, header.size(), file_);
}

WavFileWriter::~WavFileWriter() { Close(); }

void WavFileWriter::Append(const int16_t* samples, size_t frames) {
  if (!file_ || frames == 0) return;
  std::vector<uint8_t> bytes(frames * kChannels * 2);
  for (size_t i = 0; i < frames * kChannels; ++i) {
    const auto v = static_cast<uint16_t>(samples[i]);
    bytes[2 * i] = static_cast<uint8_t>(v & 0xFF);
    bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  std::fwrite(bytes.data(), 1, bytes.size(), file_);
  frames_ += frames;
}

void WavFileWriter::Close() {
  if (!file_) return;
  const std::string header = Header(frames_ * kChannels * 2);
  std::fseek(file_, 0, SEEK_SET);
  std::fwrite(header.data(), 1, header.size(), file_);
  std::fclose(file_);
  file_ = nullptr;
}

}  // namespace kuzo::media
