#include "engine/WindowX.h"

#include <string>
#include <string_view>

#include "engine/InputHandlerX.h"
#include "engine/KorvelX.h"
#include "engine/ReportHooksX.h"
#include "engine/VirtualKeysX.h"
#include "render/IRenderDeviceX.h"

IRenderDeviceX* WindowX::sResizeListener = nullptr;
std::atomic<bool> WindowX::sWindowActive{false};

namespace {
const char* const kTitle = "Quorlinth";
}

WindowX::WindowX() = default;

WindowX::~WindowX() {
  if (hWnd || mVideoStarted) KillWindow();
}

uint32_t WindowX::GetQuitMessage() {
  static const uint32_t sQuitMessage = SDL_RegisterEvents(1);
  return sQuitMessage;
}

bool WindowX::IsQuitMessage(const SDL_Event& event) {
  return GetQuitMessage() != static_cast<uint32_t>(-1) && event.type == GetQuitMessage();
}

bool WindowX::IsUnseenFallback(const char* driver, const char* requested) {
  if (!driver) return true;
  const std::string_view name(driver);
  if (name != "offscreen" && name != "dummy") return false;
  // SDL_VIDEODRIVER may name several drivers, separated by commas.
  return !requested || std::string_view(requested).find(name) == std::string_view::npos;
}

bool WindowX::OpenSdlWindow(uint32_t flags) {
  hWnd = SDL_CreateWindow(kTitle, 0, 0, mWidth, mHeight,
                          flags | SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  return hWnd != nullptr;
}

bool WindowX::CreateWindowX(IRenderDeviceX* resizeListener, int32_t width, int32_t height) {
  mWidth = width;
  mHeight = height;
  mWindowType = WINDOWTYPE_DIRECTX;
  LogMessage("Opening a DirectX window");
  sResizeListener = resizeListener;
  mFullScreen = true;

  mVideoStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  KX_ASSERT_MSG(mVideoStarted, "WindowX::CreateWindowX", "RegisterClass(&wc)");
  if (!mVideoStarted) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  LogMessage(StringX("Video driver: ") + (driver ? driver : "none"));
  if (IsUnseenFallback(driver, SDL_getenv("SDL_VIDEODRIVER"))) {
    LogMessage(
        "No display answers (DISPLAY is not set or its X server is gone): the window would be "
        "unseen and get no input. SDL_VIDEODRIVER=offscreen runs the program unseen on purpose");
    KillWindow();
    return false;
  }
  GetQuitMessage();

  if (!OpenSdlWindow(SDL_WINDOW_FULLSCREEN_DESKTOP)) {
    LogNormal(__FILE__, "WindowX::CreateWindowX", __LINE__, "false");
    // Nobody may be there to click a message box away: the notice goes to the log.
    LogMessage(
        "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Using Windowed Mode "
        "Instead");
    mFullScreen = false;
    if (!OpenSdlWindow(0)) {
      const std::string error = SDL_GetError();
      KillWindow();
      LogNormal(__FILE__, "WindowX::CreateWindowX", __LINE__, error.c_str());
      return false;
    }
  }
  // No screen saver and no monitor power-down while the program runs.
  SDL_DisableScreenSaver();
  // The game steers with the mouse and puts the cursor back in the middle every frame.
  SDL_ShowCursor(SDL_DISABLE);
  SDL_ShowWindow(hWnd);
  SDL_RaiseWindow(hWnd);
  if (sResizeListener)
    sResizeListener->Resize(static_cast<uint32_t>(mWidth), static_cast<uint32_t>(mHeight));
  SetWindowActive(true);
  LogMessage("Window Created");
  return true;
}

void WindowX::KillWindow() {
  if (mVideoStarted) SDL_ShowCursor(SDL_ENABLE);
  KX_ASSERT(!hRC, "WindowX::KillWindow");
  hDC = nullptr;
  if (hWnd) {
    SDL_DestroyWindow(hWnd);  // leaving full screen gives the desktop its mode back
    hWnd = nullptr;
  }
  if (mVideoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    mVideoStarted = false;
  }
  sResizeListener = nullptr;
  LogMessage(StringX("Window deleted, ") + mWindowClassName);
}

void WindowX::PostQuitMessage() {
  SDL_Event quit{};
  quit.type = GetQuitMessage();
  if (SDL_PushEvent(&quit) != 1)
    LogMessage((std::string("Quit message not posted: ") + SDL_GetError()).c_str());
}

void WindowX::TranslateMessageX(const SDL_Event& event, MessageX& message) {
  message = MessageX();
  if (IsQuitMessage(event)) {
    message.mType = MessageX::MESSAGE_QUIT;
    return;
  }
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      message.mKey = VirtualKeysX::FromSdlKey(event.key.keysym.sym);
      if (message.mKey != VirtualKeysX::VK_NONE) {
        message.mType =
            event.type == SDL_KEYDOWN ? MessageX::MESSAGE_KEYDOWN : MessageX::MESSAGE_KEYUP;
      }
      return;
    case SDL_MOUSEMOTION:
      // The buttons are read from the motion's button state only.
      message.mType = MessageX::MESSAGE_MOUSEBUTTONS;
      message.mLeftButton = (event.motion.state & SDL_BUTTON_LMASK) != 0;
      message.mRightButton = (event.motion.state & SDL_BUTTON_RMASK) != 0;
      return;
    default:
      return;
  }
}

bool WindowX::PeekMessageX(MessageX& message) {
  if (!mVideoStarted || !SDL_PollEvent(&mLastEvent)) return false;
  TranslateMessageX(mLastEvent, message);
  return true;
}

void WindowX::DispatchMessageX(const MessageX&) { WindowProcedure(mLastEvent); }

void WindowX::CloseRequest() {
  PostQuitMessage();
  if (KorvelX* korvelX = GetKorvelX()) korvelX->Quit();
}

bool WindowX::WindowProcedure(const SDL_Event& event) {
  if (event.type == SDL_QUIT) {  // the desktop asks the program to end (a signal, a logout)
    CloseRequest();
    return true;
  }
  if (event.type != SDL_WINDOWEVENT) return false;
  switch (event.window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      SetWindowActive(true);
      return true;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      SetWindowActive(false);
      // Key-up and button-up events of what is held now go to another window: let go of it
      // all, or the held keys would read as pressed again in every inactive frame.
      if (mInputHandler) mInputHandler->ReleaseAll();
      return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (sResizeListener) {
        sResizeListener->Resize(static_cast<uint32_t>(event.window.data1),
                                static_cast<uint32_t>(event.window.data2));
      }
      return true;
    case SDL_WINDOWEVENT_CLOSE:
      CloseRequest();
      return true;
    default:
      return false;
  }
}
