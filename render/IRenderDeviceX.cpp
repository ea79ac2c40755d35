#include "render/IRenderDeviceX.h"

#include "engine/ReportHooksX.h"
#include "engine/WindowX.h"
#include "render/IRenderDevice2DX.h"

IRenderDeviceX::IRenderDeviceX() = default;

IRenderDeviceX::~IRenderDeviceX() {
  mWindow.reset();
  m2DRender.reset();
  mCamera = nullptr;
}

void IRenderDeviceX::Toggle(std::atomic<bool>& flag, const char* onText, const char* offText) {
  const bool now = !flag.load(std::memory_order_relaxed);
  flag.store(now, std::memory_order_relaxed);
  LogMessage(now ? onText : offText);
}

void IRenderDeviceX::DebugDrawBSPTreeToggle() {
  KX_ASSERT_MSG(false, "IRenderDeviceX::DebugDrawBSPTreeToggle", "Not implemented!");
}
void IRenderDeviceX::DebugDrawEdgesToggle() {
  KX_ASSERT_MSG(false, "IRenderDeviceX::DebugDrawEdgesToggle", "Not implemented!");
}
void IRenderDeviceX::DebugDrawShadowVolumesToggle() {
  KX_ASSERT_MSG(false, "IRenderDeviceX::DebugDrawShadowVolumesToggle", "Not implemented!");
}
void IRenderDeviceX::ToggleFullClearBackBuffer() {
  KX_ASSERT_MSG(false, "IRenderDeviceX::ToggleFullClearBackBuffer", "Not implemented!");
}
void IRenderDeviceX::DebugDrawNormalToggle() {
  KX_ASSERT_MSG(false, "IRenderDeviceX::DebugDrawNormalToggle", "Not implemented!");
}
