// kuzotool arc: lists, extracts, packs and verifies "vf" archives. Names are shown and taken as
// UTF-8 on the command line and stored as Shift-JIS (code page 932) inside archives.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/errors.h"
#include "data/archive.h"
#include "data/zlib_codec.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "tools/command.h"

namespace kuzo::tool {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxSegments = 1000;  // "name.001" ... "name.999"

constexpr const char* kUsage =
    "arc list ARCHIVE | extract ARCHIVE NAME [OUT] | pack OUT DIR | verify ARCHIVE";
constexpr auto kProgressInterval = std::chrono::milliseconds(500);

std::string ShownName(const std::string& sjis) { return platform::Cp932ToUtf8(sjis); }

// A name typed on the command line: UTF-8 converted to code page 932, or its bytes as they are.
std::string StoredName(const std::string& typed) {
  auto sjis = platform::Utf8ToCp932Strict(typed);
  return sjis ? *sjis : typed;
}

int Usage() {
  std::fprintf(stderr, "usage: kuzotool %s\n", kUsage);
  return 2;
}

std::unique_ptr<TVrFileCollection> OpenArchive(const std::string& path) {
  if (!platform::IsRegularFile(path)) throw KuzoError(Format("%s: no such archive", path.c_str()));
  auto archive = std::make_unique<TVrFileCollection>();
  archive->Open(path);
  return archive;
}

std::string StoredBytes(const TVrFileCollection& archive, const TVrFile& file) {
  auto range = archive.OpenRange(file.Name());
  if (!range) throw KuzoError(Format("%s: cannot be read", file.Name().c_str()));
  std::string out(static_cast<size_t>(range->Size()), '\0');
  if (range->Read(out.data(), range->Size()) != range->Size()) {
    throw FormatError(Format("%s: stored bytes are cut short", file.Name().c_str()));
  }
  return out;
}

int List(const std::string& path) {
  auto archive = OpenArchive(path);
  for (int i = 0; i < archive->EntryCount(); ++i) {
    const TVrFile& f = archive->Entry(i);
    std::printf("%s\t%lld\t%d\t%u\t%08x\t%d\n", ShownName(f.Name()).c_str(), static_cast<long long>(f.size),
                f.storedRaw ? 1 : 0, f.timeStamp, f.checksum, f.checksumOfContent ? 1 : 0);
  }
  return 0;
}

int Extract(const std::string& path, const std::string& name, const std::string* out) {
  auto archive = OpenArchive(path);
  const std::string stored = StoredName(name);
  if (archive->FindFile(stored) == nullptr && archive->FindFile(name) == nullptr) {
    std::fprintf(stderr, "kuzotool arc: %s: no such entry\n", name.c_str());
    return 1;
  }
  const std::string content =
      archive->ExtractToString(archive->FindFile(stored) != nullptr ? stored : name);
  if (out != nullptr) {
    platform::WriteFileAtomic(*out, content);
  } else if (std::fwrite(content.data(), 1, content.size(), stdout) != content.size()) {
    throw KuzoError("cannot write to standard output");
  }
  return 0;
}

int Pack(const std::string& outPath, const std::string& dirPath) {
  const fs::path dir(dirPath);
  if (!fs::is_directory(dir)) throw KuzoError(Format("%s: not a directory", dirPath.c_str()));
  std::error_code ec;
  const fs::path outAbsolute = fs::weakly_canonical(outPath, ec);
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    if (fs::weakly_canonical(e.path(), ec) == outAbsolute) continue;
    std::string name;
    for (const auto& part : fs::relative(e.path(), dir)) {
      if (!name.empty()) name += '\\';
      name += StoredName(part.string());
    }
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());

  TVrFileCollection archive;
  archive.SetDirectory(dir);
  for (const std::string& name : names) archive.Add(name);
  auto lastReport = std::chrono::steady_clock::now();
  archive.SetProgress([&](TVrFileCollection&, TVrFile& f, bool&, int count, int index, int64_t bytes) {
    const auto now = std::chrono::steady_clock::now();
    if (bytes != 0 || now - lastReport < kProgressInterval) return;
    lastReport = now;
    std::fprintf(stderr, "pack: %d/%d %s\n", index + 1, count, ShownName(f.Name()).c_str());
  });
  archive.EnableProgress(true);

  // Written beside the target under a name of its own (so are its segments: "out~pack.001" ...), and
  // put in place only when complete; the target and its segments stay untouched until then.
  const fs::path target(outPath);
  const fs::path temp = target.parent_path() / (target.stem().string() + "~pack" + target.extension().string());
  auto removeTemp = [&] {
    for (int k = 0; k < kMaxSegments; ++k) {
      const fs::path part = TNkBigFileStream::SegmentPath(temp, k);
      std::error_code ignored;
      if (fs::is_regular_file(part, ignored)) {
        fs::remove(part, ignored);
      } else if (k > 0) {
        break;
      }
    }
  };
  bool ok = false;
  try {
    TNkBigFileStream out(temp, TNkBigFileStream::Mode::kCreate);
    ok = archive.Write(out) && out.Flush();
  } catch (...) {
    removeTemp();
    throw;
  }
  if (!ok) {
    removeTemp();
    throw KuzoError(Format("%s: cannot be written", outPath.c_str()));
  }
  int segments = 1;
  while (segments < kMaxSegments && fs::exists(TNkBigFileStream::SegmentPath(temp, segments))) ++segments;
  // The old archive's surplus segments would otherwise extend the new one.
  for (int k = segments; k < kMaxSegments; ++k) {
    if (!fs::remove(TNkBigFileStream::SegmentPath(target, k), ec)) break;
  }
  for (int k = segments - 1; k >= 0; --k) {
    fs::rename(TNkBigFileStream::SegmentPath(temp, k), TNkBigFileStream::SegmentPath(target, k));
  }
  std::fprintf(stderr, "pack: %zu entries written to %s\n", names.size(), outPath.c_str());
  return 0;
}

int Verify(const std::string& path) {
  auto archive = OpenArchive(path);
  if (archive->Version() < 101) {
    std::fprintf(stderr, "kuzotool arc: version %u archives carry no checksums\n", archive->Version());
    return 0;
  }
  int bad = 0;
  for (int i = 0; i < archive->EntryCount(); ++i) {
    const TVrFile& f = archive->Entry(i);
    try {
      const uint32_t crc =
          f.checksumOfContent ? Crc32(archive->ExtractToString(f.Name())) : Crc32(StoredBytes(*archive, f));
      if (crc != f.checksum) {
        std::printf("%s\t%08x\t%08x\n", ShownName(f.Name()).c_str(), f.checksum, crc);
        ++bad;
      }
    } catch (const KuzoError& e) {
      std::printf("%s\t%08x\t%s\n", ShownName(f.Name()).c_str(), f.checksum, platform::Cp932ToUtf8(e.what()).c_str());
      ++bad;
    }
  }
  std::fprintf(stderr, "verify: %d of %d entries do not match\n", bad, archive->EntryCount());
  return bad == 0 ? 0 : 1;
}

int RunArc(const std::vector<std::string>& args) {
  if (args.empty()) return Usage();
  const std::string& verb = args[0];
  if (verb == "list" && args.size() == 2) return List(args[1]);
  if (verb == "extract" && (args.size() == 3 || args.size() == 4)) {
    return Extract(args[1], args[2], args.size() == 4 ? &args[3] : nullptr);
  }
  if (verb == "pack" && args.size() == 3) return Pack(args[1], args[2]);
  if (verb == "verify" && args.size() == 2) return Verify(args[1]);
  return Usage();
}

CommandRegistration reg("arc", kUsage, &RunArc);

}  // namespace
}  // namespace kuzo::tool
