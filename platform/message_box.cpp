// SDL message boxes and their headless stand-in.
#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>

#include "platform/cp932.h"

namespace kuzo::platform {

MessageResult HeadlessMessageBoxes::Show(std::string_view text, std::string_view caption, MessageButtons buttons,
                                         MessageIcon icon, MessageResult defaultResult) {
  shown_.push_back(Shown{std::string(text), std::string(caption), buttons, icon});
  if (!quiet_) {
    std::string line = Cp932ToUtf8(caption) + ": " + Cp932ToUtf8(text);
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  return defaultResult;
}

namespace {

class SdlMessageBoxes : public MessageBoxes {
 public:
  MessageResult Show(std::string_view text, std::string_view caption, MessageButtons buttons, MessageIcon icon,
                     MessageResult defaultResult) override {
    std::string utf8Text = Cp932ToUtf8(text);
    std::string utf8Caption = Cp932ToUtf8(caption);
    std::vector<SDL_MessageBoxButtonData> data;
    auto add = [&](MessageResult result, const char* label) {
      Uint32 flags = 0;
      if (result == defaultResult) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
      if (result == MessageResult::kCancel || result == MessageResult::kNo) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
      data.push_back(SDL_MessageBoxButtonData{flags, static_cast<int>(result), label});
    };
    switch (buttons) {
      case MessageButtons::kOk: add(MessageResult::kOk, "OK"); break;
      case MessageButtons::kOkCancel:
        add(MessageResult::kOk, "OK");
        add(MessageResult::kCancel, "Cancel");
        break;
      case MessageButtons::kYesNo:
        add(MessageResult::kYes, "Yes");
        add(MessageResult::kNo, "No");
        break;
    }
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if (icon == MessageIcon::kWarning) flags = SDL_MESSAGEBOX_WARNING;
    if (icon == MessageIcon::kError) flags = SDL_MESSAGEBOX_ERROR;
    SDL_MessageBoxData box{flags, nullptr, utf8Caption.c_str(), utf8Text.c_str(), static_cast<int>(data.size()),
                           data.data(), nullptr};
    int pressed = -1;
    // Without a display the box cannot be shown: answer as a headless box would.
    if (SDL_ShowMessageBox(&box, &pressed) != 0) return fallback_.Show(text, caption, buttons, icon, defaultResult);
    if (pressed < 0) {  // closed without a button: the escape answer
      if (buttons == MessageButtons::kYesNo) return MessageResult::kNo;
      return buttons == MessageButtons::kOkCancel ? MessageResult::kCancel : MessageResult::kOk;
    }
    return static_cast<MessageResult>(pressed);
  }

 private:
  HeadlessMessageBoxes fallback_;
};

}  // namespace

std::unique_ptr<MessageBoxes> CreateDesktopMessageBoxes() { return std::make_unique<SdlMessageBoxes>(); }

}  // namespace kuzo::platform
