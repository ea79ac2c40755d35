#include "engine/KorvelX.h"

#include <csignal>

#include "assets/AssetManagerBaseX.h"
#include "audio/AudioDirectXX.h"
#include "audio/AudioManagerX.h"
#include "collision/CollisionDataStructureManagerX.h"
#include "collision/CollisionHandlerX.h"
#include "engine/ErrorHandlerX.h"
#include "engine/InputHandlerX.h"
#include "engine/MessagePumpX.h"
#include "engine/ReportHooksX.h"
#include "engine/SystemX.h"
#include "engine/ThreadManagerX.h"
#include "engine/WindowX.h"
#include "game/CameraX.h"
#include "game/EnviromentHandlerX.h"
#include "game/WeaponSettingsX.h"
#include "loaders/MeshLoaderX.h"
#include "loaders/Object3DManagerX.h"
#include "render/DebugRenderablesX.h"
#include "render/RenderDirectX2DX.h"
#include "render/RenderDirectXX.h"
#include "render/RenderableManagerX.h"
#include "render/RenderableMeshDX.h"
#include "render/SkyboxX.h"
#include "render/SyncEngineRenderX.h"

std::atomic<uint32_t> KorvelX::sGlobalFrameCounter{0};
std::atomic<bool> KorvelX::sAudioEnabled{false};
std::atomic<KorvelX*> KorvelX::sKorvelX{nullptr};

namespace {
constexpr int kQuitSignals[] = {SIGINT, SIGTERM};
struct sigaction sPreviousActions[2];

// Ctrl+C or a termination request: quit after the current frame and run the ordered stop.
// Only a lock-free atomic store happens here. A second signal gets the default action.
extern "C" void OnQuitSignal(int) {
  if (KorvelX* korvelX = GetKorvelX()) korvelX->Quit();
}
}  // namespace

void KorvelX::InstallQuitSignals() {
  struct sigaction action = {};
  action.sa_handler = &OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (int i = 0; i < 2; ++i) sigaction(kQuitSignals[i], &action, &sPreviousActions[i]);
}

void KorvelX::RestoreQuitSignals() {
  for (int i = 0; i < 2; ++i) sigaction(kQuitSignals[i], &sPreviousActions[i], nullptr);
}

KorvelX::KorvelX() {
  KorvelX* registered = GetKorvelX();
  KX_ASSERT_MSG(!registered, "KorvelX::KorvelX", "!korvelX");
  sKorvelX.store(this, std::memory_order_release);

  SystemX::FixCurrentDirectory();
  ErrorHandlerX::Create();
  mSyncEngineRender = new SyncEngineRenderX;
  sGlobalFrameCounter.store(0, std::memory_order_relaxed);
  HighTimerX::ValidateTimers();
  mEngineTimer.Reset();
  ThreadManagerX::CreateSingleton();
  InstallQuitSignals();
}

void KorvelX::Init() {
  LogMessage("KorvelX Initializing");
  sGlobalFrameCounter.store(0, std::memory_order_relaxed);
  mSleepCarry = 0.0f;
  mMaximumFrameRate = 300.0f;
  mFrameLimiterOn = true;

  // The managers, in this order: the asset manager with its search paths (and the mesh loader
  // it generates meshes with), the collision structure manager, the object manager, the sound
  // manager, the environment, the renderable registry.
  AssetManagerBaseX::CreateSingleton();
  MeshLoaderX::CreateSingleton();
  mCollisionDataStructureManager = new CollisionDataStructureManagerX("Resources\\SavedData\\");
  mObject3DManager = new Object3DManagerX("Resources\\");
  mAudioManager = new AudioManagerX("Resources\\Sound\\");
  mEnviromentHandler = new EnviromentHandlerX;
  mRenderableManager = new RenderableManagerX;

  // The render device (window, GL context, render thread; a device that fails sets the quit
  // flag), the input handler fed by the window's messages, and the collision handler.
  RenderDirectXX::Set2DRenderFactory(
      [](RenderDirectXX* device) -> IRenderDevice2DX* { return new RenderDirectX2DX(device); });
  RenderDirectXX* device = new RenderDirectXX();
  mRenderDevice = device;
  mRenderDeviceFailed = !device->IsStarted();
  device->SetRenderableFactory(RenderableObjectXDX::MakeFactory(device, mRenderableManager));
  device->SetEdgeDebugFactory(RenderableEdgeDebugDX::MakeFactory(device));
  device->SetSkyBoxFactory(RenderableSkyBox::MakeFactory(device, [this](int32_t renderIndex) {
    return mCamera ? mCamera->GetRenderPosition(renderIndex) : Vector3fX();
  }));
  mInputHandler =
      new InputHandlerX(RenderDirectXX::GetScreenWidth(), RenderDirectXX::GetScreenHeight());
  if (WindowX* window = device->GetWindow()) {
    window->SetInputHandler(mInputHandler);
    SetMessageSource(window);
  }
  SetInputTarget(mInputHandler);
  mCollisionHandler = new CollisionHandlerX(mCollisionDataStructureManager);

  // With a render device: its render states and 2D overlay, and the overlay becomes the log's
  // listener. Then the audio device, updated once with 0.01 s.
  if (device->IsStarted()) {
    device->InitRender();
    if (ErrorHandlerX* handler = GetErrorHandler()) handler->SetListener(device->Get2DRender());
  }
  EnableAudio();
  mAudioDevice = new AudioDirectXX(mAudioManager);
  mAudioDevice->SetEnabled(IsAudioEnabled());
  mAudioManager->SetAudioDevice(mAudioDevice);
  mAudioDevice->Init();
  mAudioDevice->Update(0.01f);

  // Then the camera and the weapon settings, and the camera goes to the environment, the render
  // device and the listener.
  mCamera = new CameraX;
  mWeaponSettings = new WeaponSettingsX;
  GameServicesX services;
  services.mCollisionHandler = mCollisionHandler;
  services.mRenderDevice = mRenderDevice;
  services.mObject3DManager = mObject3DManager;
  services.mAudioDevice = mAudioDevice;
  mEnviromentHandler->SetServices(services);
  mEnviromentHandler->SetCamera(mCamera);
  mCamera->AttachToRenderDevice(device);
  mAudioDevice->SetListener(mCamera);
  mWeaponSettings->SetGameTarget(mEnviromentHandler);

  SyncEngineRenderX::InitDone();
}

void KorvelX::SignalInitialized() {
  SyncEngineRenderX::SetRunning();
  LogMessage("KorvelX Initialized");
}

void KorvelX::EnableAudio() {
  LogMessage("Audio has been enabled");
  sAudioEnabled.store(true, std::memory_order_relaxed);
  if (mAudioDevice) mAudioDevice->SetEnabled(true);
}

int32_t KorvelX::ComputeFrameLimit(float dt, float maxFrameRate, float& sleepCarry) {
  const float remaining = 1.0f / maxFrameRate - (dt - sleepCarry);
  // Not a number or no time left: no sleep. A limiter never sleeps more than a second.
  const int32_t milliseconds =
      remaining > 0.0f ? (remaining < 1.0f ? static_cast<int32_t>(remaining * 1000.0f) : 1000) : 0;
  if (milliseconds > 0) {
    sleepCarry = remaining;
    return milliseconds;
  }
  sleepCarry = 0.0f;
  return 0;
}

void KorvelX::LimitFrameRate(float dt) {
  const int32_t milliseconds = ComputeFrameLimit(dt, mMaximumFrameRate, mSleepCarry);
  if (milliseconds > 0) SystemX::Sleep(static_cast<uint32_t>(milliseconds));
}

void KorvelX::Update() {
  const float frameTime = dt.load(std::memory_order_relaxed);
  sGlobalFrameCounter.fetch_add(1, std::memory_order_relaxed);
  ++mFrameCount;
  mTotalTime += frameTime;

  if (mMessageSource && PumpMessages(*mMessageSource, mInputTarget)) Quit();

  // Per frame, in this order: the input handler (while the window is active), the game controls
  // of the weapon settings, the camera, the environment, the audio device, and (while the window
  // is active) the end-of-frame copy of the key and button states. Moving objects the render
  // thread has let go of are deleted last.
  const bool active = WindowX::IsWindowActive();
  if (mInputHandler && active) mInputHandler->Update(frameTime);
  if (mWeaponSettings) mWeaponSettings->Update(frameTime);
  if (mCamera) mCamera->Update(frameTime);
  if (mEnviromentHandler) mEnviromentHandler->Update(frameTime);
  if (mAudioDevice) mAudioDevice->Update(frameTime);
  if (mInputHandler && active) mInputHandler->EndFrame();
  if (auto* device = dynamic_cast<RenderDirectXX*>(mRenderDevice)) device->CollectRetired();

  if (mFrameLimiterOn && SyncEngineRenderX::IsRunning()) LimitFrameRate(frameTime);
  SyncEngineRenderX::EngineThreadDoneWithFrame();
}

void KorvelX::LogStopLine(const char* text) {
  LogMessage(text);
  if (ErrorHandlerX* handler = GetErrorHandler()) handler->Flush();
}

template <class T>
void KorvelX::StopPart(T*& part, const char* stopLine) {
  delete part;
  part = nullptr;
  if (stopLine) LogStopLine(stopLine);
}

KorvelX::~KorvelX() {
  LogStopLine("KorvelX Stopping");
  // Whatever ended the main loop, the render thread must see the quit flag to leave its loop.
  Quit();

  StopPart(mCollisionHandler, "CollisionHandler Stopped");

  // The 2D overlay goes with the render device: the log stops handing it lines first, and a
  // render thread waiting for a frame is let go.
  if (ErrorHandlerX* handler = GetErrorHandler()) handler->SetListener(nullptr);
  SyncEngineRenderX::ReleaseGates();
  SetMessageSource(nullptr);
  StopPart(mRenderDevice, "RenderDevice Stopped");

  SetInputTarget(nullptr);
  StopPart(mInputHandler, "InputHandler Stopped");
  StopPart(mRenderableManager, "RenderableManager Stopped");
  StopPart(mEnviromentHandler, "EnviromentHandler Stopped");
  StopPart(mObject3DManager, "Object3DManager Stopped");
  StopPart(mCollisionDataStructureManager, "CollisionDataStructureManager Stopped");
  if (mAudioManager) mAudioManager->SetAudioDevice(nullptr);
  StopPart(mAudioManager, "AudioManager Stopped");
  StopPart(mAudioDevice, "AudioDevice Stopped");
  // The camera and the weapon settings go without a line.
  StopPart(mWeaponSettings, nullptr);
  StopPart(mCamera, nullptr);

  ThreadManagerX::DestroySingleton();
  // The asset manager (with the mesh loader) is destroyed here, after the job threads.
  if (GetAssetManager()) {
    MeshLoaderX::DestroySingleton();
    AssetManagerBaseX::DestroySingleton();
  }

  LogStopLine("KorvelX Stopped");
  ErrorHandlerX::Destory();
  delete mSyncEngineRender;
  mSyncEngineRender = nullptr;

  RestoreQuitSignals();
  KorvelX* self = this;
  sKorvelX.compare_exchange_strong(self, nullptr);
}
