#include "engine/KorvelX.h"

#include <csignal>

#include "assets/AssetManagerBaseX.h"
#include "audio/AudioDirectXX.h"
#include "audio/AudioManagerX.h"
#include "collision/CollisionDataStructureManagerX.h"
#include "collision/CollisionHandlerX.h"
#include "engine/EngineRenderHostX.h"
#include "engine/ErrorHandlerX.h"
#include "engine/InputHandlerX.h"
#include "engine/MessagePumpX.h"
#include "engine/ReportHooksX.h"
#include "engine/SystemX.h"
#include "engine/ThreadManagerX.h"
#include "engine/WindowX.h"
#include "game/CameraX.h"
#include "game/EnviromentHandlerX.h"
#include "game/GameServicesX.h"
#include "game/WeaponSettingsX.h"
#include "loaders/MeshLoaderX.h"
#include "loaders/Object3DManagerX.h"
#include "render/IRenderDevice2DX.h"
#include "render/RenderDeviceSetUpX.h"
#include "render/RenderDirectXX.h"
#include "render/RenderableManagerX.h"
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

// The log's time stamps: the engine timer.
float ReadEngineTime(void* engine) { return static_cast<KorvelX*>(engine)->GetElapsedTime(); }
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
  ErrorHandlerX::Create(&ReadEngineTime, this);
  mSyncEngineRender = std::make_unique<SyncEngineRenderX>();
  mGameServices = std::make_unique<GameServicesX>();
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
  // manager, the environment, the renderable registry. The game's record of them fills up as
  // they are made.
  ThreadManagerX* jobs = GetThreadManagerX();
  AssetManagerBaseX::CreateSingleton(jobs);
  MeshLoaderX::CreateSingleton();
  AssetManagerBaseX* assets = GetAssetManager();
  mCollisionDataStructureManager =
      std::make_unique<CollisionDataStructureManagerX>("Resources\\SavedData\\", jobs);
  mObject3DManager = std::make_unique<Object3DManagerX>("Resources\\", assets);
  mAudioManager = std::make_unique<AudioManagerX>("Resources\\Sound\\");
  mGameServices->mAssetManager = assets;
  mGameServices->mObject3DManager = mObject3DManager.get();
  mGameServices->mSoundLibrary = mAudioManager.get();
  mGameServices->mQuit = [this] { Quit(); };
  mEnviromentHandler = std::make_unique<EnviromentHandlerX>(*mGameServices);
  mRenderableManager = std::make_unique<RenderableManagerX>();

  // The render device (window, GL context, render thread; a device that fails sets the quit
  // flag), the input handler fed by the window's messages, and the collision handler.
  mRenderHost = std::make_unique<EngineRenderHostX>(*this);
  auto* device = new RenderDirectXX(mRenderHost.get(), assets);
  mRenderDevice.reset(device);
  mRenderDeviceFailed = !device->IsStarted();
  SetUpRenderDevice(*device, *mRenderableManager);
  mInputHandler = std::make_unique<InputHandlerX>(RenderDirectXX::GetScreenWidth(),
                                                  RenderDirectXX::GetScreenHeight());
  if (WindowX* window = device->GetWindow()) {
    window->SetInputHandler(mInputHandler.get());
    SetMessageSource(window);
  }
  SetInputTarget(mInputHandler.get());
  mCollisionHandler = std::make_unique<CollisionHandlerX>(mCollisionDataStructureManager.get());
  mGameServices->mRenderDevice = device;
  mGameServices->mInputHandler = mInputHandler.get();
  mGameServices->mCollisionHandler = mCollisionHandler.get();

  // With a render device: its render states and 2D overlay, and the overlay becomes the log's
  // listener. Then the audio device, updated once with 0.01 s.
  if (device->IsStarted()) {
    device->InitRender();
    if (ErrorHandlerX* handler = GetErrorHandler()) handler->SetListener(device->Get2DRender());
  }
  EnableAudio();
  mAudioDevice = std::make_unique<AudioDirectXX>(mAudioManager.get());
  mAudioDevice->SetEnabled(IsAudioEnabled());
  mAudioManager->SetAudioDevice(mAudioDevice.get());
  mAudioDevice->Init();
  mAudioDevice->Update(0.01f);
  mGameServices->mAudioDevice = mAudioDevice.get();

  // Then the camera and the weapon settings (the game controls, driving the camera and the
  // environment), and the camera goes to the environment, the render device and the listener.
  mCamera = std::make_unique<CameraX>();
  GameControlsX controls;
  controls.mInput = mInputHandler.get();
  controls.mCamera = mCamera.get();
  controls.mRenderDevice = mRenderDevice.get();
  controls.mGame = mEnviromentHandler.get();
  controls.mQuit = mGameServices->mQuit;
  mWeaponSettings = std::make_unique<WeaponSettingsX>(controls);
  mEnviromentHandler->SetCamera(mCamera.get());
  mRenderDevice->SetCamera(mCamera.get());
  mAudioDevice->SetListener(mCamera.get());

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
  if (mRenderDevice) mRenderDevice->CollectRetired();

  if (mFrameLimiterOn && SyncEngineRenderX::IsRunning()) LimitFrameRate(frameTime);
  SyncEngineRenderX::EngineThreadDoneWithFrame();
}

void KorvelX::LogStopLine(const char* text) {
  LogMessage(text);
  if (ErrorHandlerX* handler = GetErrorHandler()) handler->Flush();
}

template <class T>
void KorvelX::StopPart(std::unique_ptr<T>& part, const char* stopLine) {
  part.reset();
  if (stopLine) LogStopLine(stopLine);
}

KorvelX::~KorvelX() {
  LogStopLine("KorvelX Stopping");
  // Whatever ended the main loop, the render thread must see the quit flag to leave its loop.
  Quit();

  StopPart(mCollisionHandler, "CollisionHandler Stopped");
  mGameServices->mCollisionHandler = nullptr;

  // The 2D overlay goes with the render device: the log stops handing it lines first, and a
  // render thread waiting for a frame is let go.
  if (ErrorHandlerX* handler = GetErrorHandler()) handler->SetListener(nullptr);
  SyncEngineRenderX::ReleaseGates();
  SetMessageSource(nullptr);
  StopPart(mRenderDevice, "RenderDevice Stopped");
  mRenderHost.reset();
  mGameServices->mRenderDevice = nullptr;

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
  mSyncEngineRender.reset();

  RestoreQuitSignals();
  KorvelX* self = this;
  sKorvelX.compare_exchange_strong(self, nullptr);
}
