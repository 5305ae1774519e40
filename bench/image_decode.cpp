// Image decoding of a 1920 x 1080 picture: our PNG reader against libspng and libpng decoding the
// same file alone; Drel kind 0 against inflating its data alone, kind 1 against a memcpy of its
// bytes, and kind 1 with shuffled rows against plain kind 1. Ratios are read from one run.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <png.h>
#include <spng.h>  // the alternative decoder measured against

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "graphics/image_formats/image_file.h"
#include "graphics/png_writer.h"
#include "platform/memory_policy.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A picture that compresses like artwork: smooth gradients, some flat areas, light noise.
const kuzo::TDIBSurface& Picture() {
  static kuzo::TDIBSurface picture = [] {
    kuzo::TDIBSurface s(kWidth, kHeight, 24);
    std::mt19937 rng(7);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = s.Lock(0, y);
      for (int x = 0; x < kWidth; ++x) {
        const bool flat = (x / 240 + y / 180) % 3 == 0;
        const uint32_t noise = flat ? 0 : rng() % 6;
        row[3 * x] = static_cast<uint8_t>(x / 8 + noise);
        row[3 * x + 1] = static_cast<uint8_t>(y / 5 + noise);
        row[3 * x + 2] = static_cast<uint8_t>((x + y) / 12 + noise);
      }
    }
    return s;
  }();
  return picture;
}

const std::string& PngBytes() {
  static const std::string bytes = [] {
    const std::vector<uint8_t> png = kuzo::EncodePng(Picture());
    return std::string(png.begin(), png.end());
  }();
  return bytes;
}

std::string DrelBytes(kuzo::DrelKind kind, int32_t key) {
  kuzo::TDrelFrameList list(key);
  kuzo::TDrelFrame& f = list.Add();
  f.Image.SetSize(kWidth, kHeight, 24);
  f.Image.Assign(Picture());
  return kuzo::SaveDrelImage(list, kind, 70);
}

const std::string& Drel0() {
  static const std::string b = DrelBytes(kuzo::DrelKind::kDeflate, 0);
  return b;
}
const std::string& Drel1() {
  static const std::string b = DrelBytes(kuzo::DrelKind::kStored, 0);
  return b;
}
const std::string& Drel1Shuffled() {
  static const std::string b = DrelBytes(kuzo::DrelKind::kStored, 12345);
  return b;
}

std::span<const uint8_t> Span(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

// The colour data of a one-layer version-106 file written by SaveDrelImage: the data ends right
// before the mask size and the two region counts (12 bytes) and is preceded by its int32 size.
std::span<const uint8_t> LayerData(const std::string& file) {
  constexpr size_t kTail = 12;
  const size_t end = file.size() - kTail;
  for (size_t start = 0; start + 4 <= end; ++start) {
    uint32_t size;
    std::memcpy(&size, file.data() + start, 4);
    if (start + 4 + size == end) return Span(file).subspan(start + 4, size);
  }
  return {};
}

void SetPixels(benchmark::State& state) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight);
}

void BM_PngOurs(benchmark::State& state) {
  for (auto _ : state) {
    kuzo::TDrelFrameList list;
    kuzo::LoadPngImage(list, Span(PngBytes()), "bench.png");
    benchmark::DoNotOptimize(list[0].Image.Bits());
  }
  SetPixels(state);
}
BENCHMARK(BM_PngOurs)->Unit(benchmark::kMillisecond);

void BM_PngLibspngAlone(benchmark::State& state) {
  std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight * 4);
  for (auto _ : state) {
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_buffer(ctx, PngBytes().data(), PngBytes().size());
    spng_decode_image(ctx, out.data(), out.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
    spng_ctx_free(ctx);
    benchmark::DoNotOptimize(out.data());
  }
  SetPixels(state);
}
BENCHMARK(BM_PngLibspngAlone)->Unit(benchmark::kMillisecond);

void BM_PngLibpngAlone(benchmark::State& state) {
  std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight * 4);
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, PngBytes().data(), PngBytes().size());
    image.format = PNG_FORMAT_RGBA;
    png_image_finish_read(&image, nullptr, out.data(), 0, nullptr);
    benchmark::DoNotOptimize(out.data());
  }
  SetPixels(state);
}
BENCHMARK(BM_PngLibpngAlone)->Unit(benchmark::kMillisecond);

void BM_DrelKind0(benchmark::State& state) {
  for (auto _ : state) {
    kuzo::TDrelFrameList list;
    kuzo::LoadDrelImage(list, Span(Drel0()), "bench.drl", false);
    benchmark::DoNotOptimize(list[0].Image.Bits());
  }
  SetPixels(state);
}
BENCHMARK(BM_DrelKind0)->Unit(benchmark::kMillisecond);

// The floor of kind 0: inflating the layer's data into a buffer of its size, nothing else.
void BM_InflateAlone(benchmark::State& state) {
  const std::span<const uint8_t> data = LayerData(Drel0());
  std::vector<uint8_t> out(static_cast<size_t>((kWidth * 24 + 31) / 32 * 4) * kHeight);
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  for (auto _ : state) {
    size_t n = 0;
    libdeflate_zlib_decompress(d, data.data(), data.size(), out.data(), out.size(), &n);
    benchmark::DoNotOptimize(out.data());
  }
  libdeflate_free_decompressor(d);
  SetPixels(state);
}
BENCHMARK(BM_InflateAlone)->Unit(benchmark::kMillisecond);

void BM_DrelKind1(benchmark::State& state) {
  for (auto _ : state) {
    kuzo::TDrelFrameList list;
    kuzo::LoadDrelImage(list, Span(Drel1()), "bench.drl", false);
    benchmark::DoNotOptimize(list[0].Image.Bits());
  }
  SetPixels(state);
}
BENCHMARK(BM_DrelKind1)->Unit(benchmark::kMillisecond);

// The floor of kind 1: the layer's bytes copied into a fresh buffer.
void BM_MemcpyAlone(benchmark::State& state) {
  const std::span<const uint8_t> data = LayerData(Drel1());
  for (auto _ : state) {
    std::vector<uint8_t> out(data.size());
    std::memcpy(out.data(), data.data(), data.size());
    benchmark::DoNotOptimize(out.data());
  }
  SetPixels(state);
}
BENCHMARK(BM_MemcpyAlone)->Unit(benchmark::kMillisecond);

void BM_DrelKind1Shuffled(benchmark::State& state) {
  for (auto _ : state) {
    kuzo::TDrelFrameList list(12345);
    kuzo::LoadDrelImage(list, Span(Drel1Shuffled()), "bench.drl", false);
    benchmark::DoNotOptimize(list[0].Image.Bits());
  }
  SetPixels(state);
}
BENCHMARK(BM_DrelKind1Shuffled)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const char* system = std::getenv("KUZO_BENCH_SYSTEM_MALLOC");
  const bool policy = (system == nullptr || std::strcmp(system, "1") != 0) && kuzo::platform::KeepFreedMemoryForReuse();
  std::printf("allocator: %s\n", policy ? "freed blocks kept for reuse (the player's policy)" : "system default");
  // Test material is built before any timing starts.
  PngBytes();
  Drel0();
  Drel1();
  Drel1Shuffled();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
