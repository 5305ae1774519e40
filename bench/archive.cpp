// Archive hot paths: extracting a 64 MiB compressed entry against zlib's inflate doing the same
// work (each iteration yields a fresh 64 MiB buffer the caller owns), with a memcpy into a fresh
// buffer as the floor, and loading a 10,000-entry directory. The program runs with the player's
// allocator policy (freed blocks reused); KUZO_BENCH_SYSTEM_MALLOC=1 measures the system default.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <memory>

#include "data/archive.h"
#include "data/zlib_codec.h"
#include "platform/memory_policy.h"
#include "tests/data/archive_bytes.h"

namespace {

constexpr size_t kEntrySize = size_t{64} << 20;
constexpr int kDirectoryEntries = 10000;
constexpr const char* kEntryName = "movie\\big.dat";

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

const std::string& ArchiveBytes() {
  static const std::string bytes = kuzo::testing::BuildArchive(102, {{kEntryName, Packed(), false}});
  return bytes;
}

// The archive as a game.dat on disk, opened once for the whole run.
kuzo::TVrFileCollection& FileArchive() {
  static kuzo::testing::ScratchDir dir;
  static kuzo::TVrFileCollection archive;
  if (archive.Count() == 0) archive.Open(dir.Write("game.dat", ArchiveBytes()));
  return archive;
}

void SetBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kEntrySize));
}

// The floor: the content copied into a fresh buffer of its size.
void BM_MemcpyFreshBuffer64MiB(benchmark::State& state) {
  for (auto _ : state) {
    std::string out(Content().data(), kEntrySize);
    benchmark::DoNotOptimize(out.data());
  }
  SetBytes(state);
}
BENCHMARK(BM_MemcpyFreshBuffer64MiB)->Unit(benchmark::kMillisecond);

// zlib in one call into a fresh buffer of the right size. The archive does not store inflated
// sizes, so extraction cannot do this: shown as what zlib could do at most.
void BM_ZlibKnownSize64MiB(benchmark::State& state) {
  for (auto _ : state) {
    std::string out(kEntrySize, '\0');
    uLongf size = kEntrySize;
    uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(Packed().data()),
               Packed().size());
    benchmark::DoNotOptimize(out.data());
  }
  SetBytes(state);
}
BENCHMARK(BM_ZlibKnownSize64MiB)->Unit(benchmark::kMillisecond);

// zlib at its best without the size: the same first guess as extraction, continuing in place when
// the room is short, one exact copy at the end.
void BM_ZlibStreaming64MiB(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kuzo::InflateZlibStreaming(Span(Packed()), "bench"));
  SetBytes(state);
}
BENCHMARK(BM_ZlibStreaming64MiB)->Unit(benchmark::kMillisecond);

void BM_InflateZlib64MiB(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kuzo::InflateZlib(Packed(), "bench"));
  SetBytes(state);
}
BENCHMARK(BM_InflateZlib64MiB)->Unit(benchmark::kMillisecond);

// The whole extraction path from an archive held in memory (a resource archive).
void BM_ExtractEntryMemory64MiB(benchmark::State& state) {
  kuzo::TVrFileCollection archive;
  archive.OpenResource(std::make_shared<const std::string>(ArchiveBytes()), "bench.dat");
  for (auto _ : state) benchmark::DoNotOptimize(archive.ExtractToString(kEntryName));
  SetBytes(state);
}
BENCHMARK(BM_ExtractEntryMemory64MiB)->Unit(benchmark::kMillisecond);

// The whole extraction path from a game.dat on disk: read the stored bytes, inflate.
void BM_ExtractEntryFile64MiB(benchmark::State& state) {
  kuzo::TVrFileCollection& archive = FileArchive();
  for (auto _ : state) benchmark::DoNotOptimize(archive.ExtractToString(kEntryName));
  SetBytes(state);
}
BENCHMARK(BM_ExtractEntryFile64MiB)->Unit(benchmark::kMillisecond);

// The same entry extracted the same way with zlib's inflate: read the stored bytes from the file,
// then inflate them.
std::string ExtractWithZlib(kuzo::TVrFileCollection& archive) {
  const kuzo::TVrFile* file = archive.FindFile(kEntryName);
  archive.Stream()->SetPosition(file->offset);
  const std::string stored = archive.Stream()->ReadString(file->size, "entry data");
  return kuzo::InflateZlibStreaming(Span(stored), "bench");
}

double ProcessCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Both extractions in turn in every iteration (alternating which goes first), so machine load
// falls on both alike; reports the speed-up of extraction over zlib in wall and CPU time.
void BM_ExtractVsZlib64MiB(benchmark::State& state) {
  kuzo::TVrFileCollection& archive = FileArchive();
  double zlibWall = 0, zlibCpu = 0, oursWall = 0, oursCpu = 0;
  bool zlibFirst = true;
  auto timed = [](auto&& fn, double& wall, double& cpu) {
    const auto w0 = std::chrono::steady_clock::now();
    const double c0 = ProcessCpuMs();
    benchmark::DoNotOptimize(fn());
    cpu += ProcessCpuMs() - c0;
    wall += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - w0).count();
  };
  // One untimed round first: the heap grows to its working size once, as in a running player.
  benchmark::DoNotOptimize(ExtractWithZlib(archive));
  benchmark::DoNotOptimize(archive.ExtractToString(kEntryName));
  for (auto _ : state) {
    auto zlib = [&] { timed([&] { return ExtractWithZlib(archive); }, zlibWall, zlibCpu); };
    auto ours = [&] { timed([&] { return archive.ExtractToString(kEntryName); }, oursWall, oursCpu); };
    if (zlibFirst) {
      zlib();
      ours();
    } else {
      ours();
      zlib();
    }
    zlibFirst = !zlibFirst;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["zlib_ms"] = zlibWall / n;
  state.counters["extract_ms"] = oursWall / n;
  state.counters["speedup_wall"] = zlibWall / oursWall;
  state.counters["speedup_cpu"] = zlibCpu / oursCpu;
}
BENCHMARK(BM_ExtractVsZlib64MiB)->Unit(benchmark::kMillisecond)->Iterations(10);

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

int main(int argc, char** argv) {
  const char* system = std::getenv("KUZO_BENCH_SYSTEM_MALLOC");
  const bool policy = (system == nullptr || std::strcmp(system, "1") != 0) && kuzo::platform::KeepFreedMemoryForReuse();
  std::printf("allocator: %s\n", policy ? "freed blocks kept for reuse (the player's policy)" : "system default");
  // Test material is built before any timing starts.
  FileArchive();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
