// What the fifty "@" system variables read and write in the rest of the player: input state, the
// interpreter's arguments and result, screen, fonts, MIDI ports, history and the clocks. The host
// wires an implementation; until then every value is neutral (0, false, empty) and writes are dropped.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kuzo {

class TCustomParam;

// Local calendar time as the host sees it.
struct LocalDateTime {
  int32_t year = 1899, month = 12, day = 30;
  int32_t hour = 0, minute = 0, second = 0, millisecond = 0;
  int32_t weekDay = 7;  // 1 = Sunday ... 7 = Saturday
};

class SystemVariableHost {
 public:
  virtual ~SystemVariableHost() = default;

  // Interpreter (call stack, arguments of the running call or event, its sender).
  virtual TCustomParam* CurrentResult() { return nullptr; }
  virtual int32_t ArgCount() { return 0; }
  virtual std::string Arg(int32_t index) { return {}; }
  virtual std::string SenderName() { return {}; }
  virtual int32_t StackCount() { return 0; }

  // Scene input of this frame.
  virtual bool LeftClick() { return false; }
  virtual void SetLeftClick(bool b) {}
  virtual bool RightClick() { return false; }
  virtual void SetRightClick(bool b) {}
  virtual bool LeftPush() { return false; }
  virtual bool RightPush() { return false; }
  virtual bool WheelDown() { return false; }
  virtual bool WheelUp() { return false; }
  virtual int32_t MouseX() { return 0; }
  virtual int32_t MouseY() { return 0; }
  virtual void SetMouseX(int32_t x) {}
  virtual void SetMouseY(int32_t y) {}
  // Key codes 0..255 by virtual-key code, 256 wheel down, 257 wheel up.
  virtual bool KeyPush(int32_t code) { return false; }
  virtual bool KeyClick(int32_t code) { return false; }
  virtual bool KeyRepeat(int32_t code) { return false; }

  // Project and screen.
  virtual int32_t ScreenWidth() { return 0; }
  virtual int32_t ScreenHeight() { return 0; }
  virtual std::string Title() { return {}; }
  virtual bool FullScreen() { return false; }
  virtual void SetFullScreen(bool b) {}
  virtual int32_t DisplayModeCount() { return 0; }
  virtual int32_t DisplayModeIndex() { return 0; }
  virtual void SetDisplayModeIndex(int32_t index) {}
  // The four numbers of display mode `index`, in the screen manager's order.
  virtual bool DisplayMode(int32_t index, std::array<int32_t, 4>& out) { return false; }

  // Scene switches and focus.
  virtual bool CGDither() { return false; }
  virtual void SetCGDither(bool b) {}
  virtual bool SoundOn() { return false; }
  virtual void SetSoundOn(bool b) {}
  virtual std::string ActiveCompo() { return {}; }
  virtual void SetActiveCompo(const std::string& name) {}

  // Text history.
  virtual int32_t HistoryCount() { return 0; }
  virtual int32_t HistoryMaxCount() { return 0; }
  virtual void SetHistoryMaxCount(int32_t n) {}

  // Fonts (names one per line) and MIDI ports.
  virtual std::string Fonts() { return {}; }
  virtual std::string FixedFonts() { return {}; }
  virtual std::string MidiPort() { return {}; }
  virtual void SetMidiPort(const std::string& name) {}
  virtual int32_t MidiPortCount() { return 0; }
  virtual std::string MidiPortName(int32_t index) { return {}; }

  // Clocks: milliseconds since the machine started, and the local date and time.
  virtual uint32_t SystemMilliseconds() { return 0; }
  virtual LocalDateTime Now() { return {}; }

  // Asks the system shell to open a link (http or ftp).
  virtual void OpenUrl(const std::string& url) {}
};

}  // namespace kuzo
