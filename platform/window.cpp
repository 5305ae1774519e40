// The SDL2 window: a streaming texture of the frame's size, updated by rectangles and scaled to
// the window by the renderer's logical size (which also maps mouse positions back to frame pixels).
#include "platform/window.h"

#include <SDL.h>

#include <algorithm>
#include <vector>

#include "core/errors.h"
#include "platform/cp932.h"
#include "platform/key_map.h"
#include "platform/sdl_video.h"

namespace kuzo::platform {
namespace {

class SdlWindow : public Window {
 public:
  SdlWindow(std::string_view sjisTitle, int width, int height, const WindowOptions& options) : scale_(options.scale) {
    std::string error;
    if (!StartVideo(&error)) throw KuzoError(Format("cannot open a window: %s", error.c_str()));
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    width_ = std::max(1, width);
    height_ = std::max(1, height);
    zoom_ = std::max(1, options.initialZoom);
    int zoom = FittingZoom();
    Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI | (options.resizable ? SDL_WINDOW_RESIZABLE : 0);
    std::string title = Cp932ToUtf8(sjisTitle);
    window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width_ * zoom,
                               height_ * zoom, flags);
    if (!window_) Fail("cannot open a window");
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) Fail("cannot draw into the window");
    try {
      CreateTexture();
    } catch (const KuzoError&) {
      Fail("cannot create the frame texture");
    }
  }

  ~SdlWindow() override {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
  }

  void SetTitle(std::string_view sjisTitle) override {
    std::string title = Cp932ToUtf8(sjisTitle);
    SDL_SetWindowTitle(window_, title.c_str());
  }

  void SetIcon(int width, int height, std::span<const uint8_t> rgba) override {
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) return;
    // SDL copies the pixels into the window system's icon; the surface only borrows them.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(rgba.data()), width, height, 32,
                                                              width * 4, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr) return;
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
  }

  void SetFrameSize(int width, int height) override {
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    CreateTexture();
    if (!FullScreen()) {
      int zoom = FittingZoom();
      SDL_SetWindowSize(window_, width_ * zoom, height_ * zoom);
      SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
  }
  int FrameWidth() const override { return width_; }
  int FrameHeight() const override { return height_; }

  bool PollEvent(InputEvent& out) override {
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
      if (Translate(ev, out)) return true;
    }
    return false;
  }

  bool WaitEvent(InputEvent& out, int timeoutMs) override {
    SDL_Event ev;
    uint32_t start = SDL_GetTicks();
    for (;;) {
      int left = timeoutMs - static_cast<int>(SDL_GetTicks() - start);
      if (left < 0) left = 0;
      if (!SDL_WaitEventTimeout(&ev, left)) return false;
      if (Translate(ev, out)) return true;
      if (left == 0) return false;
    }
  }

  bool Present(const uint32_t* pixels, size_t pitch, std::span<const PixelRect> rects) override {
    bool ok = true;
    if (rects.empty() || textureStale_) {
      ok = SDL_UpdateTexture(texture_, nullptr, pixels, static_cast<int>(pitch)) == 0;
    } else {
      for (const PixelRect& r : rects) {
        SDL_Rect c{std::max(0, r.left), std::max(0, r.top), 0, 0};
        c.w = std::min(width_, r.right) - c.x;
        c.h = std::min(height_, r.bottom) - c.y;
        if (c.w <= 0 || c.h <= 0) continue;
        const auto* row = reinterpret_cast<const uint8_t*>(pixels) + static_cast<size_t>(c.y) * pitch +
                          static_cast<size_t>(c.x) * 4;
        ok = SDL_UpdateTexture(texture_, &c, row, static_cast<int>(pitch)) == 0 && ok;
      }
    }
    textureStale_ = !ok;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    ok = SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) == 0 && ok;
    SDL_RenderPresent(renderer_);
    if (!ok) textureStale_ = true;
    return ok;
  }

  void SetWindowSize(int width, int height) override {
    SDL_SetWindowSize(window_, std::max(1, width), std::max(1, height));
    textureStale_ = true;
  }

  bool SetFullScreen(bool on) override {
    if (on == FullScreen()) return true;
    if (SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return false;
    textureStale_ = true;
    return true;
  }
  bool FullScreen() const override { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0; }

  void SetScaleMode(ScaleMode mode) override {
    scale_ = mode;
    ApplyScaleMode();
  }

  bool HasFocus() const override { return (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0; }

  void OutputSize(int& width, int& height) const override { SDL_GetRendererOutputSize(renderer_, &width, &height); }

  void WarpPointer(int frameX, int frameY) override {
    frameX = std::clamp(frameX, 0, width_ - 1);
    frameY = std::clamp(frameY, 0, height_ - 1);
    // The centre of the frame pixel, in the window's coordinates after letterboxing and scaling.
    int windowX = 0, windowY = 0;
    SDL_RenderLogicalToWindow(renderer_, static_cast<float>(frameX) + 0.5f, static_cast<float>(frameY) + 0.5f,
                              &windowX, &windowY);
    SDL_WarpMouseInWindow(window_, windowX, windowY);
  }

 private:
  [[noreturn]] void Fail(const char* what) {
    std::string message = Format("%s: %s", what, SDL_GetError());
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    renderer_ = nullptr;
    window_ = nullptr;
    throw KuzoError(message);
  }

  // The wanted window zoom, reduced until the window fits the desktop.
  int FittingZoom() const {
    int zoom = zoom_;
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
      while (zoom > 1 && (width_ * zoom > usable.w || height_ * zoom > usable.h)) --zoom;
    }
    return zoom;
  }

  void CreateTexture() {
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width_, height_);
    if (!texture_) throw KuzoError(Format("cannot create a %dx%d frame texture: %s", width_, height_, SDL_GetError()));
    textureStale_ = true;
    SDL_RenderSetLogicalSize(renderer_, width_, height_);
    ApplyScaleMode();
  }

  void ApplyScaleMode() {
    SDL_RenderSetIntegerScale(renderer_, scale_ == ScaleMode::kInteger ? SDL_TRUE : SDL_FALSE);
    SDL_SetTextureScaleMode(texture_, scale_ == ScaleMode::kSmooth ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  }

  bool Translate(const SDL_Event& ev, InputEvent& out) {
    out = InputEvent{};
    switch (ev.type) {
      case SDL_QUIT:
        out.type = InputEvent::Type::kQuit;
        return true;
      case SDL_WINDOWEVENT:
        if (ev.window.windowID != SDL_GetWindowID(window_)) return false;
        switch (ev.window.event) {
          case SDL_WINDOWEVENT_CLOSE: out.type = InputEvent::Type::kQuit; return true;
          case SDL_WINDOWEVENT_FOCUS_GAINED: out.type = InputEvent::Type::kFocusGained; return true;
          case SDL_WINDOWEVENT_FOCUS_LOST: out.type = InputEvent::Type::kFocusLost; return true;
          case SDL_WINDOWEVENT_LEAVE: out.type = InputEvent::Type::kMouseLeft; return true;
          case SDL_WINDOWEVENT_EXPOSED:
          case SDL_WINDOWEVENT_SIZE_CHANGED:
          case SDL_WINDOWEVENT_RESTORED:
            textureStale_ = true;
            out.type = InputEvent::Type::kExposed;
            return true;
          default: return false;
        }
      case SDL_MOUSEMOTION:
        out.type = InputEvent::Type::kMouseMove;
        out.x = ev.motion.x;
        out.y = ev.motion.y;
        return true;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        out.type = ev.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Type::kMouseDown : InputEvent::Type::kMouseUp;
        out.x = ev.button.x;
        out.y = ev.button.y;
        if (ev.button.button == SDL_BUTTON_LEFT) out.button = MouseButton::kLeft;
        else if (ev.button.button == SDL_BUTTON_RIGHT) out.button = MouseButton::kRight;
        else if (ev.button.button == SDL_BUTTON_MIDDLE) out.button = MouseButton::kMiddle;
        else return false;
        return true;
      case SDL_MOUSEWHEEL: {
        int y = ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -ev.wheel.y : ev.wheel.y;
        if (y == 0) return false;
        out.type = InputEvent::Type::kWheel;
        out.wheel = y;
        return true;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        out.type = ev.type == SDL_KEYDOWN ? InputEvent::Type::kKeyDown : InputEvent::Type::kKeyUp;
        out.virtualKey = VirtualKeyFromScancode(ev.key.keysym.scancode, (ev.key.keysym.mod & KMOD_NUM) != 0);
        out.repeat = ev.key.repeat != 0;
        return true;
      default:
        return false;
    }
  }

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  bool textureStale_ = true;
  int width_ = 1, height_ = 1;
  int zoom_ = 1;
  ScaleMode scale_;
};

}  // namespace

std::unique_ptr<Window> CreateWindow(std::string_view sjisTitle, int width, int height, const WindowOptions& options) {
  return std::make_unique<SdlWindow>(sjisTitle, width, height, options);
}

}  // namespace kuzo::platform
