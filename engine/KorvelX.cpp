#include "engine/KorvelX.h"

#include <csignal>

#include "engine/ErrorHandlerX.h"
#include "engine/MessagePumpX.h"
#include "engine/ReportHooksX.h"
#include "engine/SystemX.h"
#include "engine/ThreadManagerX.h"
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

  // The managers, in this order, as their subsystems arrive: the asset manager with its search
  // paths, the collision structure manager ("Resources\SavedData\"), the object manager
  // ("Resources\"), the sound manager ("Resources\Sound\"), the environment, the renderable
  // registry, the render device (window, GL context, render thread; a device that fails sets
  // the quit flag), the input handler and the collision handler.

  // With a render device: its render states and 2D overlay, and the overlay becomes the log's
  // listener (SetListener). Then the audio device, updated once with 0.01 s.
  EnableAudio();
  // Then the camera and the weapon settings (shot speed 750, fire interval 1, fire timer 0.1),
  // and the camera goes to the environment and the render device.

  SyncEngineRenderX::InitDone();
}

void KorvelX::SignalInitialized() {
  SyncEngineRenderX::SetRunning();
  LogMessage("KorvelX Initialized");
}

void KorvelX::EnableAudio() {
  LogMessage("Audio has been enabled");
  sAudioEnabled.store(true, std::memory_order_relaxed);
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

  // Per frame, in this order, as the managers arrive: the input handler (while the window is
  // active), the game controls of the weapon settings, the environment's camera, the
  // environment, the audio device, and (while the window is active) the end-of-frame copy of
  // the key and button states.

  if (mFrameLimiterOn && SyncEngineRenderX::IsRunning()) LimitFrameRate(frameTime);
  SyncEngineRenderX::EngineThreadDoneWithFrame();
}

void KorvelX::LogStopLine(const char* text) {
  LogMessage(text);
  if (ErrorHandlerX* handler = GetErrorHandler()) handler->Flush();
}

KorvelX::~KorvelX() {
  LogStopLine("KorvelX Stopping");
  // Whatever ended the main loop, the render thread must see the quit flag to leave its loop.
  Quit();

  LogStopLine("CollisionHandler Stopped");

  // The 2D overlay goes with the render device: the log stops handing it lines first, and a
  // render thread waiting for a frame is let go.
  if (ErrorHandlerX* handler = GetErrorHandler()) handler->SetListener(nullptr);
  SyncEngineRenderX::ReleaseGates();
  LogStopLine("RenderDevice Stopped");

  LogStopLine("InputHandler Stopped");
  LogStopLine("RenderableManager Stopped");
  LogStopLine("EnviromentHandler Stopped");
  LogStopLine("Object3DManager Stopped");
  LogStopLine("CollisionDataStructureManager Stopped");
  LogStopLine("AudioManager Stopped");
  LogStopLine("AudioDevice Stopped");
  // The camera and the weapon settings go without a line.

  ThreadManagerX::DestroySingleton();
  // The asset manager is destroyed here, after the job threads.

  LogStopLine("KorvelX Stopped");
  ErrorHandlerX::Destory();
  delete mSyncEngineRender;
  mSyncEngineRender = nullptr;

  RestoreQuitSignals();
  KorvelX* self = this;
  sKorvelX.compare_exchange_strong(self, nullptr);
}
