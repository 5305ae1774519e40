// The project as far as the host needs it before the script engine is wired in: it finds the
// title's data, reads the head of "kuzo.kpb" (title, scene size, full-screen size, start page,
// frame-wait flag) and ends the start-up with the project's own failure behaviour when the file
// is missing, empty, too new or names no existing start page. It runs no script pages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/subsystems.h"

namespace kuzo {
class TVrFileManager;
struct HostState;
}  // namespace kuzo
namespace kuzo::platform {
class MessageBoxes;
}  // namespace kuzo::platform

namespace kuzo::host {

constexpr const char* kProjectFileName = "kuzo.kpb";
constexpr uint32_t kNewestProjectVersion = 110;

struct ProjectHead {
  uint32_t version = 0;
  std::string title = "情報";
  int32_t width = 0, height = 0, fullWidth = 0, fullHeight = 0;
  std::string startPage, exitPage, registryKey;
  int32_t imageOption = 0;
  bool saveStatusOnExit = true;
  bool frameWait = false;
};

// Reads the head of a project file (fields up to the frame-wait flag, with their version gates).
// Raises FormatError for truncated data.
ProjectHead ReadProjectHead(std::string_view bytes);

class ProjectHeaderProject : public Project {
 public:
  // Runs the load sequence at once; never raises. On failure `state.terminateRequested` stays set
  // and FailureReason() says why.
  ProjectHeaderProject(TVrFileManager& files, HostState& state, platform::MessageBoxes& boxes,
                       bool titleNamedOnCommandLine);

  const std::string& Title() const override { return head_.title; }
  int32_t Width() const override { return head_.width; }
  int32_t Height() const override { return head_.height; }
  int32_t FullWidth() const override { return head_.fullWidth; }
  int32_t FullHeight() const override { return head_.fullHeight; }
  bool FrameWait() const override { return head_.frameWait; }
  void Tick() override {}
  bool RunPending() override { return false; }
  void Close() override {}
  std::string FailureReason() const override { return failure_; }
  const ProjectHead& Head() const { return head_; }

 private:
  ProjectHead head_;
  std::string failure_;
};

}  // namespace kuzo::host
