#pragma once
// The render device's host in the running program: the engine's quit flag and frame time, and
// the engine/render frame hand-off of SyncEngineRenderX.
#include "render/RenderHostX.h"

class KorvelX;

class EngineRenderHostX : public IRenderHostX {
 public:
  explicit EngineRenderHostX(KorvelX& engine) : mEngine(engine) {}

  bool IsQuitting() const override;
  void Quit() override;
  float GetFrameTime() const override;
  bool IsRunning() const override;
  int32_t GetRenderBufferIndex() const override;
  void WaitForInit() override;
  void RenderThreadDoneWithFrame() override;
  void EngineThreadDoneWithFrame() override;
  void ReleaseGates() override;

 private:
  KorvelX& mEngine;
};
