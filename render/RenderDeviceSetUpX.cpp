#include "render/RenderDeviceSetUpX.h"

#include "render/DebugRenderablesX.h"
#include "render/RenderDirectX2DX.h"
#include "render/RenderDirectXX.h"
#include "render/RenderableMeshDX.h"
#include "render/SkyboxX.h"

void SetUpRenderDevice(RenderDirectXX& device, RenderableManagerX& registry) {
  device.SetRenderableFactory(RenderableObjectXDX::MakeFactory(&device, &registry));
  device.SetEdgeDebugFactory(RenderableEdgeDebugDX::MakeFactory(&device));
  device.SetSkyBoxFactory(RenderableSkyBox::MakeFactory(&device));
  device.Set2DRenderFactory(
      [](RenderDirectXX* owner) -> IRenderDevice2DX* { return new RenderDirectX2DX(owner); });
}
