// Message boxes with Shift-JIS texts: shown as SDL dialogs (texts converted to UTF-8), or, for
// headless runs, written to stderr and answered with the caller's default button.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kuzo::platform {

enum class MessageButtons { kOk, kOkCancel, kYesNo };
enum class MessageIcon { kNone, kInformation, kWarning, kQuestion, kError };
enum class MessageResult { kOk, kCancel, kYes, kNo };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // `text` and `caption` are Shift-JIS. `defaultResult` is the answer of a box nobody can see
  // and the button that Return selects.
  virtual MessageResult Show(std::string_view text, std::string_view caption, MessageButtons buttons,
                             MessageIcon icon, MessageResult defaultResult) = 0;
};

// Writes "caption: text" (UTF-8) to stderr and answers `defaultResult`; keeps what it showed.
class HeadlessMessageBoxes : public MessageBoxes {
 public:
  struct Shown {
    std::string text, caption;  // Shift-JIS, as given
    MessageButtons buttons;
    MessageIcon icon;
  };
  MessageResult Show(std::string_view text, std::string_view caption, MessageButtons buttons, MessageIcon icon,
                     MessageResult defaultResult) override;
  const std::vector<Shown>& History() const { return shown_; }
  void SetQuiet(bool quiet) { quiet_ = quiet; }

 private:
  std::vector<Shown> shown_;
  bool quiet_ = false;
};

// Modal SDL message boxes; falls back to the headless behaviour when no display is available.
std::unique_ptr<MessageBoxes> CreateDesktopMessageBoxes();

}  // namespace kuzo::platform
