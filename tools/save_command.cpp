// kuzotool save list|dump: lists the game slots of a save.dat with captions and sizes, and dumps a
// slot's sections (head, scene in the --dump-scene form, history, interpreter frames, variables in
// the --dump-vars form, data tables) or the status entry, so people can inspect and repair saves.
// The interpreter record refers to the title's pages; with --title DIR they are read from DIR, and
// without it the dump stops before the interpreter.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "components/history_store.h"
#include "components/read_marks.h"
#include "components/standard_components.h"
#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/host_state.h"
#include "data/archive.h"
#include "host/scene_wiring.h"
#include "platform/cp932.h"
#include "platform/file_system.h"
#include "scene/kuzo_base_list.h"
#include "script/call_man.h"
#include "script/save_file.h"
#include "script/variable_access.h"
#include "tools/command.h"
#include "vars/db_manager.h"
#include "vars/param_collection.h"

namespace kuzo::tool {
namespace {

namespace fs = std::filesystem;

// Pages of a built title directory ("sub\x.ksb" is "sub/x.ksb" there).
class DirectoryFiles : public ScriptFiles {
 public:
  explicit DirectoryFiles(fs::path dir) : dir_(std::move(dir)) {}
  std::string ReadFile(const std::string& name) override {
    if (dir_.empty()) throw KuzoError(Format("%s: no title directory given (--title DIR)", name.c_str()));
    auto data = platform::ReadWholeFile(Path(name));
    if (!data) throw KuzoError(Format("%s:ファイルがありません", name.c_str()));
    return *data;
  }
  bool Exists(const std::string& name) override { return !dir_.empty() && fs::exists(Path(name)); }

 private:
  fs::path Path(std::string name) const {
    for (char& c : name) {
      if (c == '\\') c = '/';
    }
    return dir_ / platform::Cp932ToUtf8(name);
  }
  fs::path dir_;
};

std::string Utf8(const std::string& sjis) { return platform::Cp932ToUtf8(sjis); }

void PrintTables(const TDBManager& m) {
  for (int32_t i = 0; i < m.TableCount(); ++i) {
    const TDBTable& t = *m.TableAt(i);
    std::printf("table\t%s\tstatus=%d\tfields=%d\trecords=%d\tcurrent=%d%s\n", Utf8(t.Name()).c_str(), t.Status(),
                t.Fields().Count(), t.RecordCount(), t.CurrentIndex(), i == m.ActiveIndex() ? "\tactive" : "");
    for (int32_t f = 0; f < t.Fields().Count(); ++f) {
      std::printf("  field\t%s\tkind=%u\tsize=%d\n", Utf8(t.Fields().At(f).Name).c_str(), t.Fields().At(f).Kind,
                  t.Fields().At(f).Size);
    }
  }
}

int DumpGame(const std::string& entry, int32_t slot, const fs::path& titleDir) {
  ByteReader r(entry, Format("save.dat: game %d", slot));
  const GameEntryHead head = ReadGameEntryHead(r);
  std::printf("[head]\nversion\t%u\ncaption\t%s\nafter-load page\t%s\nafter-load index\t%d\n", head.version,
              Utf8(head.caption).c_str(), Utf8(head.afterLoadPage).c_str(), head.afterLoadIndex);
  if (head.version < kOldestGameSaveVersion || head.version > kGameSaveVersion) {
    std::fprintf(stderr, "kuzotool save: data version %u is not readable\n", head.version);
    return 1;
  }
  HostState host;
  TKuzoBaseList scene(&host);
  RegisterStandardComponents(scene);
  scene.LoadFromStream(r, static_cast<int32_t>(head.version));
  std::printf("[scene]\n%s", host::DumpScene(scene).c_str());
  TKuzoNewHistory history;
  history.LoadFromStream(r, head.version);
  std::printf("[history]\nform\t%s\ncount\t%d\nextent\t%d\nmaximum\t%d\n", history.LaidOut() ? "laid out" : "simple",
              history.Count(), history.Extent(), history.MaxCount());
  TParamCollection vars;
  vars.SetState(&host);
  DirectoryFiles files(titleDir);
  ScriptServices services;
  services.vars = &vars;
  services.host = &host;
  services.files = &files;
  TCallMan callMan(services);
  callMan.LoadState(r, head.version);
  std::printf("[interpreter]\npage\t%s\tpc=%d\tmode=%d\tlevel=%d\n",
              callMan.page ? Utf8(callMan.page->Name()).c_str() : "", callMan.pc, callMan.mode, callMan.level);
  for (const TStack& f : callMan.Frames()) std::printf("frame\t%s\tpc=%d\n", Utf8(f.pageName).c_str(), f.pc);
  vars.LoadGame(r, head.version);
  std::printf("[variables]\n%s", DumpVariables(vars).c_str());
  if (head.version > kGameTablesAbove) {
    TDBManager tables;
    tables.LoadTables(r, false);
    std::printf("[tables]\n");
    PrintTables(tables);
  }
  if (!r.AtEnd()) std::printf("[trailing]\n%zu bytes\n", r.Remaining());
  return 0;
}

int DumpStatus(const std::string& entry) {
  const auto [version, start] = ReadStatusSignature(entry);
  ByteReader r(std::string_view(entry).substr(start), "save.dat: status");
  std::printf("[status]\nversion\t%u\n", version);
  HostState host;
  TParamCollection vars;
  vars.SetState(&host);
  vars.LoadStatus(r);
  std::printf("[variables]\n%s", DumpVariables(vars).c_str());
  TKuzoReadList marks;
  marks.LoadFromStream(r, version);
  std::printf("[read marks]\n");
  for (int32_t i = 0; i < marks.FileCount(); ++i) {
    std::printf("%s\t%zu pages\n", Utf8(marks.Item(i).file).c_str(), marks.Item(i).commands.size());
  }
  if (version > kStatusDitherAbove) std::printf("[dither]\n%u\n", r.U8("dither flag"));
  if (version > kStatusTablesAbove) {
    TDBManager tables;
    tables.LoadTables(r, true);
    std::printf("[tables]\n");
    PrintTables(tables);
  }
  return 0;
}

// The section loaders of list and dump never write: a SaveSections that only refuses.
class NoSections : public SaveSections {
  [[noreturn]] static void No() { throw KuzoError("not available in kuzotool"); }
  void SaveScene(ByteWriter&) override { No(); }
  void LoadScene(ByteReader&, uint32_t) override { No(); }
  void SaveHistory(ByteWriter&) override { No(); }
  void LoadHistory(ByteReader&, uint32_t) override { No(); }
  void SaveInterpreter(ByteWriter&) override { No(); }
  void LoadInterpreter(ByteReader&, uint32_t) override { No(); }
  void SaveVariables(ByteWriter&) override { No(); }
  void LoadVariables(ByteReader&, uint32_t) override { No(); }
  void SaveGameTables(ByteWriter&) override { No(); }
  void LoadGameTables(ByteReader&) override { No(); }
  void EnterAfterLoadPage(const std::string&, int32_t) override { No(); }
  void SaveStatusVariables(ByteWriter&) override { No(); }
  void LoadStatusVariables(ByteReader&) override { No(); }
  void SaveReadMarks(ByteWriter&) override { No(); }
  void LoadReadMarks(ByteReader&, uint32_t) override { No(); }
  bool CGDither() override { No(); }
  void SetCGDither(bool) override { No(); }
  void SaveStatusTables(ByteWriter&) override { No(); }
  void LoadStatusTables(ByteReader&) override { No(); }
};

int Usage() {
  std::fprintf(stderr, "usage: kuzotool save list SAVE.DAT\n       kuzotool save dump SAVE.DAT SLOT|status [--title DIR]\n");
  return 2;
}

int RunSave(const std::vector<std::string>& args) {
  if (args.size() < 2) return Usage();
  const fs::path path = args[1];
  if (!fs::exists(path)) {
    std::fprintf(stderr, "kuzotool save: %s: no such file\n", path.c_str());
    return 1;
  }
  if (args[0] == "list" && args.size() == 2) {
    NoSections none;
    TSaveFile file(path, none, [](const std::string& line) { std::fprintf(stderr, "%s\n", Utf8(line).c_str()); });
    for (const SaveSlotInfo& s : file.ListSlots()) {
      std::printf("%d\t%lld bytes\tversion %u\t%s\n", s.slot, static_cast<long long>(s.size), s.version,
                  Utf8(s.caption).c_str());
    }
    TVrFileCollection files;
    files.Open(path);
    if (TVrFile* status = files.FindFile(kStatusEntryName)) {
      std::printf("status\t%lld bytes stored\n", static_cast<long long>(status->size));
    }
    return 0;
  }
  if (args[0] != "dump" || (args.size() != 3 && args.size() != 5)) return Usage();
  fs::path titleDir;
  if (args.size() == 5) {
    if (args[3] != "--title") return Usage();
    titleDir = args[4];
  }
  TVrFileCollection files;
  files.Open(path);
  try {
    if (args[2] == "status") {
      if (!files.FindFile(kStatusEntryName)) throw KuzoError("no status entry");
      return DumpStatus(files.ExtractToString(kStatusEntryName));
    }
    std::optional<int32_t> slot = SlotOfEntryName(std::string(kGameEntryPrefix) + args[2]);
    if (!slot || !files.FindFile(GameEntryName(*slot))) throw KuzoError(Format("no slot %s", args[2].c_str()));
    return DumpGame(files.ExtractToString(GameEntryName(*slot)), *slot, titleDir);
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "kuzotool save: %s\n", Utf8(e.what()).c_str());
    return 1;
  }
}

CommandRegistration reg("save", "save list|dump SAVE.DAT [SLOT|status] [--title DIR]   inspect saved games",
                        &RunSave);

}  // namespace
}  // namespace kuzo::tool
