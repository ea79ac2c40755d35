#pragma once
// The single application window: full screen at the desktop size, or windowed when full screen
// is refused. Events the message pump does not take itself (activation, size, close) go through
// WindowProcedure. The window carries an OpenGL drawable; the render device owns the context.
#include <SDL2/SDL.h>

#include <atomic>
#include <cstdint>

#include "engine/MessagePumpX.h"
#include "foundation/StringX.h"

class IRenderDeviceX;
class InputHandlerX;

class WindowX : public IMessageSourceX {
 public:
  enum WindowTypeX : int32_t {
    WINDOWTYPE_OPENGL = 1,
    WINDOWTYPE_DIRECTX = 2,
    WINDOWTYPE_SOFTWARE = 3
  };

  WindowX();
  ~WindowX() override;
  WindowX(const WindowX&) = delete;
  WindowX& operator=(const WindowX&) = delete;

  // Opens the window at width x height and tells the resize listener its size. True on success.
  bool CreateWindowX(IRenderDeviceX* resizeListener, int32_t width, int32_t height);
  void KillWindow();

  // The message pump's source: takes the next SDL event without waiting and turns it into a
  // message (keys as virtual-key codes; keys without a code count as other messages).
  bool PeekMessageX(MessageX& message) override;
  // Other messages go to the window procedure.
  void DispatchMessageX(const MessageX& message) override;
  static void TranslateMessageX(const SDL_Event& event, MessageX& message);

  // Activation, size and close events; returns true when the event was one of them.
  bool WindowProcedure(const SDL_Event& event);
  // Told to let go of every key and button when the window loses the focus (optional).
  void SetInputHandler(InputHandlerX* input) { mInputHandler = input; }

  SDL_Window* GetWindowHandle() const { return hWnd; }
  bool IsFullScreen() const { return mFullScreen; }
  int32_t GetWindowType() const { return mWindowType; }
  const StringX& GetWindowClassName() const { return mWindowClassName; }

  // The quit message: posted by WindowProcedure on a close request; the message pump ends the
  // program when it meets it.
  static uint32_t GetQuitMessage();
  static bool IsQuitMessage(const SDL_Event& event);
  // True when SDL fell back to a driver that shows nothing and takes no input (no display
  // answered) although SDL_VIDEODRIVER (`requested`, may be null) did not ask for it.
  static bool IsUnseenFallback(const char* driver, const char* requested);
  // The process-wide window-active flag: written on activation, read by the engine's update.
  static bool IsWindowActive() { return sWindowActive.load(std::memory_order_relaxed); }
  static void SetWindowActive(bool active) {
    sWindowActive.store(active, std::memory_order_relaxed);
  }

 private:
  bool OpenSdlWindow(uint32_t flags);
  void PostQuitMessage();
  void CloseRequest();

  void* hDC = nullptr;  // no device context on this platform: the window draws through GL
  void* hRC = nullptr;  // always null: the render device owns the GL context
  SDL_Window* hWnd = nullptr;
  bool mVideoStarted = false;
  bool mFullScreen = true;
  int32_t mWindowType = WINDOWTYPE_DIRECTX;
  StringX mWindowClassName = "DirectX";
  int32_t mWidth = 0, mHeight = 0;
  SDL_Event mLastEvent{};  // the event of the last message handed out
  InputHandlerX* mInputHandler = nullptr;

  static IRenderDeviceX* sResizeListener;
  static std::atomic<bool> sWindowActive;
};
