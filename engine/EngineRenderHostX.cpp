#include "engine/EngineRenderHostX.h"

#include "engine/KorvelX.h"
#include "render/SyncEngineRenderX.h"

bool EngineRenderHostX::IsQuitting() const { return mEngine.IsQuitting(); }

void EngineRenderHostX::Quit() { mEngine.Quit(); }

float EngineRenderHostX::GetFrameTime() const {
  return mEngine.dt.load(std::memory_order_relaxed);
}

bool EngineRenderHostX::IsRunning() const { return SyncEngineRenderX::IsRunning(); }

int32_t EngineRenderHostX::GetRenderBufferIndex() const {
  return SyncEngineRenderX::GetRenderBufferIndex();
}

void EngineRenderHostX::WaitForInit() { SyncEngineRenderX::WaitForInit(); }

void EngineRenderHostX::RenderThreadDoneWithFrame() {
  SyncEngineRenderX::RenderThreadDoneWithFrame();
}

void EngineRenderHostX::EngineThreadDoneWithFrame() {
  SyncEngineRenderX::EngineThreadDoneWithFrame();
}

void EngineRenderHostX::ReleaseGates() { SyncEngineRenderX::ReleaseGates(); }
