#pragma once
// The engine's rendering interface. Game code never touches the renderer's data: it posts
// requests (objects to add or remove, textures, the sky) which the render thread applies at the
// start of its next frame. The switches below are written by the main thread and read by the
// render thread at its next frame.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class CameraX;
class CollisionDataStructureBaseX;
class DeviceTextureX;
class IRenderDevice2DX;
class Object3DX;
class ObjectMoveableX;
class TextureX;
class WindowX;

class IRenderDeviceX {
 public:
  IRenderDeviceX() = default;
  // Deletes the window and the 2D overlay.
  virtual ~IRenderDeviceX();
  IRenderDeviceX(const IRenderDeviceX&) = delete;
  IRenderDeviceX& operator=(const IRenderDeviceX&) = delete;

  virtual void InitRender() = 0;
  virtual void SignalRenderThreadStart() = 0;
  virtual void Resize(uint32_t width, uint32_t height) = 0;
  virtual void Render(float dt) = 0;
  virtual void SetSkyBoxTextures(const std::vector<TextureX*>& textures) = 0;
  // Texture requests, from any thread. The returned device texture belongs to the caller until it
  // is given back with ReleaseResource; it gets its GL name at the render thread's next frame
  // start. Null when the request is refused. A8R8G8B8 pixels are width x height words; DXT1 data
  // is `size` bytes of 4x4 blocks; a cube texture holds its six square faces one after another.
  virtual DeviceTextureX* TextureCreate(TextureX* texture, uint32_t width, uint32_t height,
                                        const uint32_t* pixels) = 0;
  virtual DeviceTextureX* TextureCreate(TextureX* texture, uint32_t width, uint32_t height,
                                        const uint8_t* dxt1Blocks, uint32_t size) = 0;
  virtual DeviceTextureX* TextureCubeCreate(TextureX* texture, uint32_t width, uint32_t height,
                                            const uint32_t* pixels) = 0;
  virtual DeviceTextureX* TextureCubeCreate(TextureX* texture, uint32_t width, uint32_t height,
                                            const uint8_t* dxt1Blocks, uint32_t size) = 0;
  // The texture is destroyed once the render thread no longer uses it.
  virtual bool ReleaseResource(DeviceTextureX* resource) = 0;
  virtual void AddObjectMoveable(ObjectMoveableX* moveable) = 0;
  virtual void AddObject3D(Object3DX* object) = 0;
  virtual bool RemoveObjectMoveable(ObjectMoveableX* moveable) = 0;
  virtual bool RemoveObject3D(Object3DX* object) = 0;
  virtual void AddCollisionDebug(CollisionDataStructureBaseX* collisionStructure) = 0;
  virtual void SetFieldOfView(float fieldOfView) = 0;
  virtual void CycleFillMode() = 0;
  virtual void ToggleBackfaceCulling() = 0;
  virtual void DebugDrawBSPTreeToggle();
  virtual void DebugDrawEdgesToggle();
  virtual void DebugDrawShadowVolumesToggle();
  virtual void ToggleFullClearBackBuffer();
  virtual void DebugDrawNormalToggle();

  // Sets both camera references.
  void SetCamera(CameraX* camera);
  CameraX* GetCamera() const { return mCamera.load(std::memory_order_acquire); }
  WindowX* GetWindow() const { return mWindow; }
  IRenderDevice2DX* Get2DRender() const { return m2DRender; }

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

  WindowX* mWindow = nullptr;
  // Three switches whose meaning is not settled; nothing reads them.
  bool mInterfaceFlagA = false, mInterfaceFlagB = true, mInterfaceFlagC = true;
  IRenderDevice2DX* m2DRender = nullptr;
  std::atomic<CameraX*> mCamera{nullptr};
  std::atomic<float> mBrightness{1.0f};
  // Guards the request lists, texture requests and the frame-start state set-up. Recursive: a
  // request may come from the render thread while it applies the lists.
  mutable std::recursive_mutex mDeviceLock;
  std::mutex mStartLock;
  std::thread mRenderThread;
  std::atomic<CameraX*> mCamera2{nullptr};
  std::atomic<bool> mDrawScene{true};
  std::atomic<bool> mDrawBSPTreeDebug{false};
  std::atomic<bool> mDrawEdgeDebug{false};
  std::atomic<bool> mDrawShadowVolumeDebug{false};
  std::atomic<bool> mFullClear{false};
};
