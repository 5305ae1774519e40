// The fallback project's start-up: finding the data, reading the project file, the failure rules.
#include "host/project_header.h"

#include "core/byte_reader.h"
#include "core/errors.h"
#include "core/host_state.h"
#include "data/file_manager.h"
#include "platform/message_box.h"

namespace kuzo::host {

ProjectHeaderProject::ProjectHeaderProject(TVrFileManager& files, HostState& state, platform::MessageBoxes& boxes,
                                           bool titleNamedOnCommandLine) {
  state.terminateRequested = true;
  if (!titleNamedOnCommandLine && !files.LocateGameData()) {
    failure_ = "the title's data was not found (no install.dat beside the player)";
    return;
  }
  const std::string source(kProjectFileName);
  std::string bytes;
  try {
    bytes = files.ReadFile(source);
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
    ByteReader r(bytes, source);
    settings_.version = r.U32("version");
    if (settings_.version > kProjectVersionMax) {
      failure_ = Format("the project file has version %u; this player reads up to %u", settings_.version,
                        kProjectVersionMax);
      settings_ = ProjectFile();
      return;
    }
    settings_.ReadFields(r);
  } catch (const KuzoError& e) {
    settings_ = ProjectFile();
    failure_ = std::string("the project file cannot be read: ") + e.what();
    return;
  }
  files.Project().title = settings_.title;
  state.terminateRequested = false;
  if (settings_.startPage.empty() || !files.Exists(settings_.startPage)) {
    boxes.Show("スタートページがありません", "警告", platform::MessageButtons::kOk, platform::MessageIcon::kWarning,
               platform::MessageResult::kOk);
    state.terminateRequested = true;
    failure_ = "the project's start page is missing";
  }
}

}  // namespace kuzo::host
