#pragma once
// SyncEngineRenderX: the frame hand-off between the engine (main) thread and the render thread.
//
// State both threads use (camera and object matrices and positions) exists twice. The engine
// writes the copy of the engine buffer index, the render thread reads the copy of the render
// buffer index. At the end of engine frame N the engine waits until the render thread has
// finished frame N-1, then publishes frame N: the render index becomes the slot just written and
// the engine index the other one. So the engine may update frame N+1 while frame N is drawn and
// never gets further ahead, and the two threads never use the same slot at the same time.
//
// Before SetRunning (loading) the render thread is not paced: it draws as often as it can,
// capped at 120 frames per second, and the engine does not flip the slots while a render thread
// is attached. Without a render thread (none attached yet, or released) the engine's hand-off
// flips the slots and never waits. ReleaseGates ends all pacing for good (shutdown).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class SyncEngineRenderX {
 public:
  // Registers the singleton. The render thread is held back in WaitForInit until InitDone.
  SyncEngineRenderX();
  ~SyncEngineRenderX();
  SyncEngineRenderX(const SyncEngineRenderX&) = delete;
  SyncEngineRenderX& operator=(const SyncEngineRenderX&) = delete;

  static SyncEngineRenderX* GetSyncEngineRenderX() {
    return sSyncEngineRenderX.load(std::memory_order_acquire);
  }

  // Engine thread, end of every update: hands the finished frame to the render thread; may wait
  // until the render thread has finished the frame before.
  static void EngineThreadDoneWithFrame();
  // Render thread, end of every frame: marks the frame drawn and, while running, waits for the
  // next finished engine frame. Does nothing else while loading.
  static void RenderThreadDoneWithFrame();

  // End of loading: from now on every engine frame is handed over.
  static void SetRunning();
  static bool IsRunning();
  // Render thread: attaches to the hand-off and waits until the engine's Init has finished.
  static void WaitForInit();
  // Engine thread, end of Init: lets the render thread go.
  static void InitDone();
  // Shutdown: releases any thread waiting here and ends pacing for good.
  static void ReleaseGates();

  static int32_t GetEngineBufferIndex();
  static int32_t GetRenderBufferIndex();

  // Render thread while loading: sleeps what is left of a 1/120 s frame that took frameSeconds.
  static void PaceLoadingFrame(float frameSeconds);

 private:
  // The render thread starts a frame: a published one while running, else an unpaced one.
  void BeginRenderFrame(std::unique_lock<std::mutex>& lock);
  void Publish();

  std::mutex mMutex;
  std::condition_variable mChanged;
  std::atomic<int32_t> mEngineBufferIndex{0};
  std::atomic<int32_t> mRenderBufferIndex{1};
  std::atomic<bool> mRunning{false};
  bool mInitDone = false;
  bool mRenderAttached = false;        // a render thread has called WaitForInit
  bool mReleased = false;              // ReleaseGates was called
  bool mRenderInLoadingFrame = false;  // the render thread draws a frame it was not handed
  bool mRenderHasFrame = false;        // the render thread draws a published frame
  uint64_t mPublishedFrames = 0;
  uint64_t mRenderedFrames = 0;

  static std::atomic<SyncEngineRenderX*> sSyncEngineRenderX;
};
