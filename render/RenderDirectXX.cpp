#include "render/RenderDirectXX.h"

#include <epoxy/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <string>

#include "assets/TextureX.h"
#include "engine/ReportHooksX.h"
#include "engine/WindowX.h"
#include "geometry/DebugLinesX.h"
#include "render/DebugRenderablesX.h"
#include "render/IRenderDevice2DX.h"
#include "render/IRenderSnapshotX.h"
#include "render/RenderHostX.h"

int32_t RenderDirectXX::sScreenWidth = 0;
int32_t RenderDirectXX::sScreenHeight = 0;

namespace {
constexpr float kNearPlane = 10.0f;
constexpr float kFarPlane = 4000.0f;
constexpr double kLoadingFrameSeconds = 1.0 / 120.0;

void LogLine(const std::string& text) { LogMessage(text.c_str()); }
}  // namespace

uint32_t FrameCaptureX::At(uint32_t x, uint32_t y) const {
  const uint8_t* p = &mPixels[(static_cast<size_t>(y) * mWidth + x) * 4];
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

RenderDirectXX::RenderDirectXX(IRenderHostX* host, AssetManagerBaseX* assets)
    : mHost(host), mAssets(assets) {
  Start();
}

void RenderDirectXX::Start() {
  // The desktop size is the screen size of the whole engine.
  mWindow = std::make_unique<WindowX>();
  int32_t width = 0, height = 0;
  if (mWindow->GetDesktopSize(width, height)) {
    sScreenWidth = width;
    sScreenHeight = height;
  }
  if (mHost) mWindow->SetQuitRequest([host = mHost] { host->Quit(); });
  mWindow->CreateWindowX([this](uint32_t w, uint32_t h) { Resize(w, h); }, sScreenWidth,
                         sScreenHeight);

  // The render thread makes the GL context and keeps it: every GL call happens there. It
  // reports whether GL could be started before it goes on.
  std::promise<bool> ready;
  std::future<bool> started = ready.get_future();
  {
    std::lock_guard<std::mutex> start(mStartLock);
    if (mRenderThread.joinable()) {
      KX_ASSERT_MSG(false, "RenderDirectXX::RenderDirectXX",
                    "mRenderThread.Create(&RenderThread, reinterpret_cast<void*>(this))");
      return;
    }
    mRenderThread = std::thread(&RenderDirectXX::RenderThread, this, &ready);
  }
  if (!started.get()) {
    mRenderThread.join();
    if (mHost) mHost->Quit();
    return;
  }
  mStarted = true;
}

RenderDirectXX::~RenderDirectXX() {
  if (mRenderThread.joinable()) {
    // A render thread waiting for the engine's next frame is let go (the quit flag is set).
    if (mHost) mHost->ReleaseGates();
    mRenderThread.join();
  }
  // The render thread reads nothing any more: every retired object may go.
  CollectRetired();
  // Whatever the render thread did not take any more: the context is gone with the thread, so
  // only the CPU side is left to free.
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  for (TextureUploadX& upload : mPendingTextureUploads) delete upload.mTexture;
  for (DeviceTextureX* texture : mPendingTextureReleases) delete texture;
  for (IRenderableObjectX* debug : mPendingBSPDebugs) delete debug;
  for (IRenderableObjectX* debug : mPendingEdgeDebugs) delete debug;
  mPendingTextureUploads.clear();
  mPendingTextureReleases.clear();
  mPendingAddObjectX.clear();
  mPendingAddMoveableObjectX.clear();
  mPendingRemoveObjectX.clear();
  mPendingRemoveMoveableObjectX.clear();
  mSkyTextures.clear();
}

bool RenderDirectXX::InitDirectX() {
  KX_ASSERT_MSG(mWindow && mWindow->IsOpen(), "RenderDirectXX::InitDirectX", "mWindow");
  LogMessage("Creating DirectX DX9 device");
  const bool context = mWindow && mWindow->CreateGLContext();
  KX_ASSERT_MSG(context, "RenderDirectXX::InitDirectX", "SUCCEEDED(hresult) && mD3ddev");
  if (!context) return false;
  if (!CheckCapabilities()) {
    mWindow->DestroyGLContext();
    return false;
  }
  int32_t width = 0, height = 0;
  mWindow->GetDrawableSize(width, height);
  Resize(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  LogMessage("DirectX DX9 device created");
  return true;
}

bool RenderDirectXX::CheckCapabilities() {
  if (epoxy_gl_version() < 33) {
    LogMessage("GRAPHICS CARD DOES NOT SUPPORT SHADER V.2.0.  .... !!! SHADERS DISABLED !!!");
    return false;
  }
  int32_t depth = 0, stencil = 0;
  mWindow->GetDepthStencilBits(depth, stencil);
  const bool depthStencil = depth >= 24 && stencil >= 8;
  KX_ASSERT_MSG(depthStencil, "RenderDirectXX::CheckCapabilities",
                "CheckDeviceFormat(D3DUSAGE_DEPTHSTENCIL, D3DFMT_D24S8)");
  return depthStencil;
}

bool RenderDirectXX::IsRenderThread() const {
  return std::this_thread::get_id() == mRenderThreadId.load(std::memory_order_acquire);
}

void RenderDirectXX::RenderThread(RenderDirectXX* renderDirectX, std::promise<bool>* ready) {
  KX_ASSERT(renderDirectX, "RenderDirectXX::RenderThread");
  if (!renderDirectX) {
    ready->set_value(false);
    return;
  }
  renderDirectX->mRenderThreadId.store(std::this_thread::get_id(), std::memory_order_release);
  const bool started = renderDirectX->InitDirectX();
  ready->set_value(started);  // the constructor goes on; `ready` is gone from here on
  if (!started) return;
  LogLine("RenderThread started - ID: " + std::to_string(gettid()));
  renderDirectX->StartOnRenderThread();
  IRenderHostX* host = renderDirectX->mHost;
  host->WaitForInit();
  LogMessage("RenderThread entering render-loop");
  while (!host->IsQuitting()) renderDirectX->Render(host->GetFrameTime());
  renderDirectX->StopOnRenderThread();
  host->ReleaseGates();
}

void RenderDirectXX::StartOnRenderThread() {
  mWindow->SetSwapInterval(1);
  mTextureUploader.DetectCapabilities();
  // GL core draws nothing without a vertex array object; renderables bind their own.
  glGenVertexArrays(1, &mVertexArray);
  glBindVertexArray(mVertexArray);
}

void RenderDirectXX::StopOnRenderThread() {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  ApplyTextureRequests();
  while (!mRenderableObject3DXs.empty()) DestroyRenderable(mRenderableObject3DXs.begin()->first);
  for (IRenderableObjectX* debug : mRenderableBSPDebugs) delete debug;
  for (IRenderableObjectX* debug : mRenderableEdgeListDebugs) delete debug;
  mRenderableBSPDebugs.clear();
  mRenderableEdgeListDebugs.clear();
  mEdgeDebugOfObject.clear();
  mEdgeDebugCount.store(0, std::memory_order_relaxed);
  mSkyBox.reset();
  mHasSkyBox = false;
  glDeleteVertexArrays(1, &mVertexArray);
  mVertexArray = 0;
  mFrameCaptures.clear();
  if (m2DRender) m2DRender->ReleaseDeviceObjects();
  mRenderLoopEnded.store(true, std::memory_order_release);
  mWindow->DestroyGLContext();
}

void RenderDirectXX::InitRender() {
  KX_ASSERT_MSG(mStarted, "RenderDirectXX::InitRender", "mD3ddev");
  // The GL states are set by the render thread at its next frame start.
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  if (!m2DRender && m2DRenderFactory) m2DRender.reset(m2DRenderFactory(this));
  mRenderStatesDirty = true;
}

void RenderDirectXX::ApplyRenderStates() {
  // No fixed-function lighting in GL core; the shaders light from the lightmaps.
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_TRUE);
  // Front faces wind clockwise on screen; counter-clockwise ones are culled.
  glFrontFace(GL_CW);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  // Alpha test (alpha >= 16/255) is the renderables' shaders' (discard); off by default.
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_BLEND);
  glDisable(GL_STENCIL_TEST);
  // Texture filtering (linear within and between levels) is set on every texture at upload; the
  // lightmap's modulate-by-four is done in the lightmap shader.
  mRenderStatesDirty = false;
}

void RenderDirectXX::SignalRenderThreadStart() {
  LogMessage("RenderThread start signaled");
  // The start lock is only held while the constructor starts the thread.
}

void RenderDirectXX::Resize(uint32_t width, uint32_t height) {
  mWidth.store(width, std::memory_order_relaxed);
  mHeight.store(height, std::memory_order_relaxed);
}

void RenderDirectXX::UpdateToggles() {
  // A minimised window reports no size: keep a square of one pixel rather than divide by zero.
  const uint32_t width = std::max<uint32_t>(GetWidth(), 1);
  const uint32_t height = std::max<uint32_t>(GetHeight(), 1);
  glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
  mProjection = Matrix4X::PerspectiveFovRH(GetFieldOfView(), static_cast<float>(width) / height,
                                           kNearPlane, kFarPlane);
  if (IsCullingBackFaces()) {
    glEnable(GL_CULL_FACE);
  } else {
    glDisable(GL_CULL_FACE);
  }
  mFrameFillMode = GetFillMode();
  switch (mFrameFillMode) {
    case FILLMODE_SOLID:
      glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
      break;
    case FILLMODE_WIREFRAME:
      glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
      glDisable(GL_CULL_FACE);
      break;
    case FILLMODE_POINT:
      glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
      glDisable(GL_CULL_FACE);
      break;
    default:
      KX_ASSERT_MSG(false, "RenderDirectXX::UpdateToggles", "Unhandled fillmode");
  }
}

void RenderDirectXX::Render(float dt) {
  const auto frameStart = std::chrono::steady_clock::now();
  IRenderDevice2DX* overlay = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
    if (mRenderStatesDirty) ApplyRenderStates();
    UpdateToggles();
    ApplyTextureRequests();
    RemovePending();
    AddPending();
    // Nothing posted so far is read by this thread after this point.
    mAppliedRequests.store(mPostedRequests, std::memory_order_release);
    if (!mSkyBox && mSkyTextures.size() == 6 && mSkyBoxFactory) {
      LogMessage("Creating skybox");
      mSkyBox.reset(mSkyBoxFactory(mSkyTextures));
      mHasSkyBox = mSkyBox != nullptr;
    }
    for (std::promise<FrameCaptureX>& capture : mPendingCaptures) {
      mFrameCaptures.push_back(std::move(capture));
    }
    mPendingCaptures.clear();
    overlay = m2DRender.get();
  }
  if (overlay) overlay->Update(dt);

  // The objects in a fixed order: by the address of their renderables.
  std::vector<IRenderableObjectX*> objects;
  objects.reserve(mRenderableObject3DXs.size());
  for (const auto& entry : mRenderableObject3DXs) objects.push_back(entry.second);
  if (objects.size() >= 2) std::sort(objects.begin(), objects.end());

  const int32_t renderIndex = mHost ? mHost->GetRenderBufferIndex() : 0;
  const IRenderSnapshotX* camera = GetCamera();
  const Matrix4X view = camera ? camera->GetRenderMatrix(renderIndex) : Matrix4X::Identity();
  mViewProjection = Matrix4X::Multiply(view, mProjection);

  // While the sky box covers the whole colour buffer only depth and stencil need clearing.
  const bool running = mHost && mHost->IsRunning();
  glDepthMask(GL_TRUE);
  glStencilMask(0xFF);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClearDepth(1.0);
  glClearStencil(0);
  glClear(GetClearFlags(mFrameFillMode, IsFullClear(), running));

  if (IsDrawingScene()) {
    if (mSkyBox) {
      mSkyBox->Prepare(mViewProjection, renderIndex);
      mSkyBox->Draw();
    }
    for (IRenderableObjectX* object : objects) {
      object->Prepare(mViewProjection, renderIndex);
      object->Draw();
    }
    if (overlay) overlay->DrawInScene();
  }

  glDisable(GL_STENCIL_TEST);
  if (IsDrawingBSPTreeDebug()) {
    for (IRenderableObjectX* debug : mRenderableBSPDebugs) {
      debug->Prepare(mViewProjection, renderIndex);
      debug->Draw();
    }
  }
  if (IsDrawingEdgeDebug()) {
    for (IRenderableObjectX* debug : mRenderableEdgeListDebugs) {
      debug->Prepare(mViewProjection, renderIndex);
      debug->Draw();
    }
  }
  if (IsDrawingShadowVolumeDebug()) {
    for (IRenderableObjectX* object : objects) object->Prepare(mViewProjection, renderIndex);
  }
  if (overlay) overlay->Draw();

  DeliverCapture();
  mWindow->SwapBuffers();
  if (mHost) mHost->RenderThreadDoneWithFrame();

  // Loading frames are not paced by the engine: hold them to 120 a second.
  if (!running) {
    const double frameSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - frameStart).count();
    const double sleepMs = (kLoadingFrameSeconds - frameSeconds) * 1000.0;
    if (sleepMs > 0.00001) {
      std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int64_t>(sleepMs)));
    }
  }
}

uint32_t RenderDirectXX::GetClearFlags(uint8_t fillMode, bool fullClear, bool running) {
  uint32_t flags = GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;
  if (fillMode != FILLMODE_SOLID || fullClear || !running) flags |= GL_COLOR_BUFFER_BIT;
  return flags;
}

void RenderDirectXX::DeliverCapture() {
  if (mFrameCaptures.empty()) return;
  FrameCaptureX capture;
  capture.mWidth = GetWidth();
  capture.mHeight = GetHeight();
  std::vector<uint8_t> bottomUp(static_cast<size_t>(capture.mWidth) * capture.mHeight * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, static_cast<GLsizei>(capture.mWidth), static_cast<GLsizei>(capture.mHeight),
               GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  const size_t rowBytes = static_cast<size_t>(capture.mWidth) * 4;
  capture.mPixels.resize(bottomUp.size());
  for (uint32_t y = 0; y < capture.mHeight; ++y) {
    std::copy_n(&bottomUp[(capture.mHeight - 1 - y) * rowBytes], rowBytes,
                &capture.mPixels[y * rowBytes]);
  }
  for (std::promise<FrameCaptureX>& promise : mFrameCaptures) promise.set_value(capture);
  mFrameCaptures.clear();
}

std::future<FrameCaptureX> RenderDirectXX::CaptureNextFrame() {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mPendingCaptures.emplace_back();
  return mPendingCaptures.back().get_future();
}

void RenderDirectXX::RetireAfterRender(std::function<void()> destroy) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mRetired.push_back({mPostedRequests, std::move(destroy)});
}

void RenderDirectXX::CollectRetired() {
  std::vector<RetiredX> due;
  {
    std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
    // Without a drawing render thread nothing is read any more.
    const bool noReader =
        !mRenderThread.joinable() || mRenderLoopEnded.load(std::memory_order_acquire);
    const uint64_t applied = mAppliedRequests.load(std::memory_order_acquire);
    auto keep = std::stable_partition(mRetired.begin(), mRetired.end(), [&](const RetiredX& r) {
      return !noReader && r.mRequestSerial > applied;
    });
    std::move(keep, mRetired.end(), std::back_inserter(due));
    mRetired.erase(keep, mRetired.end());
  }
  for (RetiredX& retired : due) retired.mDestroy();
}

size_t RenderDirectXX::GetRetiredCount() const {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  return mRetired.size();
}

void RenderDirectXX::ApplyTextureRequests() {
  for (const TextureUploadX& upload : mPendingTextureUploads) {
    if (!mTextureUploader.Upload(upload)) {
      LogMessage("RenderDevice, a texture stays without device pixels");
    }
  }
  mPendingTextureUploads.clear();
  for (DeviceTextureX* texture : mPendingTextureReleases) TextureUploaderX::Release(texture);
  mPendingTextureReleases.clear();
  for (IRenderableObjectX* debug : mPendingBSPDebugs) mRenderableBSPDebugs.push_back(debug);
  for (IRenderableObjectX* debug : mPendingEdgeDebugs) mRenderableEdgeListDebugs.push_back(debug);
  mPendingBSPDebugs.clear();
  mPendingEdgeDebugs.clear();
}

void RenderDirectXX::DestroyRenderable(uintptr_t key) {
  auto entry = mRenderableObject3DXs.find(key);
  if (entry == mRenderableObject3DXs.end()) return;
  RemoveRenderEdgeDebug(key);
  delete entry->second;
  mRenderableObject3DXs.erase(entry);
  mRenderableCount.store(mRenderableObject3DXs.size(), std::memory_order_relaxed);
}

void RenderDirectXX::AddRenderEdgeDebug(uintptr_t key, Object3DX* object,
                                        IRenderSnapshotX* moveable) {
  IRenderableObjectX* edges = mEdgeDebugFactory ? mEdgeDebugFactory(object, moveable) : nullptr;
  if (!edges) return;
  mRenderableEdgeListDebugs.push_back(edges);
  mEdgeDebugOfObject[key] = edges;
  mEdgeDebugCount.store(mEdgeDebugOfObject.size(), std::memory_order_relaxed);
}

void RenderDirectXX::RemoveRenderEdgeDebug(uintptr_t key) {
  auto entry = mEdgeDebugOfObject.find(key);
  if (entry == mEdgeDebugOfObject.end()) return;
  auto listed =
      std::find(mRenderableEdgeListDebugs.begin(), mRenderableEdgeListDebugs.end(), entry->second);
  KX_ASSERT_MSG(listed != mRenderableEdgeListDebugs.end(), "RenderDirectXX::RemoveRenderEdgeDebug",
                "mRenderableEdgeListDebugs.Remove(ite)");
  if (listed != mRenderableEdgeListDebugs.end()) mRenderableEdgeListDebugs.erase(listed);
  delete entry->second;
  mEdgeDebugOfObject.erase(entry);
  mEdgeDebugCount.store(mEdgeDebugOfObject.size(), std::memory_order_relaxed);
}

void RenderDirectXX::RemovePending() {
  // Objects never added are ignored. An add and a remove posted in the same frame cancel, for
  // plain objects as for moveables: the engine may free the object right after removing it.
  for (Object3DX* object : mPendingRemoveObjectX) {
    std::erase(mPendingAddObjectX, object);
    DestroyRenderable(reinterpret_cast<uintptr_t>(object));
  }
  mPendingRemoveObjectX.clear();
  for (IRenderSnapshotX* moveable : mPendingRemoveMoveableObjectX) {
    std::erase(mPendingAddMoveableObjectX, moveable);
    DestroyRenderable(reinterpret_cast<uintptr_t>(moveable));
  }
  mPendingRemoveMoveableObjectX.clear();
}

void RenderDirectXX::AddPending() {
  auto add = [this](uintptr_t key, Object3DX* object, IRenderSnapshotX* moveable) {
    if (mRenderableObject3DXs.count(key) != 0 || !mRenderableFactory) return;
    IRenderableObjectX* renderable = mRenderableFactory(object, moveable);
    if (!renderable) return;
    mRenderableObject3DXs.emplace(key, renderable);
    AddRenderEdgeDebug(key, object, moveable);
  };
  for (Object3DX* object : mPendingAddObjectX)
    add(reinterpret_cast<uintptr_t>(object), object, nullptr);
  mPendingAddObjectX.clear();
  for (IRenderSnapshotX* moveable : mPendingAddMoveableObjectX) {
    add(reinterpret_cast<uintptr_t>(moveable), nullptr, moveable);
  }
  mPendingAddMoveableObjectX.clear();
  mRenderableCount.store(mRenderableObject3DXs.size(), std::memory_order_relaxed);
}

void RenderDirectXX::SetSkyBoxTextures(const std::vector<TextureX*>& textures) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  if (!mSkyBox) mSkyTextures = textures;
}

DeviceTextureX* RenderDirectXX::QueueTexture(TextureKindX kind, TextureFormatX format,
                                             uint32_t width, uint32_t height, const uint8_t* data,
                                             uint64_t size, const char* function) {
  if (kind == TEXTUREKIND_CUBE) KX_ASSERT(width == height, function);
  const uint64_t required = TextureUploaderX::RequiredBytes(kind, format, width, height);
  if (!data || width == 0 || height == 0 || size < required) {
    LogLine(std::string("RenderDevice, texture refused: ") + std::to_string(width) + "x" +
            std::to_string(height) + " needs " + std::to_string(required) + " bytes, given " +
            std::to_string(data ? size : 0));
    return nullptr;
  }
  TextureUploadX upload;
  upload.mTexture = new DeviceTextureX(kind, format, width, height);
  upload.mData.assign(data, data + required);
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  if (IsRenderThread()) {
    // Asked for while drawing (the overlay's glyphs, the sky box): made at once.
    if (!mTextureUploader.Upload(upload)) {
      delete upload.mTexture;
      return nullptr;
    }
    return upload.mTexture;
  }
  DeviceTextureX* texture = upload.mTexture;
  mPendingTextureUploads.push_back(std::move(upload));
  ++mPostedRequests;
  return texture;
}

DeviceTextureX* RenderDirectXX::TextureCreate(TextureX* texture, uint32_t width, uint32_t height,
                                              const uint32_t* pixels) {
  if (texture) {
    const uint32_t textureType = texture->GetTextureType();
    KX_ASSERT_MSG(textureType == Texture2DX || textureType == TextureCubeX,
                  "RenderDirectXX::TextureCreate", "Texture type not supported.");
    KX_ASSERT(textureType == Texture2DX, "RenderDirectXX::TextureCreate");
  }
  return QueueTexture(TEXTUREKIND_2D, TEXTUREFORMAT_A8R8G8B8, width, height,
                      reinterpret_cast<const uint8_t*>(pixels), uint64_t{width} * height * 4,
                      "RenderDirectXX::TextureCreate");
}

DeviceTextureX* RenderDirectXX::TextureCreate(TextureX* texture, uint32_t width, uint32_t height,
                                              const uint8_t* dxt1Blocks, uint32_t size) {
  if (texture) {
    const uint32_t textureType = texture->GetTextureType();
    KX_ASSERT(textureType == Texture2DX, "RenderDirectXX::TextureCreate");
  }
  return QueueTexture(TEXTUREKIND_2D, TEXTUREFORMAT_DXT1, width, height, dxt1Blocks, size,
                      "RenderDirectXX::TextureCreate");
}

DeviceTextureX* RenderDirectXX::TextureCubeCreate(TextureX* texture, uint32_t width,
                                                  uint32_t height, const uint32_t* pixels) {
  if (texture) {
    const uint32_t textureType = texture->GetTextureType();
    KX_ASSERT(textureType == TextureCubeX, "RenderDirectXX::TextureCubeCreate");
  }
  return QueueTexture(TEXTUREKIND_CUBE, TEXTUREFORMAT_A8R8G8B8, width, height,
                      reinterpret_cast<const uint8_t*>(pixels), uint64_t{width} * height * 4 * 6,
                      "RenderDirectXX::TextureCubeCreate");
}

DeviceTextureX* RenderDirectXX::TextureCubeCreate(TextureX* texture, uint32_t width,
                                                  uint32_t height, const uint8_t* dxt1Blocks,
                                                  uint32_t size) {
  if (texture) {
    const uint32_t textureType = texture->GetTextureType();
    KX_ASSERT(textureType == TextureCubeX, "RenderDirectXX::TextureCubeCreate");
  }
  return QueueTexture(TEXTUREKIND_CUBE, TEXTUREFORMAT_DXT1, width, height, dxt1Blocks, size,
                      "RenderDirectXX::TextureCubeCreate");
}

bool RenderDirectXX::ReleaseResource(DeviceTextureX* resource) {
  if (!resource) return true;
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  if (IsRenderThread()) {
    TextureUploaderX::Release(resource);
    return true;
  }
  // A texture whose upload is still queued is dropped with its request.
  for (auto it = mPendingTextureUploads.begin(); it != mPendingTextureUploads.end(); ++it) {
    if (it->mTexture == resource) {
      mPendingTextureUploads.erase(it);
      delete resource;
      return true;
    }
  }
  mPendingTextureReleases.push_back(resource);
  ++mPostedRequests;
  return true;
}

void RenderDirectXX::AddObjectMoveable(IRenderSnapshotX* moveable) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mPendingAddMoveableObjectX.push_back(moveable);
  ++mPostedRequests;
}

void RenderDirectXX::AddObject3D(Object3DX* object) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mPendingAddObjectX.push_back(object);
  ++mPostedRequests;
}

bool RenderDirectXX::RemoveObjectMoveable(IRenderSnapshotX* moveable) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mPendingRemoveMoveableObjectX.push_back(moveable);
  ++mPostedRequests;
  return true;
}

bool RenderDirectXX::RemoveObject3D(Object3DX* object) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mPendingRemoveObjectX.push_back(object);
  ++mPostedRequests;
  return true;
}

void RenderDirectXX::AddCollisionDebug(const DebugLinesX& lines) {
  // Its GL buffer is made when it is first drawn.
  if (lines.mOutlines.empty() && lines.mNormals.empty()) return;
  AddBSPDebugRenderable(new RenderableBSPTreeDebugDX(this, lines.mOutlines, lines.mNormals));
}

void RenderDirectXX::SetFieldOfView(float fieldOfView) {
  mFieldOfView.store(fieldOfView, std::memory_order_relaxed);
}

void RenderDirectXX::CycleFillMode() {
  mFillMode.store(static_cast<uint8_t>((GetFillMode() + 1) % 3), std::memory_order_relaxed);
}

void RenderDirectXX::ToggleBackfaceCulling() {
  Toggle(mCullBackFaces, "Culling backfacing polygons", "Drawing backfacing polygons");
}

void RenderDirectXX::DebugDrawBSPTreeToggle() {
  Toggle(mDrawBSPTreeDebug, "Debug : Drawing BSP-Tree", "Debug : Stopped drawing BSP-Tree");
}

void RenderDirectXX::DebugDrawEdgesToggle() {
  Toggle(mDrawEdgeDebug, "Debug : Drawing Edges", "Debug : Stopped drawing Edges");
}

void RenderDirectXX::DebugDrawShadowVolumesToggle() {
  Toggle(mDrawShadowVolumeDebug, "Debug : Drawing ShadowVolumes",
         "Debug : Stopped drawing ShadowVolumes");
}

void RenderDirectXX::ToggleFullClearBackBuffer() {
  Toggle(mFullClear, "Debug : Doing full clear of the backbuffer",
         "Debug : Backbuffer clearing has been returned to normal");
}

void RenderDirectXX::DebugDrawNormalToggle() {
  Toggle(mDrawScene, "Debug : Drawing Normal", "Debug : Stopped drawing Normal");
}

void RenderDirectXX::SetEdgeDebugFactory(RenderableFactoryX factory) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mEdgeDebugFactory = std::move(factory);
}

void RenderDirectXX::SetRenderableFactory(RenderableFactoryX factory) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mRenderableFactory = std::move(factory);
}

void RenderDirectXX::SetSkyBoxFactory(SkyBoxFactoryX factory) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mSkyBoxFactory = std::move(factory);
}

void RenderDirectXX::Set2DRenderFactory(OverlayFactoryX factory) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  m2DRenderFactory = std::move(factory);
}

void RenderDirectXX::AddBSPDebugRenderable(IRenderableObjectX* renderable) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mPendingBSPDebugs.push_back(renderable);
}

void RenderDirectXX::AddEdgeDebugRenderable(IRenderableObjectX* renderable) {
  std::lock_guard<std::recursive_mutex> lock(mDeviceLock);
  mPendingEdgeDebugs.push_back(renderable);
}
