// Helpers shared by the host tests: scratch directories, project files and title executables.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "authoring/title_builder.h"
#include "core/byte_reader.h"
#include "data/archive.h"
#include "data/big_stream.h"
#include "script/project_file.h"

namespace kuzo::host::testing {

class ScratchDir {
 public:
  ScratchDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("kuzo-host-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
    auto p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path path_;
};

struct ProjectFields {
  uint32_t version = 110;
  std::string title = "Title";
  int32_t width = 320, height = 240, fullWidth = 640, fullHeight = 480;
  std::string startPage = "start.ksb";
  bool frameWait = true;
};

// A whole project file (no variables, no folder-disk list) written by the project-file writer.
inline std::string ProjectFile(const ProjectFields& f) {
  ::kuzo::ProjectFile p;
  p.version = f.version;
  p.title = f.title;
  p.width = f.width;
  p.height = f.height;
  p.fullWidth = f.fullWidth;
  p.fullHeight = f.fullHeight;
  p.startPage = f.startPage;
  p.exitPage = "exit.ksb";
  p.registryKey = "Software\\Key";
  p.frameWait = f.frameWait ? 1 : 0;
  ByteWriter w;
  p.Write(w);
  return w.Take();
}

// A compiled page from its source text (the title-source language), as a ".ksb" file holds it.
inline std::string Page(const std::string& source) {
  auto pages = CompilePages({{"page.kss", source}});
  ByteWriter w;
  pages.at(0)->Write(w);
  return w.Take();
}

// A start page that keeps the title running.
inline std::string WaitingPage() { return Page("wait 100000\n"); }

// A version-102 archive of the given entries, written by the archive writer.
inline std::string Archive(const std::map<std::string, std::string>& entries, size_t offset = 0) {
  TVrFileCollection c;
  for (const auto& [name, content] : entries) c.AddMemory(name).data->SetData(content);
  TNkBigMemoryStream out(std::string(offset, 'M'));
  out.SetPosition(static_cast<int64_t>(offset));
  c.Write(out);
  return out.TakeData();
}

// A Windows executable stub with the archive appended behind the "kz" trailer.
inline std::string ExecutableWithArchive(const std::map<std::string, std::string>& entries) {
  constexpr size_t kStub = 512;
  std::string exe = Archive(entries, kStub);
  exe.replace(0, 2, "MZ");
  ByteWriter trailer;
  trailer.U32(kStub);
  trailer.Bytes("kz");
  return exe + trailer.Str();
}

}  // namespace kuzo::host::testing
