#include "engine/WindowX.h"

#include <SDL2/SDL.h>

#include <string>
#include <string_view>

#include "engine/InputHandlerX.h"
#include "engine/ReportHooksX.h"
#include "engine/VirtualKeysX.h"

std::atomic<bool> WindowX::sWindowActive{false};

struct WindowX::PlatformX {
  SDL_Window* mWindow = nullptr;
  SDL_GLContext mContext = nullptr;
  SDL_Event mLastEvent{};  // the event of the last message handed out
};

namespace {
const char* const kTitle = "Quorlinth";

// The quit message the window posts on a close request; the message pump ends the program when
// it meets it.
uint32_t GetQuitMessage() {
  static const uint32_t sQuitMessage = SDL_RegisterEvents(1);
  return sQuitMessage;
}

bool IsQuitMessage(const SDL_Event& event) {
  return GetQuitMessage() != static_cast<uint32_t>(-1) && event.type == GetQuitMessage();
}

void TranslateMessage(const SDL_Event& event, MessageX& message) {
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

// The drawable the window is made with: 8 bits a colour, depth 24, stencil 8, two buffers, a
// GL 3.3 core context.
void RequestDrawable() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}
}  // namespace

WindowX::WindowX() : mPlatform(std::make_unique<PlatformX>()) {}

bool WindowX::StartVideo() {
  if (!mVideoStarted) mVideoStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  return mVideoStarted;
}

WindowX::~WindowX() {
  if (mPlatform->mWindow) KillWindow();
  if (mVideoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool WindowX::GetDesktopSize(int32_t& width, int32_t& height) {
  SDL_DisplayMode desktop{};
  if (!StartVideo() || SDL_GetDesktopDisplayMode(0, &desktop) != 0) return false;
  width = desktop.w;
  height = desktop.h;
  return true;
}

bool WindowX::IsUnseenFallback(const char* driver, const char* requested) {
  if (!driver) return true;
  const std::string_view name(driver);
  if (name != "offscreen" && name != "dummy") return false;
  // SDL_VIDEODRIVER may name several drivers, separated by commas.
  return !requested || std::string_view(requested).find(name) == std::string_view::npos;
}

bool WindowX::OpenPlatformWindow(uint32_t flags) {
  mPlatform->mWindow = SDL_CreateWindow(kTitle, 0, 0, mWidth, mHeight,
                                        flags | SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  return mPlatform->mWindow != nullptr;
}

bool WindowX::CreateWindowX(ResizeListenerX resizeListener, int32_t width, int32_t height) {
  mWidth = width;
  mHeight = height;
  mWindowType = WINDOWTYPE_DIRECTX;
  LogMessage("Opening a DirectX window");
  mResizeListener = std::move(resizeListener);
  mFullScreen = true;

  const bool video = StartVideo();
  KX_ASSERT_MSG(video, "WindowX::CreateWindowX", "RegisterClass(&wc)");
  if (!video) return false;
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
  RequestDrawable();

  if (!OpenPlatformWindow(SDL_WINDOW_FULLSCREEN_DESKTOP)) {
    LogNormal(__FILE__, "WindowX::CreateWindowX", __LINE__, "false");
    // Nobody may be there to click a message box away: the notice goes to the log.
    LogMessage(
        "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Using Windowed Mode "
        "Instead");
    mFullScreen = false;
    if (!OpenPlatformWindow(0)) {
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
  SDL_ShowWindow(mPlatform->mWindow);
  SDL_RaiseWindow(mPlatform->mWindow);
  if (mResizeListener)
    mResizeListener(static_cast<uint32_t>(mWidth), static_cast<uint32_t>(mHeight));
  SetWindowActive(true);
  LogMessage("Window Created");
  return true;
}

void WindowX::KillWindow() {
  if (mVideoStarted) SDL_ShowCursor(SDL_ENABLE);
  if (mPlatform->mWindow) {
    SDL_DestroyWindow(mPlatform->mWindow);  // leaving full screen gives the desktop its mode back
    mPlatform->mWindow = nullptr;
  }
  mResizeListener = nullptr;
  LogMessage(StringX("Window deleted, ") + mWindowClassName);
}

bool WindowX::IsOpen() const { return mPlatform->mWindow != nullptr; }

uint32_t WindowX::GetWindowId() const {
  return mPlatform->mWindow ? SDL_GetWindowID(mPlatform->mWindow) : 0;
}

void WindowX::PostQuitMessage() {
  SDL_Event quit{};
  quit.type = GetQuitMessage();
  if (SDL_PushEvent(&quit) != 1)
    LogMessage((std::string("Quit message not posted: ") + SDL_GetError()).c_str());
}

bool WindowX::PeekMessageX(MessageX& message) {
  if (!mVideoStarted || !SDL_PollEvent(&mPlatform->mLastEvent)) return false;
  TranslateMessage(mPlatform->mLastEvent, message);
  return true;
}

void WindowX::DispatchMessageX(const MessageX&) { WindowProcedure(); }

void WindowX::CloseRequest() {
  PostQuitMessage();
  if (mQuitRequest) mQuitRequest();
}

void WindowX::WindowProcedure() {
  const SDL_Event& event = mPlatform->mLastEvent;
  if (event.type == SDL_QUIT) {  // the desktop asks the program to end (a signal, a logout)
    CloseRequest();
    return;
  }
  if (event.type != SDL_WINDOWEVENT) return;
  switch (event.window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      SetWindowActive(true);
      return;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      SetWindowActive(false);
      // Key-up and button-up events of what is held now go to another window: let go of it
      // all, or the held keys would read as pressed again in every inactive frame.
      if (mInputHandler) mInputHandler->ReleaseAll();
      return;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (mResizeListener) {
        mResizeListener(static_cast<uint32_t>(event.window.data1),
                        static_cast<uint32_t>(event.window.data2));
      }
      return;
    case SDL_WINDOWEVENT_CLOSE:
      CloseRequest();
      return;
    default:
      return;
  }
}

bool WindowX::CreateGLContext() {
  mPlatform->mContext = mPlatform->mWindow ? SDL_GL_CreateContext(mPlatform->mWindow) : nullptr;
  if (!mPlatform->mContext) {
    LogMessage((std::string("RenderDevice, no GL context: ") + SDL_GetError()).c_str());
    return false;
  }
  return true;
}

void WindowX::DestroyGLContext() {
  if (!mPlatform->mContext) return;
  SDL_GL_MakeCurrent(mPlatform->mWindow, nullptr);
  SDL_GL_DeleteContext(mPlatform->mContext);
  mPlatform->mContext = nullptr;
}

void WindowX::SwapBuffers() {
  if (mPlatform->mWindow) SDL_GL_SwapWindow(mPlatform->mWindow);
}

void WindowX::SetSwapInterval(int32_t interval) { SDL_GL_SetSwapInterval(interval); }

void WindowX::GetDrawableSize(int32_t& width, int32_t& height) const {
  width = height = 0;
  if (mPlatform->mWindow) SDL_GL_GetDrawableSize(mPlatform->mWindow, &width, &height);
}

void WindowX::GetDepthStencilBits(int32_t& depth, int32_t& stencil) const {
  depth = stencil = 0;
  SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depth);
  SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &stencil);
}
