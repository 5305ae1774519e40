// A window that shows 32-bit frames drawn by the player, and the input it receives. The frame
// keeps its own pixel size (the logical size); the window may be larger, resized, full screen or
// on a HiDPI display: the frame is scaled with its aspect kept, and mouse positions come back in
// frame pixels. Nothing above this layer sees SDL.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kuzo::platform {

enum class MouseButton { kLeft, kRight, kMiddle };

struct InputEvent {
  enum class Type {
    kNone, kQuit, kMouseMove, kMouseDown, kMouseUp, kWheel, kKeyDown, kKeyUp,
    kFocusGained, kFocusLost, kExposed, kMouseLeft
  };
  Type type = Type::kNone;
  int x = 0, y = 0;  // frame pixels (mouse events)
  MouseButton button = MouseButton::kLeft;
  int wheel = 0;       // > 0 away from the user (up), < 0 towards
  int virtualKey = 0;  // Windows virtual-key code; 0 when the key has none
  bool repeat = false;
};

struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

enum class ScaleMode {
  kSmooth,   // any factor, filtered
  kSharp,    // any factor, nearest pixel
  kInteger,  // the largest whole factor that fits, nearest pixel
};

struct WindowOptions {
  bool resizable = true;
  ScaleMode scale = ScaleMode::kSmooth;
  int initialZoom = 1;  // the window opens at this multiple of the frame size (when it fits)
};

class Window {
 public:
  virtual ~Window() = default;
  virtual void SetTitle(std::string_view sjisTitle) = 0;
  // The window's icon: width x height pixels, top row first, R, G, B, A bytes. A window system
  // without icons ignores it.
  virtual void SetIcon(int width, int height, std::span<const uint8_t> rgba) {}
  // The frame's pixel size; in window form the window is resized to it and centred.
  virtual void SetFrameSize(int width, int height) = 0;
  virtual int FrameWidth() const = 0;
  virtual int FrameHeight() const = 0;

  virtual bool PollEvent(InputEvent& out) = 0;
  // Waits up to `timeoutMs` for an event; false when none came.
  virtual bool WaitEvent(InputEvent& out, int timeoutMs) = 0;

  // Uploads the rectangles of a frame of FrameWidth() x FrameHeight() pixels (0x00RRGGBB, `pitch`
  // bytes per row) and shows it; an empty list uploads the whole frame. Rectangles are clipped.
  // False when showing failed (the next call should upload the whole frame).
  virtual bool Present(const uint32_t* pixels, size_t pitch, std::span<const PixelRect> rects) = 0;

  // The window's own size in window coordinates (the frame is scaled into it).
  virtual void SetWindowSize(int width, int height) = 0;
  virtual bool SetFullScreen(bool on) = 0;
  virtual bool FullScreen() const = 0;
  virtual void SetScaleMode(ScaleMode mode) = 0;
  virtual bool HasFocus() const = 0;
  // Size of the window's drawable area in device pixels (HiDPI aware).
  virtual void OutputSize(int& width, int& height) const = 0;
  // Moves the pointer to a frame pixel (the window's scaling applied); points outside the frame
  // are kept inside it.
  virtual void WarpPointer(int frameX, int frameY) = 0;
};

// Opens a window for frames of width x height. Raises KuzoError when no display can be opened.
std::unique_ptr<Window> CreateWindow(std::string_view sjisTitle, int width, int height,
                                     const WindowOptions& options = {});

}  // namespace kuzo::platform
