#pragma once
// The screen overlay the render device draws over every frame: console text, counters, crosshair.
// The device calls Update first thing in a frame, DrawInScene inside the scene and Draw last.
#include <atomic>
#include <cstdint>

#include "engine/ErrorHandlerX.h"

class IRenderDevice2DX : public ILogListenerX {
 public:
  virtual ~IRenderDevice2DX() = default;
  virtual void Update(float dt) = 0;
  virtual void DrawInScene() {}
  virtual void Draw() = 0;
  // Render thread, when it stops: frees the GL objects. The overlay itself lives on until the
  // device is deleted, as lines may still be added to it.
  virtual void ReleaseDeviceObjects() {}
  // Any thread may add console lines (the log hands it every info line while it listens).
  void AddText(const char* text) override = 0;

  std::atomic<int32_t> mHitCounter{-1};   // shown when >= 0
  std::atomic<int32_t> mKillCounter{-1};  // shown when >= 0
};
