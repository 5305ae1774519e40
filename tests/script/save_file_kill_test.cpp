// A player killed at any moment of a save leaves save.dat whole: a child process saves a large
// slot over and over and is killed with SIGKILL after a pseudo-random delay, 100 times; after each
// kill the file must open as an archive and hold slot 1 from one complete save.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/byte_reader.h"
#include "data/archive.h"
#include "platform/file_system.h"
#include "script/save_file.h"

namespace kuzo {
namespace {

namespace fs = std::filesystem;

constexpr size_t kPayloadBytes = size_t{1} << 21;

// Every section is the generation's payload, so a slot mixing two saves is caught.
class GenerationSections : public SaveSections {
 public:
  explicit GenerationSections(int generation) : payload_(Payload(generation)) {}
  static std::string Payload(int generation) {
    std::string p(kPayloadBytes, static_cast<char>('a' + generation % 26));
    p.replace(0, 16, std::to_string(generation) + "#");
    return p;
  }
  void SaveScene(ByteWriter& w) override { w.String(payload_); }
  void LoadScene(ByteReader&, uint32_t) override {}
  void SaveHistory(ByteWriter& w) override { w.String(payload_.substr(0, 64)); }
  void LoadHistory(ByteReader&, uint32_t) override {}
  void SaveInterpreter(ByteWriter&) override {}
  void LoadInterpreter(ByteReader&, uint32_t) override {}
  void SaveVariables(ByteWriter&) override {}
  void LoadVariables(ByteReader&, uint32_t) override {}
  void SaveGameTables(ByteWriter&) override {}
  void LoadGameTables(ByteReader&) override {}
  void EnterAfterLoadPage(const std::string&, int32_t) override {}
  void SaveStatusVariables(ByteWriter& w) override { w.String(payload_.substr(0, 32)); }
  void LoadStatusVariables(ByteReader&) override {}
  void SaveReadMarks(ByteWriter&) override {}
  void LoadReadMarks(ByteReader&, uint32_t) override {}
  bool CGDither() override { return false; }
  void SetCGDither(bool) override {}
  void SaveStatusTables(ByteWriter&) override {}
  void LoadStatusTables(ByteReader&) override {}

 private:
  std::string payload_;
};

TEST(SaveFileKillTest, KilledSavesLeaveAWholeFile) {
  const fs::path dir = platform::MakePrivateTempDirectory("kuzo-save-kill");
  const fs::path path = dir / "save.dat";
  {
    GenerationSections first(0);
    TSaveFile(path, first).SaveGame(1, "gen 0", "", 0, true);
  }
  uint32_t seed = 2024;
  int generation = 1;
  for (int round = 0; round < 100; ++round) {
    const int firstGeneration = generation;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int g = firstGeneration;; ++g) {
        GenerationSections s(g);
        TSaveFile(path, s).SaveGame(1, "gen " + std::to_string(g), "", 0, true);
      }
    }
    seed = seed * 1103515245u + 12345u;
    std::this_thread::sleep_for(std::chrono::microseconds((seed >> 8) % 40000));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    generation += 1000;  // the next child's saves are told apart from this one's

    TVrFileCollection files;
    ASSERT_NO_THROW(files.Open(path)) << "round " << round;
    ASSERT_NE(files.FindFile("GAMESAVEDATA1"), nullptr) << "round " << round;
    const std::string entry = files.ExtractToString("GAMESAVEDATA1");
    ByteReader r(entry, "slot 1");
    const GameEntryHead head = ReadGameEntryHead(r);
    ASSERT_EQ(head.caption.rfind("gen ", 0), 0u);
    const int saved = std::stoi(head.caption.substr(4));
    ASSERT_EQ(r.String("scene"), GenerationSections::Payload(saved)) << "round " << round;
    ASSERT_NE(files.FindFile("STATUSSAVEDATA"), nullptr);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kuzo
