// Program entry: the engine's start-up, the game's set-up, the main loop and the ordered stop.
#include "engine/HighTimerX.h"
#include "engine/KorvelX.h"
#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"

int main() {
  HighTimerX frameTimer;
  frameTimer.Reset();
  {
    KorvelX korvelX;
    korvelX.Init();
    // The game's set-up runs here (sky box, map, sounds, bots); it reaches the engine through
    // GetKorvelX().
    korvelX.SignalInitialized();
    LogMessage(StringX("Time elapsed since KorvelX object has been created: ") +
               frameTimer.GetElapsedTimef(true) + " sec");
    while (!korvelX.IsQuitting()) {
      korvelX.dt = frameTimer.GetElapsedTimef(true);
      korvelX.Update();
    }
  }
  return 0;
}
