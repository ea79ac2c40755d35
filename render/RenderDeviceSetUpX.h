#pragma once
// What a GL render device draws with: a renderable for every object added (its meshes' buffers
// shared through the renderable registry), the edge lines of each object, the sky box around
// the device's camera and the 2D overlay (console, counters, crosshair). The engine, the tests
// and the benchmarks set a device up with this one call, before the engine's init is done.
class RenderDirectXX;
class RenderableManagerX;

void SetUpRenderDevice(RenderDirectXX& device, RenderableManagerX& registry);
