// The engine side of the render benchmarks: always running (no 120 per second cap), no time
// passes, and the render thread's finished frames are counted so a benchmark can wait on them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "render/RenderHostX.h"

class BenchRenderHost : public IRenderHostX {
 public:
  bool IsQuitting() const override { return mQuit; }
  void Quit() override { mQuit = true; }
  float GetFrameTime() const override { return 0.0f; }
  bool IsRunning() const override { return true; }
  int32_t GetRenderBufferIndex() const override { return 0; }
  void WaitForInit() override {}
  void RenderThreadDoneWithFrame() override {
    std::lock_guard<std::mutex> lock(mLock);
    ++mFrames;
    mChanged.notify_all();
  }
  void EngineThreadDoneWithFrame() override {}
  void ReleaseGates() override { mQuit = true; }
  // Blocks until the render thread has finished `count` more frames.
  void WaitFrames(uint64_t count) {
    std::unique_lock<std::mutex> lock(mLock);
    const uint64_t target = mFrames + count;
    mChanged.wait(lock, [&] { return mFrames >= target; });
  }
  std::atomic<bool> mQuit{false};

 private:
  std::mutex mLock;
  std::condition_variable mChanged;
  uint64_t mFrames = 0;
};
