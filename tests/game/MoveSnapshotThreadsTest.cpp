// The snapshot slots under the real frame hand-off: the engine thread moves an object and the
// camera and writes the slot of its buffer index, a render thread reads the slot of its own.
// Run under ThreadSanitizer too: a shared slot would show as a data race.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "game/CameraX.h"
#include "game/ObjectMoveableX.h"
#include "loaders/Object3DX.h"
#include "render/SyncEngineRenderX.h"

namespace {

TEST(MoveSnapshotThreadsTest, WriterAndReaderNeverShareASlot) {
  constexpr int kFrames = 400;
  SyncEngineRenderX sync;
  Object3DX object{StringX("bot")};
  ObjectMoveableX moveable(&object);
  CameraX camera;
  camera.mClipping = false;
  moveable.TakeRenderSnapshotBoth();
  camera.TakeRenderSnapshotBoth();

  std::atomic<int32_t> renderSlot{-1};  // the slot the render thread reads now, -1 between frames
  std::atomic<bool> quit{false};
  std::atomic<bool> attached{false};
  std::atomic<int> sharedSlotSeen{0};
  std::vector<float> seen;  // the object's z in every drawn frame
  int mismatches = 0;

  std::thread render([&] {
    SyncEngineRenderX::WaitForInit();
    attached.store(true);
    while (!quit.load()) {
      const int32_t slot = SyncEngineRenderX::GetRenderBufferIndex();
      renderSlot.store(slot);
      const Vector3fX position = moveable.GetRenderPosition(slot);
      const Matrix4X& matrix = moveable.GetRenderMatrix(slot);
      if (matrix.m[3][2] != position.z) ++mismatches;
      // The camera flies along with the object: its view puts the object 10 ahead.
      const Matrix4X& view = camera.GetRenderMatrix(slot);
      if (view.m[3][2] != camera.GetRenderPosition(slot).z) ++mismatches;
      if (SyncEngineRenderX::IsRunning()) seen.push_back(position.z);
      renderSlot.store(-1);
      SyncEngineRenderX::RenderThreadDoneWithFrame();
    }
  });

  SyncEngineRenderX::InitDone();
  // Frames are paced only once the render thread has attached to the hand-off.
  while (!attached.load()) std::this_thread::yield();
  SyncEngineRenderX::SetRunning();
  moveable.mSpeed = 1.0f;
  camera.mSpeed = 1.0f;
  for (int frame = 0; frame < kFrames; ++frame) {
    moveable.Update(1.0f);
    camera.Update(1.0f);
    const int32_t written = SyncEngineRenderX::GetEngineBufferIndex();
    if (renderSlot.load() == written) ++sharedSlotSeen;
    SyncEngineRenderX::EngineThreadDoneWithFrame();
  }
  quit.store(true);
  SyncEngineRenderX::ReleaseGates();
  render.join();

  EXPECT_EQ(sharedSlotSeen.load(), 0);
  EXPECT_EQ(mismatches, 0);
  // Paced: every drawn frame is the next engine frame, none skipped, none drawn twice.
  ASSERT_GE(seen.size(), static_cast<size_t>(kFrames - 2));
  for (size_t i = 1; i < seen.size(); ++i) {
    if (seen[i] == seen[i - 1]) continue;  // the frame drawn after the gates were released
    EXPECT_EQ(seen[i], seen[i - 1] + 1.0f) << "frame " << i;
  }
}

}  // namespace
