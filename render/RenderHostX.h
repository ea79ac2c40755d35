#pragma once
// What the render device needs from the engine around it: the quit flag and frame time, and the
// engine/render frame hand-off. The engine supplies one; tests supply their own.
#include <cstdint>

class IRenderHostX {
 public:
  virtual ~IRenderHostX() = default;
  virtual bool IsQuitting() const = 0;
  virtual void Quit() = 0;                 // the device could not start
  virtual float GetFrameTime() const = 0;  // the engine's dt, the render time step
  virtual bool IsRunning() const = 0;      // loading is over: frames are paced by the engine
  virtual int32_t GetRenderBufferIndex() const = 0;
  virtual void WaitForInit() = 0;
  virtual void RenderThreadDoneWithFrame() = 0;
  virtual void EngineThreadDoneWithFrame() = 0;
  virtual void ReleaseGates() = 0;
};
