#pragma once
// The single application window: full screen at the desktop size, or windowed when full screen
// is refused. Events the message pump does not take itself (activation, size, close) go to the
// window procedure. The window carries an OpenGL drawable and makes the GL context on the
// render thread's request; SDL stays inside WindowX.cpp.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/MessagePumpX.h"
#include "foundation/StringX.h"

class InputHandlerX;

class WindowX : public IMessageSourceX {
 public:
  enum WindowTypeX : int32_t {
    WINDOWTYPE_OPENGL = 1,
    WINDOWTYPE_DIRECTX = 2,
    WINDOWTYPE_SOFTWARE = 3
  };
  // Told the drawable's new size.
  using ResizeListenerX = std::function<void(uint32_t width, uint32_t height)>;
  // Told that the person at the screen asked the program to end (the close box, a logout).
  using QuitRequestX = std::function<void()>;

  // The window opens with CreateWindowX; the video subsystem is started on first use.
  WindowX();
  ~WindowX() override;
  WindowX(const WindowX&) = delete;
  WindowX& operator=(const WindowX&) = delete;

  // The size of the first display's desktop; false without video.
  bool GetDesktopSize(int32_t& width, int32_t& height);
  // Opens the window at width x height and tells the resize listener its size. True on success.
  bool CreateWindowX(ResizeListenerX resizeListener, int32_t width, int32_t height);
  void KillWindow();
  void SetQuitRequest(QuitRequestX quitRequest) { mQuitRequest = std::move(quitRequest); }
  // Told to let go of every key and button when the window loses the focus (optional).
  void SetInputHandler(InputHandlerX* input) { mInputHandler = input; }

  // The message pump's source: takes the next event without waiting and turns it into a
  // message (keys as virtual-key codes; keys without a code count as other messages).
  bool PeekMessageX(MessageX& message) override;
  // Other messages go to the window procedure: activation, size and close events.
  void DispatchMessageX(const MessageX& message) override;

  // The GL context of the window, made current on the calling thread (the render thread) by
  // CreateGLContext; false, logged, when there is none. The other calls are the same thread's.
  bool CreateGLContext();
  void DestroyGLContext();
  void SwapBuffers();
  void SetSwapInterval(int32_t interval);
  void GetDrawableSize(int32_t& width, int32_t& height) const;
  // Bits of depth and stencil the drawable has.
  void GetDepthStencilBits(int32_t& depth, int32_t& stencil) const;

  bool IsOpen() const;
  // The window's number on its video driver (0 when closed), for finding it from outside.
  uint32_t GetWindowId() const;
  bool IsFullScreen() const { return mFullScreen; }
  int32_t GetWindowType() const { return mWindowType; }
  const StringX& GetWindowClassName() const { return mWindowClassName; }

  // True when SDL fell back to a driver that shows nothing and takes no input (no display
  // answered) although SDL_VIDEODRIVER (`requested`, may be null) did not ask for it.
  static bool IsUnseenFallback(const char* driver, const char* requested);
  // The process-wide window-active flag: written on activation, read by the engine's update.
  static bool IsWindowActive() { return sWindowActive.load(std::memory_order_relaxed); }
  static void SetWindowActive(bool active) {
    sWindowActive.store(active, std::memory_order_relaxed);
  }

 private:
  struct PlatformX;  // the SDL window, its GL context and the event last handed out

  // Starts the video subsystem once; false when there is no video.
  bool StartVideo();
  bool OpenPlatformWindow(uint32_t flags);
  void PostQuitMessage();
  void CloseRequest();
  // Handles the event last handed out when it is an activation, size or close event.
  void WindowProcedure();

  std::unique_ptr<PlatformX> mPlatform;
  bool mVideoStarted = false;
  bool mFullScreen = true;
  int32_t mWindowType = WINDOWTYPE_DIRECTX;
  StringX mWindowClassName = "DirectX";
  int32_t mWidth = 0, mHeight = 0;
  ResizeListenerX mResizeListener;
  QuitRequestX mQuitRequest;
  InputHandlerX* mInputHandler = nullptr;

  static std::atomic<bool> sWindowActive;
};
