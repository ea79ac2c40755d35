// The render device hosted by the engine: the engine's quit flag and frame time, the frame
// hand-off of SyncEngineRenderX, and the window as the engine's message source.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ScratchFolderX.h"
#include "engine/InputHandlerX.h"
#include "engine/KorvelX.h"
#include "engine/WindowX.h"
#include "render/RenderDirectXX.h"
#include "render/SyncEngineRenderX.h"

namespace {

TEST(EngineRender, RendersPacedByTheEngineAndStopsOnTheCloseRequest) {
  // Synthetic events are fed in: the offscreen driver keeps other windows' focus changes out.
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  ScratchFolderX folder;
  WorkingFolderX working(folder.Path());
  std::filesystem::create_directories(folder.File("Resources"));
  bool started = false;
  {
    KorvelX korvelX;
    korvelX.Init();  // opens the window, starts the render thread and lets it into its loop
    auto* device = dynamic_cast<RenderDirectXX*>(korvelX.GetRenderDevice());
    InputHandlerX* input = korvelX.GetInputHandler();
    started = device && device->IsStarted() && input;
    if (started) {
      korvelX.dt = 0.001f;
      korvelX.Update();  // loading: not handed over
      korvelX.SignalInitialized();

      // Running: every frame drawn waits for an engine frame.
      std::future<FrameCaptureX> frame = device->CaptureNextFrame();
      for (int i = 0;
           i < 2000 && frame.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready;
           ++i) {
        korvelX.dt = 0.001f;
        korvelX.Update();
      }
      ASSERT_EQ(frame.wait_for(std::chrono::seconds(0)), std::future_status::ready);
      EXPECT_EQ(frame.get().mWidth, device->GetWidth());

      // A key reaches the engine's input handler through the engine's pump.
      SDL_Event key{};
      key.type = SDL_KEYDOWN;
      key.key.keysym.sym = SDLK_ESCAPE;
      SDL_PushEvent(&key);
      korvelX.Update();
      EXPECT_TRUE(input->IsKeyDown(27));

      // The close request: the engine quits at this frame or the next.
      SDL_Event close{};
      close.type = SDL_WINDOWEVENT;
      close.window.event = SDL_WINDOWEVENT_CLOSE;
      SDL_PushEvent(&close);
      korvelX.Update();
      korvelX.Update();
      EXPECT_TRUE(korvelX.IsQuitting());
    } else {
      korvelX.Quit();
    }
  }  // the ordered stop deletes the device, which joins the render thread
  if (!started) GTEST_SKIP() << "no GL 3.3 context on this machine";
  const std::string log = ReadText(folder.File("LogFile.txt"));
  for (const char* line : {"Opening a DirectX window", "Window Created",
                           "Creating DirectX DX9 device", "DirectX DX9 device created",
                           "RenderThread started - ID: ", "RenderThread entering render-loop",
                           "Window deleted, DirectX"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
}

}  // namespace
