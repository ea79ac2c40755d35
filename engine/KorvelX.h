#pragma once
// KorvelX: the engine object. There is exactly one; it owns every engine manager, creates them
// in a fixed order, drives them once per frame from the main thread and destroys them in a fixed
// order, writing one log line per manager. The program entry keeps it as a local, so its
// destructor is the program's ordered stop.
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/HighTimerX.h"

class AudioDirectXX;
class AudioManagerX;
class CameraX;
class CollisionDataStructureManagerX;
class CollisionHandlerX;
class EngineRenderHostX;
class EnviromentHandlerX;
struct GameServicesX;
class IInputTargetX;
class IMessageSourceX;
class InputHandlerX;
class IRenderDeviceX;
class Object3DManagerX;
class RenderableManagerX;
class SyncEngineRenderX;
class WeaponSettingsX;

class KorvelX {
 public:
  // Fixes the working directory, opens the log, creates the frame hand-off, validates the timer
  // and starts the job threads. SIGINT and SIGTERM request a quit from here on.
  KorvelX();
  // The ordered stop.
  ~KorvelX();
  KorvelX(const KorvelX&) = delete;
  KorvelX& operator=(const KorvelX&) = delete;

  // Creates the managers and lets the render thread go.
  void Init();
  // One frame; the caller stores dt first.
  void Update();
  // End of loading: every frame from now on is handed to the render thread.
  void SignalInitialized();
  // Sleeps what is left of the frame budget (1 / maximum frame rate).
  void LimitFrameRate(float dt);
  // The limiter's arithmetic: milliseconds to sleep for a frame of dt seconds; updates the carry.
  static int32_t ComputeFrameLimit(float dt, float maxFrameRate, float& sleepCarry);

  // Sets the quit flag (never cleared again): the main loop ends after the current frame.
  void Quit() { mQuit.store(true, std::memory_order_release); }
  bool IsQuitting() const { return mQuit.load(std::memory_order_acquire); }
  // True after an Init whose render device (window, GL, render thread) could not start.
  bool RenderDeviceFailed() const { return mRenderDeviceFailed; }
  // Switches audio on, also on the audio device once Init has made it.
  void EnableAudio();
  // Seconds since the engine timer was reset; the log's time stamps.
  float GetElapsedTime() const { return mEngineTimer.GetElapsedTimef(); }

  uint32_t GetFrameCount() const { return mFrameCount; }
  float GetTotalTime() const { return mTotalTime; }
  bool IsFrameLimiterOn() const { return mFrameLimiterOn; }
  void SetFrameLimiterOn(bool on) { mFrameLimiterOn = on; }
  float GetMaximumFrameRate() const { return mMaximumFrameRate; }
  float GetSleepCarry() const { return mSleepCarry; }

  // The window hands its events to the engine through these; the input handler receives key
  // and button changes.
  void SetMessageSource(IMessageSourceX* source) { mMessageSource = source; }
  void SetInputTarget(IInputTargetX* input) { mInputTarget = input; }

  CollisionDataStructureManagerX* GetCollisionDataStructureManager() const {
    return mCollisionDataStructureManager.get();
  }
  Object3DManagerX* GetObject3DManager() const { return mObject3DManager.get(); }
  RenderableManagerX* GetRenderablesManager() const { return mRenderableManager.get(); }
  AudioManagerX* GetAudioManager() const { return mAudioManager.get(); }
  InputHandlerX* GetInputHandler() const { return mInputHandler.get(); }
  CollisionHandlerX* GetCollisionHandler() const { return mCollisionHandler.get(); }
  EnviromentHandlerX* GetEnviromentHandler() const { return mEnviromentHandler.get(); }
  IRenderDeviceX* GetRenderDevice() const { return mRenderDevice.get(); }
  AudioDirectXX* GetAudioDevice() const { return mAudioDevice.get(); }
  CameraX* GetCamera() const { return mCamera.get(); }
  WeaponSettingsX* GetWeaponSettings() const { return mWeaponSettings.get(); }

  // Frames updated by any engine; reset by the constructor and by Init.
  static uint32_t GetGlobalFrameCounter() {
    return sGlobalFrameCounter.load(std::memory_order_relaxed);
  }
  // Set during Init and handed to the audio device, which plays and updates nothing while off.
  static bool IsAudioEnabled() { return sAudioEnabled.load(std::memory_order_relaxed); }

  // Seconds elapsed since the previous frame: written by the entry loop before each Update and
  // read by the render thread as its time step.
  std::atomic<float> dt{0.0f};

 private:
  static void InstallQuitSignals();
  static void RestoreQuitSignals();
  // Logs a stop line and writes the log out, so the log shows how far the stop got.
  static void LogStopLine(const char* text);
  // Deletes one manager and writes its stop line (none when stopLine is null).
  template <class T>
  static void StopPart(std::unique_ptr<T>& part, const char* stopLine);

  uint32_t mFrameCount = 0;
  float mTotalTime = 0.0f;
  std::atomic<bool> mQuit{false};
  std::unique_ptr<CollisionDataStructureManagerX> mCollisionDataStructureManager;
  std::unique_ptr<Object3DManagerX> mObject3DManager;
  std::unique_ptr<RenderableManagerX> mRenderableManager;
  std::unique_ptr<AudioManagerX> mAudioManager;
  std::unique_ptr<InputHandlerX> mInputHandler;
  std::unique_ptr<CollisionHandlerX> mCollisionHandler;
  std::unique_ptr<EnviromentHandlerX> mEnviromentHandler;
  std::unique_ptr<IRenderDeviceX> mRenderDevice;
  std::unique_ptr<AudioDirectXX> mAudioDevice;
  std::unique_ptr<CameraX> mCamera;
  std::unique_ptr<WeaponSettingsX> mWeaponSettings;
  HighTimerX mEngineTimer;
  bool mFrameLimiterOn = true;
  bool mRenderDeviceFailed = false;
  float mSleepCarry = 0.0f;
  float mMaximumFrameRate = 300.0f;
  IMessageSourceX* mMessageSource = nullptr;
  IInputTargetX* mInputTarget = nullptr;
  std::unique_ptr<SyncEngineRenderX> mSyncEngineRender;
  // The render device's view of the engine; outlives the device.
  std::unique_ptr<EngineRenderHostX> mRenderHost;
  // The managers as the game sees them, filled in as they are made.
  std::unique_ptr<GameServicesX> mGameServices;

  static std::atomic<uint32_t> sGlobalFrameCounter;
  static std::atomic<bool> sAudioEnabled;
  static std::atomic<KorvelX*> sKorvelX;
  friend KorvelX* GetKorvelX();
};

// The engine, or null before it is constructed and after it is destroyed.
inline KorvelX* GetKorvelX() { return KorvelX::sKorvelX.load(std::memory_order_acquire); }
