// kuzotool build SRCDIR OUTDIR [--pack FILE]: compiles a title from its readable sources.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "authoring/page_compiler.h"
#include "authoring/title_builder.h"
#include "data/archive.h"
#include "data/big_stream.h"
#include "tools/command.h"

namespace kuzo::tool {
namespace {

namespace fs = std::filesystem;

// Archive entry names use "\" between folders.
std::string EntryName(const fs::path& rel) {
  std::string name = rel.generic_string();
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

void Pack(const fs::path& outDir, const std::vector<fs::path>& files, const fs::path& packFile) {
  TVrFileCollection archive;
  archive.SetDirectory(outDir);
  for (const auto& rel : files) {
    TVrFile& entry = archive.AddMemory(EntryName(rel));
    std::FILE* f = std::fopen((outDir / rel).string().c_str(), "rb");
    if (!f) throw BuildError((outDir / rel).string() + ": cannot be read for packing");
    std::string content;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) content.append(buf, n);
    std::fclose(f);
    entry.data->Write(content.data(), static_cast<int64_t>(content.size()));
  }
  const fs::path temp = packFile.string() + ".tmp";
  {
    TNkBigFileStream out(temp, TNkBigFileStream::Mode::kCreate);
    archive.Write(out);
    out.Flush();
  }
  fs::rename(temp, packFile);
}

int RunBuild(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::string pack;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--pack") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "kuzotool build: --pack needs a file name\n");
        return 2;
      }
      pack = args[++i];
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) {
    std::fprintf(stderr, "usage: kuzotool build SRCDIR OUTDIR [--pack FILE]\n");
    return 2;
  }
  try {
    const BuiltTitle built = BuildTitle(positional[0], positional[1]);
    if (!pack.empty()) Pack(positional[1], built.files, pack);
    std::printf("built %zu files into %s%s%s\n", built.files.size(), positional[1].c_str(),
                pack.empty() ? "" : ", packed into ", pack.c_str());
    return 0;
  } catch (const BuildError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

CommandRegistration reg("build", "build SRCDIR OUTDIR [--pack FILE]   compile a title from readable sources",
                        &RunBuild);

}  // namespace
}  // namespace kuzo::tool
