#pragma once
// A render device that draws nothing and creates no textures. Tests derive from it to record
// the calls they look at.
#include <vector>

#include "render/IRenderDeviceX.h"

class NullRenderDeviceX : public IRenderDeviceX {
 public:
  void InitRender() override {}
  void SignalRenderThreadStart() override {}
  void Resize(uint32_t, uint32_t) override {}
  void Render(float) override {}
  void SetSkyBoxTextures(const std::vector<TextureX*>&) override {}
  DeviceTextureX* TextureCreate(TextureX*, uint32_t, uint32_t, const uint32_t*) override {
    return nullptr;
  }
  DeviceTextureX* TextureCreate(TextureX*, uint32_t, uint32_t, const uint8_t*, uint32_t) override {
    return nullptr;
  }
  DeviceTextureX* TextureCubeCreate(TextureX*, uint32_t, uint32_t, const uint32_t*) override {
    return nullptr;
  }
  DeviceTextureX* TextureCubeCreate(TextureX*, uint32_t, uint32_t, const uint8_t*,
                                    uint32_t) override {
    return nullptr;
  }
  bool ReleaseResource(DeviceTextureX*) override { return true; }
  void AddObjectMoveable(IRenderSnapshotX*) override {}
  void AddObject3D(Object3DX*) override {}
  bool RemoveObjectMoveable(IRenderSnapshotX*) override { return true; }
  bool RemoveObject3D(Object3DX*) override { return true; }
  void AddCollisionDebug(const DebugLinesX&) override {}
  void SetFieldOfView(float) override {}
  void CycleFillMode() override {}
  void ToggleBackfaceCulling() override {}
};
