// The frame hand-off between the engine thread and a render thread: the engine is never more
// than one frame ahead, every finished frame is drawn once and in order, the two threads never
// use the same snapshot slot, and either side can shut down while the other waits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "render/SyncEngineRenderX.h"

namespace {
// One snapshot slot: who uses it right now and which engine frame it holds.
struct SlotX {
  std::atomic<int> writers{0};
  std::atomic<int> readers{0};
  std::atomic<uint32_t> frame{0};
};

void ShortPause(std::mt19937& random) {
  const int micros = static_cast<int>(random() % 300);
  if (micros > 150) std::this_thread::sleep_for(std::chrono::microseconds(micros - 150));
}

struct RenderSideX {
  SlotX* slots = nullptr;
  std::atomic<bool> stop{false};
  std::atomic<uint64_t> framesDrawn{0};  // published frames finished
  std::vector<uint32_t> seen;            // engine frames drawn while running
  std::atomic<int> overlaps{0};
  std::thread thread;

  void Run(uint32_t seed) {
    std::mt19937 random(seed);
    SyncEngineRenderX::WaitForInit();
    while (!stop.load()) {
      const bool running = SyncEngineRenderX::IsRunning();
      const int32_t index = SyncEngineRenderX::GetRenderBufferIndex();
      SlotX& slot = slots[index];
      slot.readers++;
      if (slot.writers.load() != 0) overlaps++;
      const uint32_t frame = slot.frame.load();
      ShortPause(random);
      if (slot.writers.load() != 0) overlaps++;
      slot.readers--;
      if (running && frame != 0) {
        seen.push_back(frame);
        framesDrawn++;
      }
      SyncEngineRenderX::RenderThreadDoneWithFrame();
      if (!running) SyncEngineRenderX::PaceLoadingFrame(0.0f);
    }
    SyncEngineRenderX::ReleaseGates();
  }
};
}  // namespace

TEST(FrameHandOff, EngineStaysOneFrameAheadAndSlotsNeverOverlap) {
  for (uint32_t round = 0; round < 4; ++round) {
    SyncEngineRenderX sync;
    SlotX slots[2];
    RenderSideX render;
    render.slots = slots;
    render.thread = std::thread([&render, round] { render.Run(round + 7); });

    std::mt19937 random(round);
    SyncEngineRenderX::InitDone();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a few loading frames
    SyncEngineRenderX::SetRunning();

    int aheadViolations = 0, overlaps = 0;
    const uint32_t frames = 400;
    for (uint32_t frame = 1; frame <= frames; ++frame) {
      const int32_t index = SyncEngineRenderX::GetEngineBufferIndex();
      SlotX& slot = slots[index];
      slot.writers++;
      if (slot.readers.load() != 0) overlaps++;
      slot.frame = frame;
      ShortPause(random);
      if (slot.readers.load() != 0) overlaps++;
      slot.writers--;
      SyncEngineRenderX::EngineThreadDoneWithFrame();
      // Frame `frame` is handed over: the render thread has finished every frame before it.
      if (render.framesDrawn.load() + 1 < frame) aheadViolations++;
    }
    render.stop = true;
    SyncEngineRenderX::ReleaseGates();
    render.thread.join();

    EXPECT_EQ(aheadViolations, 0);
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(render.overlaps.load(), 0);
    // Every handed-over frame is drawn exactly once and in order (the last one may be cut off
    // by the shutdown).
    ASSERT_FALSE(render.seen.empty());
    EXPECT_EQ(render.seen.front(), 1u);
    for (size_t i = 1; i < render.seen.size(); ++i)
      ASSERT_EQ(render.seen[i], render.seen[i - 1] + 1);
    EXPECT_GE(render.seen.back(), frames - 1);
  }
}

TEST(FrameHandOff, WithoutARenderThreadTheEngineFlipsSlotsAndNeverWaits) {
  SyncEngineRenderX sync;
  EXPECT_EQ(SyncEngineRenderX::GetEngineBufferIndex(), 0);
  EXPECT_EQ(SyncEngineRenderX::GetRenderBufferIndex(), 1);
  EXPECT_FALSE(SyncEngineRenderX::IsRunning());
  SyncEngineRenderX::SetRunning();
  EXPECT_TRUE(SyncEngineRenderX::IsRunning());
  for (int frame = 0; frame < 5; ++frame) {
    const int32_t written = SyncEngineRenderX::GetEngineBufferIndex();
    SyncEngineRenderX::EngineThreadDoneWithFrame();
    EXPECT_EQ(SyncEngineRenderX::GetRenderBufferIndex(), written);
    EXPECT_EQ(SyncEngineRenderX::GetEngineBufferIndex(), 1 - written);
  }
}

TEST(FrameHandOff, LoadingFramesAreNotHandedOverAndTheInitGateHoldsTheRenderThread) {
  SyncEngineRenderX sync;
  std::atomic<bool> passed{false};
  std::thread render([&] {
    SyncEngineRenderX::WaitForInit();
    passed = true;
    for (int i = 0; i < 3; ++i) SyncEngineRenderX::RenderThreadDoneWithFrame();  // not paced
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(passed.load());
  SyncEngineRenderX::InitDone();
  render.join();
  EXPECT_TRUE(passed.load());
  // Loading: the engine does not flip the slots the render thread reads.
  SyncEngineRenderX::EngineThreadDoneWithFrame();
  EXPECT_EQ(SyncEngineRenderX::GetEngineBufferIndex(), 0);
  EXPECT_EQ(SyncEngineRenderX::GetRenderBufferIndex(), 1);
}

TEST(FrameHandOff, EitherSideCanStopWhileTheOtherWaits) {
  {  // the render thread waits for a frame that never comes
    SyncEngineRenderX sync;
    SyncEngineRenderX::InitDone();
    SyncEngineRenderX::SetRunning();
    std::thread render([] {
      SyncEngineRenderX::WaitForInit();
      SyncEngineRenderX::RenderThreadDoneWithFrame();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    SyncEngineRenderX::ReleaseGates();
    render.join();
  }
  {  // the engine waits for a render thread that stops drawing
    SyncEngineRenderX sync;
    SyncEngineRenderX::InitDone();
    SyncEngineRenderX::SetRunning();
    std::atomic<bool> rendering{false};
    std::thread render([&] {
      SyncEngineRenderX::WaitForInit();  // takes frame 1 once handed over
      rendering = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      SyncEngineRenderX::ReleaseGates();  // leaves without finishing
    });
    SyncEngineRenderX::EngineThreadDoneWithFrame();
    SyncEngineRenderX::EngineThreadDoneWithFrame();  // waits until the render thread lets go
    render.join();
    EXPECT_TRUE(rendering.load());
  }
  {  // never initialised: releasing lets a thread waiting for Init go
    SyncEngineRenderX sync;
    std::thread render([] { SyncEngineRenderX::WaitForInit(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    SyncEngineRenderX::ReleaseGates();
    render.join();
  }
}
