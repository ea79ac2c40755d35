// The snapshot slots under the real frame hand-off: the engine thread moves an object and the
// camera and writes the slot of its buffer index, a render thread reads the slot of its own.
// The object's animation frames travel in the same slot as its matrix.
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

// The animation frames the engine gives the object in the frame that moves it to `z`: each
// drawn frame must see the frames of exactly the engine frame whose placement it draws.
void SetFramesFor(Movement3DX& moveable, float z) {
  const uint32_t step = static_cast<uint32_t>(z);
  moveable.mFrameFrom = step;
  moveable.mFrameTo = step + 1;
  moveable.mFrameFraction = static_cast<float>(step % 4) * 0.25f;
}

bool FramesMatch(const Movement3DX& moveable, int32_t slot, float z) {
  uint32_t from = 0, to = 0;
  float fraction = -1.0f;
  moveable.GetRenderFrames(slot, from, to, fraction);
  const uint32_t step = static_cast<uint32_t>(z);
  return from == step && to == step + 1 && fraction == static_cast<float>(step % 4) * 0.25f;
}

TEST(MoveSnapshotThreadsTest, WriterAndReaderNeverShareASlot) {
  constexpr int kFrames = 400;
  SyncEngineRenderX sync;
  Object3DX object{StringX("bot")};
  ObjectMoveableX moveable(&object);
  CameraX camera;
  camera.mClipping = false;
  SetFramesFor(moveable, 0.0f);
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
      if (!FramesMatch(moveable, slot, position.z)) ++mismatches;
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
    // Like a bot: the animation advances before the move, the move takes the snapshot.
    SetFramesFor(moveable, static_cast<float>(frame + 1));
    moveable.Update(1.0f);
    // The live fields go on changing after the snapshot; the render thread must not see this.
    moveable.mFrameFraction = -1.0f;
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
