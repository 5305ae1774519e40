// Archive hot paths: inflating a 64 MiB entry with libdeflate against zlib's inflate (in 1 MiB
// steps, growing, and into a buffer of known size), a memcpy of the same bytes as the floor, and
// loading a 10,000-entry directory.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <memory>

#include "data/archive.h"
#include "data/zlib_codec.h"
#include "tests/data/archive_bytes.h"

namespace {

constexpr size_t kEntrySize = size_t{64} << 20;
constexpr int kDirectoryEntries = 10000;

const std::string& Content() {
  static const std::string content = kuzo::testing::TextBytes(kEntrySize, 42);
  return content;
}

// Deflated at zlib's default level, as authoring tools store large compressed entries.
const std::string& Packed() {
  static const std::string packed = kuzo::DeflateZlib(Content(), 6);
  return packed;
}

std::span<const uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

void BM_Memcpy64MiB(benchmark::State& state) {
  std::string out(kEntrySize, '\0');
  for (auto _ : state) {
    std::memcpy(out.data(), Content().data(), kEntrySize);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kEntrySize));
}
BENCHMARK(BM_Memcpy64MiB)->Unit(benchmark::kMillisecond);

// zlib's inflate read in 1 MiB steps into a growing string, as an extraction without libdeflate
// would do it: the baseline of the extraction target.
std::string InflateZlibChunked(const std::string& packed) {
  constexpr size_t kChunk = 1048576;
  z_stream zs{};
  inflateInit(&zs);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  zs.avail_in = static_cast<uInt>(packed.size());
  std::string out;
  int rc = Z_OK;
  while (rc == Z_OK) {
    const size_t old = out.size();
    out.resize(old + kChunk);
    zs.next_out = reinterpret_cast<Bytef*>(out.data() + old);
    zs.avail_out = static_cast<uInt>(kChunk);
    rc = inflate(&zs, Z_NO_FLUSH);
    out.resize(old + kChunk - zs.avail_out);
  }
  inflateEnd(&zs);
  return out;
}

void BM_InflateZlibChunked64MiB(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(InflateZlibChunked(Packed()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kEntrySize));
}
BENCHMARK(BM_InflateZlibChunked64MiB)->Unit(benchmark::kMillisecond);

// zlib in one call into a buffer of the right size (the size is not known in practice: a floor).
void BM_InflateZlibKnownSize64MiB(benchmark::State& state) {
  std::string out(kEntrySize, '\0');
  for (auto _ : state) {
    uLongf size = kEntrySize;
    uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(Packed().data()),
               Packed().size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kEntrySize));
}
BENCHMARK(BM_InflateZlibKnownSize64MiB)->Unit(benchmark::kMillisecond);

void BM_InflateZlibStreaming64MiB(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kuzo::InflateZlibStreaming(Span(Packed()), "bench"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kEntrySize));
}
BENCHMARK(BM_InflateZlibStreaming64MiB)->Unit(benchmark::kMillisecond);

void BM_InflateLibdeflate64MiB(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kuzo::InflateZlib(Packed(), "bench"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kEntrySize));
}
BENCHMARK(BM_InflateLibdeflate64MiB)->Unit(benchmark::kMillisecond);

// The whole extraction path of an archived entry (read stored bytes, inflate).
void BM_ExtractEntry64MiB(benchmark::State& state) {
  kuzo::TVrFileCollection archive;
  archive.OpenResource(std::make_shared<const std::string>(
                           kuzo::testing::BuildArchive(102, {{"movie\\big.dat", Packed(), false}})),
                       "bench.dat");
  for (auto _ : state) benchmark::DoNotOptimize(archive.ExtractToString("movie\\big.dat"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kEntrySize));
}
BENCHMARK(BM_ExtractEntry64MiB)->Unit(benchmark::kMillisecond);

const std::string& BigDirectory() {
  static const std::string bytes = [] {
    std::vector<kuzo::testing::RawEntry> entries;
    entries.reserve(kDirectoryEntries);
    for (int i = 0; i < kDirectoryEntries; ++i) {
      entries.push_back({"image\\event\\ev" + std::to_string(i) + "_a.drl", "x", true});
    }
    return kuzo::testing::BuildArchive(102, entries);
  }();
  return bytes;
}

void BM_LoadDirectory10000(benchmark::State& state) {
  kuzo::TNkBigMemoryStream stream(BigDirectory(), "bench.dat");
  for (auto _ : state) {
    kuzo::TVrFileCollection archive;
    stream.SetPosition(0);
    archive.LoadDirectory(stream);
    benchmark::DoNotOptimize(archive.Count());
  }
  state.counters["ns_per_entry"] = benchmark::Counter(
      static_cast<double>(kDirectoryEntries), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadDirectory10000)->Unit(benchmark::kMillisecond);

void BM_OpenArchiveFile10000(benchmark::State& state) {
  kuzo::testing::ScratchDir dir;
  const auto path = dir.Write("game.dat", BigDirectory());
  for (auto _ : state) {
    kuzo::TVrFileCollection archive;
    archive.Open(path);
    benchmark::DoNotOptimize(archive.Count());
  }
}
BENCHMARK(BM_OpenArchiveFile10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
