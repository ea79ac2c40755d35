#include "render/EngineRenderHostX.h"

#include "engine/KorvelX.h"
#include "render/SyncEngineRenderX.h"

bool EngineRenderHostX::IsQuitting() const {
  const KorvelX* korvelX = GetKorvelX();
  return !korvelX || korvelX->IsQuitting();
}

void EngineRenderHostX::Quit() {
  if (KorvelX* korvelX = GetKorvelX()) korvelX->Quit();
}

float EngineRenderHostX::GetFrameTime() const {
  const KorvelX* korvelX = GetKorvelX();
  return korvelX ? korvelX->dt.load(std::memory_order_relaxed) : 0.0f;
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
