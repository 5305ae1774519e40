// The project as far as the host needs it before the script engine is wired in: it finds the
// title's data, reads "kuzo.kpb" through the script layer's project-file reader (title, scene
// size, full-screen size, start page, frame-wait flag, ...) and ends the start-up with the
// project's own failure behaviour when the file is missing, empty, too new or names no existing
// start page. It runs no script pages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/subsystems.h"
#include "script/project_file.h"

namespace kuzo {
class TVrFileManager;
struct HostState;
}  // namespace kuzo
namespace kuzo::platform {
class MessageBoxes;
}  // namespace kuzo::platform

namespace kuzo::host {

class ProjectHeaderProject : public Project {
 public:
  // Runs the load sequence at once; never raises. On failure `state.terminateRequested` stays set
  // and FailureReason() says why.
  ProjectHeaderProject(TVrFileManager& files, HostState& state, platform::MessageBoxes& boxes,
                       bool titleNamedOnCommandLine);

  const std::string& Title() const override { return settings_.title; }
  int32_t Width() const override { return settings_.width; }
  int32_t Height() const override { return settings_.height; }
  int32_t FullWidth() const override { return settings_.fullWidth; }
  int32_t FullHeight() const override { return settings_.fullHeight; }
  bool FrameWait() const override { return settings_.frameWait != 0; }
  void Tick() override {}
  bool RunPending() override { return false; }
  void Close() override {}
  std::string FailureReason() const override { return failure_; }
  const ProjectFile& Settings() const { return settings_; }

 private:
  ProjectFile settings_;
  std::string failure_;
};

}  // namespace kuzo::host
