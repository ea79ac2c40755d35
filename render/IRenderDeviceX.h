#pragma once
// The engine's rendering interface. Game code never touches the renderer's data: it posts
// requests (objects to add or remove, textures, the sky) which the render thread applies at the
// start of its next frame. The switches below are written by the main thread and read by the
// render thread at its next frame.
//
// The device knows nothing of the game: moving objects and the camera are snapshots it reads
// (IRenderSnapshotX), placed objects are meshes with a name, debug lines are plain segments.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "assets/ITextureDeviceX.h"

class IRenderDevice2DX;
class IRenderSnapshotX;
class Object3DX;
class WindowX;
struct DebugLinesX;

class IRenderDeviceX : public ITextureDeviceX {
 public:
  IRenderDeviceX();
  // Deletes the window and the 2D overlay.
  virtual ~IRenderDeviceX();
  IRenderDeviceX(const IRenderDeviceX&) = delete;
  IRenderDeviceX& operator=(const IRenderDeviceX&) = delete;

  virtual void InitRender() = 0;
  virtual void SignalRenderThreadStart() = 0;
  virtual void Resize(uint32_t width, uint32_t height) = 0;
  virtual void Render(float dt) = 0;
  virtual void SetSkyBoxTextures(const std::vector<TextureX*>& textures) = 0;
  // A moving object, drawn with the matrix and frames of its snapshot.
  virtual void AddObjectMoveable(IRenderSnapshotX* moveable) = 0;
  // A placed object, drawn where its vertices are.
  virtual void AddObject3D(Object3DX* object) = 0;
  virtual bool RemoveObjectMoveable(IRenderSnapshotX* moveable) = 0;
  virtual bool RemoveObject3D(Object3DX* object) = 0;
  // The lines of a collision structure, shown while the BSP debug switch is on.
  virtual void AddCollisionDebug(const DebugLinesX& lines) = 0;
  virtual void SetFieldOfView(float fieldOfView) = 0;
  virtual void CycleFillMode() = 0;
  virtual void ToggleBackfaceCulling() = 0;
  virtual void DebugDrawBSPTreeToggle();
  virtual void DebugDrawEdgesToggle();
  virtual void DebugDrawShadowVolumesToggle();
  virtual void ToggleFullClearBackBuffer();
  virtual void DebugDrawNormalToggle();

  // Engine thread: an object removed from the device may still be drawn by the frame in
  // progress. RetireAfterRender keeps its destruction until the render thread has let go of it;
  // CollectRetired, called by the engine once per frame, runs the destructions that are due, on
  // the calling thread. A device that draws on no other thread destroys at once.
  virtual void RetireAfterRender(std::function<void()> destroy) { destroy(); }
  virtual void CollectRetired() {}

  // The camera the scene is seen from: its view matrix and position of the render slot.
  void SetCamera(const IRenderSnapshotX* camera) {
    mCamera.store(camera, std::memory_order_release);
  }
  const IRenderSnapshotX* GetCamera() const { return mCamera.load(std::memory_order_acquire); }
  WindowX* GetWindow() const { return mWindow.get(); }
  IRenderDevice2DX* Get2DRender() const { return m2DRender.get(); }

  // Passed to the shaders as "sBrightness"; the game keeps it between 0 and 10.
  float GetBrightness() const { return mBrightness.load(std::memory_order_relaxed); }
  void SetBrightness(float brightness) { mBrightness.store(brightness, std::memory_order_relaxed); }

  bool IsDrawingScene() const { return mDrawScene.load(std::memory_order_relaxed); }
  bool IsDrawingBSPTreeDebug() const { return mDrawBSPTreeDebug.load(std::memory_order_relaxed); }
  bool IsDrawingEdgeDebug() const { return mDrawEdgeDebug.load(std::memory_order_relaxed); }
  bool IsDrawingShadowVolumeDebug() const {
    return mDrawShadowVolumeDebug.load(std::memory_order_relaxed);
  }
  bool IsFullClear() const { return mFullClear.load(std::memory_order_relaxed); }

 protected:
  // Flips a switch; logs the first text when it is now on, the second when off.
  static void Toggle(std::atomic<bool>& flag, const char* onText, const char* offText);

  std::unique_ptr<WindowX> mWindow;
  std::unique_ptr<IRenderDevice2DX> m2DRender;
  std::atomic<const IRenderSnapshotX*> mCamera{nullptr};
  std::atomic<float> mBrightness{1.0f};
  // Guards the request lists, texture requests and the frame-start state set-up. Recursive: a
  // request may come from the render thread while it applies the lists.
  mutable std::recursive_mutex mDeviceLock;
  std::mutex mStartLock;
  std::thread mRenderThread;
  std::atomic<bool> mDrawScene{true};
  std::atomic<bool> mDrawBSPTreeDebug{false};
  std::atomic<bool> mDrawEdgeDebug{false};
  std::atomic<bool> mDrawShadowVolumeDebug{false};
  std::atomic<bool> mFullClear{false};
};
