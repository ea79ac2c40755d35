// Program entry: the engine's start-up, the game's set-up, the main loop and the ordered stop.
#include "engine/HighTimerX.h"
#include "engine/KorvelX.h"
#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"
#include "game/TheGameX.h"

int main() {
  HighTimerX frameTimer;
  frameTimer.Reset();
  int status = 0;
  {
    KorvelX korvelX;
    korvelX.Init();
    // Without a window to draw in the program stops at once, and says so in its exit status.
    if (korvelX.RenderDeviceFailed()) status = 1;
    // The game's set-up (sky box, map, sounds, bots) on the engine's parts.
    if (!korvelX.IsQuitting()) {
      GameSetUpX parts;
      parts.mEnvironment = korvelX.GetEnviromentHandler();
      parts.mCamera = korvelX.GetCamera();
      parts.mWeaponSettings = korvelX.GetWeaponSettings();
      TheGameX::SetUp(parts);
    }
    korvelX.SignalInitialized();
    LogMessage(StringX("Time elapsed since KorvelX object has been created: ") +
               frameTimer.GetElapsedTimef(true) + " sec");
    while (!korvelX.IsQuitting()) {
      korvelX.dt = frameTimer.GetElapsedTimef(true);
      korvelX.Update();
    }
  }
  return status;
}
