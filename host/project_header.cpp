// Reading the head of the project file and the project's start-up failure rules.
#include "host/project_header.h"

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/host_state.h"
#include "data/file_manager.h"
#include "platform/message_box.h"

namespace kuzo::host {
namespace {

constexpr uint32_t kExitPageAfter = 109;         // ExitPage present when version > 109
constexpr uint32_t kSaveStatusAfter = 103;       // SaveStatusOnExit present when version > 103
constexpr uint32_t kFrameWaitFrom = 106;         // FrameWait present when version >= 106

}  // namespace

ProjectHead ReadProjectHead(std::string_view bytes) {
  ByteReader r(bytes, kProjectFileName);
  ProjectHead head;
  head.version = r.U32("version");
  if (head.version > kNewestProjectVersion) return head;
  head.title = r.String("title");
  head.width = r.I32("width");
  head.height = r.I32("height");
  head.fullWidth = r.I32("full-screen width");
  head.fullHeight = r.I32("full-screen height");
  head.startPage = r.String("start page");
  if (head.version > kExitPageAfter) head.exitPage = r.String("exit page");
  head.registryKey = r.String("registry key");
  head.imageOption = r.I32("image option");
  if (head.version > kSaveStatusAfter) head.saveStatusOnExit = r.Bool("save status flag");
  head.frameWait = head.version >= kFrameWaitFrom ? r.Bool("frame wait flag") : false;
  return head;
}

ProjectHeaderProject::ProjectHeaderProject(TVrFileManager& files, HostState& state, platform::MessageBoxes& boxes,
                                           bool titleNamedOnCommandLine) {
  state.terminateRequested = true;
  if (!titleNamedOnCommandLine && !files.LocateGameData()) {
    failure_ = "the title's data was not found (no install.dat beside the player)";
    return;
  }
  std::string bytes;
  try {
    bytes = files.ReadFile(kProjectFileName);
  } catch (const KuzoError&) {
    failure_ = "no project file kuzo.kpb in the title's data";
    return;
  }
  if (bytes.empty()) {
    boxes.Show("プロジェクトがありません", "警告", platform::MessageButtons::kOk, platform::MessageIcon::kWarning,
               platform::MessageResult::kOk);
    failure_ = "the project file kuzo.kpb is empty";
    return;
  }
  try {
    head_ = ReadProjectHead(bytes);
  } catch (const KuzoError& e) {
    head_ = ProjectHead();
    failure_ = std::string("the project file cannot be read: ") + e.what();
    return;
  }
  if (head_.version > kNewestProjectVersion) {
    failure_ = Format("the project file has version %u; this player reads up to %u", head_.version,
                      kNewestProjectVersion);
    head_ = ProjectHead();
    return;
  }
  files.Project().title = head_.title;
  state.terminateRequested = false;
  if (head_.startPage.empty() || !files.Exists(head_.startPage)) {
    boxes.Show("スタートページがありません", "警告", platform::MessageButtons::kOk, platform::MessageIcon::kWarning,
               platform::MessageResult::kOk);
    state.terminateRequested = true;
    failure_ = "the project's start page is missing";
  }
}

}  // namespace kuzo::host
