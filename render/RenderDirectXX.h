#pragma once
// The render device and its render thread. It keeps the Direct3D-era name of the engine, but
// underneath it is OpenGL 3.3 core through libepoxy, with the context on an SDL2 window.
//
// The window is made on the main thread, which pumps its events; the GL context is made by the
// render thread, which keeps it and makes every GL call. Requests from other threads are queued
// under the device lock and applied at the render thread's next frame start.
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <vector>

#include "render/DeviceTextureX.h"
#include "render/IRenderDeviceX.h"
#include "render/IRenderableObjectX.h"

class AssetManagerBaseX;
class IRenderHostX;

// One frame read back from the back buffer before it is shown: RGBA bytes, top row first.
struct FrameCaptureX {
  uint32_t mWidth = 0, mHeight = 0;
  std::vector<uint8_t> mPixels;
  // The pixel at (x, y), y counted from the top, as 0xAABBGGRR.
  uint32_t At(uint32_t x, uint32_t y) const;
};

class RenderDirectXX : public IRenderDeviceX {
 public:
  enum FillModeX : uint8_t { FILLMODE_SOLID = 0, FILLMODE_WIREFRAME = 1, FILLMODE_POINT = 2 };

  // Makes the renderable for an object whose addition is applied (one of the two pointers is
  // set); null when it has nothing to draw. Called on the render thread.
  using RenderableFactoryX =
      std::function<IRenderableObjectX*(Object3DX* object, IRenderSnapshotX* moveable)>;
  // Makes the sky box from its six textures. Called on the render thread under the device lock.
  using SkyBoxFactoryX = std::function<IRenderableObjectX*(const std::vector<TextureX*>& textures)>;
  // Makes the 2D overlay (console, counters, crosshair) for InitRender.
  using OverlayFactoryX = std::function<IRenderDevice2DX*(RenderDirectXX* device)>;

  // Opens the window at the desktop size, makes the GL context and starts the render thread,
  // which waits for the host's init signal before its first frame. When GL cannot be started
  // the host is told to quit and no thread runs; so does a close request of the window. The
  // factories must be set before the engine's init is done; until then the thread does not
  // draw. Shaders, fonts and images come from `assets` (may be null: nothing is then drawn
  // with them).
  RenderDirectXX(IRenderHostX* host, AssetManagerBaseX* assets);
  // Releases a render thread waiting for a frame, joins it, then frees what is left.
  ~RenderDirectXX() override;

  void InitRender() override;
  void SignalRenderThreadStart() override;
  void Resize(uint32_t width, uint32_t height) override;
  void Render(float dt) override;
  void SetSkyBoxTextures(const std::vector<TextureX*>& textures) override;
  DeviceTextureX* TextureCreate(TextureX* texture, uint32_t width, uint32_t height,
                                const uint32_t* pixels) override;
  DeviceTextureX* TextureCreate(TextureX* texture, uint32_t width, uint32_t height,
                                const uint8_t* dxt1Blocks, uint32_t size) override;
  DeviceTextureX* TextureCubeCreate(TextureX* texture, uint32_t width, uint32_t height,
                                    const uint32_t* pixels) override;
  DeviceTextureX* TextureCubeCreate(TextureX* texture, uint32_t width, uint32_t height,
                                    const uint8_t* dxt1Blocks, uint32_t size) override;
  bool ReleaseResource(DeviceTextureX* resource) override;
  void AddObjectMoveable(IRenderSnapshotX* moveable) override;
  void AddObject3D(Object3DX* object) override;
  bool RemoveObjectMoveable(IRenderSnapshotX* moveable) override;
  bool RemoveObject3D(Object3DX* object) override;
  void AddCollisionDebug(const DebugLinesX& lines) override;
  void SetFieldOfView(float fieldOfView) override;
  void CycleFillMode() override;
  void ToggleBackfaceCulling() override;
  void DebugDrawBSPTreeToggle() override;
  void DebugDrawEdgesToggle() override;
  void DebugDrawShadowVolumesToggle() override;
  void ToggleFullClearBackBuffer() override;
  void DebugDrawNormalToggle() override;
  // An object removed from the device may still be drawn by the frame in progress: its
  // destruction waits until the render thread has applied every request posted so far.
  void RetireAfterRender(std::function<void()> destroy) override;
  void CollectRetired() override;
  size_t GetRetiredCount() const;

  void SetRenderableFactory(RenderableFactoryX factory);
  // Makes the edge debug renderable of an object whose renderable was just made (null: none);
  // it is kept with the object's renderable and removed with it. Called on the render thread.
  void SetEdgeDebugFactory(RenderableFactoryX factory);
  void SetSkyBoxFactory(SkyBoxFactoryX factory);
  // Used by InitRender when there is no overlay yet; the overlay is deleted with the device.
  void Set2DRenderFactory(OverlayFactoryX factory);
  // The BSP and edge debug renderables are the render thread's: handed over here, drawn while
  // their switch is on, deleted with the device.
  void AddBSPDebugRenderable(IRenderableObjectX* renderable);
  void AddEdgeDebugRenderable(IRenderableObjectX* renderable);
  // Reads back the next frame drawn after this call.
  std::future<FrameCaptureX> CaptureNextFrame();

  AssetManagerBaseX* GetAssets() const { return mAssets; }
  bool IsStarted() const { return mStarted; }
  bool IsRenderThread() const;
  uint32_t GetWidth() const { return mWidth.load(std::memory_order_relaxed); }
  uint32_t GetHeight() const { return mHeight.load(std::memory_order_relaxed); }
  float GetFieldOfView() const { return mFieldOfView.load(std::memory_order_relaxed); }
  uint8_t GetFillMode() const { return mFillMode.load(std::memory_order_relaxed); }
  bool IsCullingBackFaces() const { return mCullBackFaces.load(std::memory_order_relaxed); }
  // Of the current frame; render thread only.
  const Matrix4X& GetProjection() const { return mProjection; }
  const Matrix4X& GetViewProjection() const { return mViewProjection; }
  bool HasS3TC() const { return mTextureUploader.HasS3TC(); }
  // Test hook: unpack DXT1 on upload even where the driver has S3TC. Before the first frame.
  void ForceDXT1Unpacking() { mTextureUploader.ForceNoS3TC(); }
  size_t GetRenderableCount() const { return mRenderableCount.load(std::memory_order_relaxed); }
  // Edge debug drawings the render thread holds for its objects (any thread may ask).
  size_t GetEdgeDebugCount() const { return mEdgeDebugCount.load(std::memory_order_relaxed); }
  bool HasSkyBox() const { return mHasSkyBox.load(std::memory_order_relaxed); }

  // Buffers cleared at a frame start: colour too unless the solid sky box covers it all, which
  // it does only when filling solid, with the normal clear, once loading is over.
  static uint32_t GetClearFlags(uint8_t fillMode, bool fullClear, bool running);

  // The desktop size this device was made for.
  static int32_t GetScreenWidth() { return sScreenWidth; }
  static int32_t GetScreenHeight() { return sScreenHeight; }

 private:
  static void RenderThread(RenderDirectXX* renderDirectX, std::promise<bool>* ready);
  bool InitDirectX();
  bool CheckCapabilities();
  void StartOnRenderThread();
  void StopOnRenderThread();
  void ApplyRenderStates();
  void UpdateToggles();
  void ApplyTextureRequests();
  void RemovePending();
  void AddPending();
  void DestroyRenderable(uintptr_t key);
  void AddRenderEdgeDebug(uintptr_t key, Object3DX* object, IRenderSnapshotX* moveable);
  void RemoveRenderEdgeDebug(uintptr_t key);
  void DeliverCapture();
  DeviceTextureX* QueueTexture(TextureKindX kind, TextureFormatX format, uint32_t width,
                               uint32_t height, const uint8_t* data, uint64_t size,
                               const char* function);

  void Start();

  IRenderHostX* mHost = nullptr;
  AssetManagerBaseX* mAssets = nullptr;
  bool mStarted = false;
  std::atomic<std::thread::id> mRenderThreadId{};
  Matrix4X mProjection;
  Matrix4X mViewProjection;
  uint8_t mFrameFillMode = FILLMODE_SOLID;  // the fill mode of the frame being drawn
  uint32_t mVertexArray = 0;
  TextureUploaderX mTextureUploader;
  bool mRenderStatesDirty = true;

  // Render thread only.
  std::map<uintptr_t, IRenderableObjectX*> mRenderableObject3DXs;
  std::vector<IRenderableObjectX*> mRenderableBSPDebugs;
  std::vector<IRenderableObjectX*> mRenderableEdgeListDebugs;
  // The edge debug renderable of each renderable object, under the object's key.
  std::map<uintptr_t, IRenderableObjectX*> mEdgeDebugOfObject;
  std::unique_ptr<IRenderableObjectX> mSkyBox;
  std::atomic<size_t> mRenderableCount{0};
  std::atomic<size_t> mEdgeDebugCount{0};
  std::atomic<bool> mHasSkyBox{false};
  std::vector<std::promise<FrameCaptureX>> mFrameCaptures;

  // Under the device lock.
  std::vector<Object3DX*> mPendingAddObjectX;
  std::vector<IRenderSnapshotX*> mPendingAddMoveableObjectX;
  std::vector<Object3DX*> mPendingRemoveObjectX;
  std::vector<IRenderSnapshotX*> mPendingRemoveMoveableObjectX;
  std::vector<TextureX*> mSkyTextures;
  std::vector<TextureUploadX> mPendingTextureUploads;
  std::vector<DeviceTextureX*> mPendingTextureReleases;
  std::vector<IRenderableObjectX*> mPendingBSPDebugs;
  std::vector<IRenderableObjectX*> mPendingEdgeDebugs;
  std::vector<std::promise<FrameCaptureX>> mPendingCaptures;
  struct RetiredX {
    uint64_t mRequestSerial;
    std::function<void()> mDestroy;
  };
  std::vector<RetiredX> mRetired;
  // Requests posted (each add, remove or texture request counts) and applied at a frame start.
  uint64_t mPostedRequests = 0;
  std::atomic<uint64_t> mAppliedRequests{0};
  std::atomic<bool> mRenderLoopEnded{false};
  RenderableFactoryX mRenderableFactory;
  RenderableFactoryX mEdgeDebugFactory;
  SkyBoxFactoryX mSkyBoxFactory;
  OverlayFactoryX m2DRenderFactory;

  std::atomic<uint32_t> mWidth{0}, mHeight{0};
  std::atomic<float> mFieldOfView{0.7853982f};
  std::atomic<uint8_t> mFillMode{FILLMODE_SOLID};
  std::atomic<bool> mCullBackFaces{true};
  int32_t mDeviceResult = 0;

  static int32_t sScreenWidth, sScreenHeight;
};
