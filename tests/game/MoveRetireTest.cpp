// A moving object taken out of the drawing is deleted only after the render thread has let go
// of it: its renderable reads the object's snapshot slot every frame until the removal is
// applied at a frame start. Runs on a real render device (skipped without a GL context).
#include <gtest/gtest.h>

#include <atomic>

#include "RenderHarnessX.h"
#include "ReportCaptureX.h"
#include "audio/SoundOwnerX.h"
#include "game/ObjectMoveableX.h"
#include "loaders/Object3DX.h"
#include "render/RenderDirectXX.h"

namespace {

std::atomic<int> sPrepared{0};
std::atomic<int> sMade{0};

// Reads the moveable's snapshot like a drawn mesh does; draws nothing.
class SnapshotReader : public IRenderableObjectX {
 public:
  explicit SnapshotReader(ObjectMoveableX* moveable) : mMoveable(moveable) {}
  void Prepare(const Matrix4X&, int32_t renderIndex) override {
    mLastZ = mMoveable->GetRenderMatrix(renderIndex).m[3][2];
    ++sPrepared;
  }
  void Draw() override {}
  float mLastZ = 0.0f;

 private:
  ObjectMoveableX* mMoveable;
};

class MoveRetireTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!mGL.Started()) GTEST_SKIP() << "no GL 3.3 context on this machine";
    sPrepared = 0;
    sMade = 0;
  }

  // A moveable followed by a sound link, which tells when it is destroyed.
  ObjectMoveableX* NewMoveable() {
    auto* moveable = new ObjectMoveableX(&mObject);
    moveable->mPosition = {0.0f, 0.0f, 7.0f};
    moveable->Update(0.0f);
    moveable->TakeRenderSnapshotBoth();
    mLink.Attach(moveable);
    mGL.MakeWith(moveable, [moveable] {
      ++sMade;
      return new SnapshotReader(moveable);
    });
    return moveable;
  }

  ReportCaptureX mLog;  // the render thread logs through the hooks too
  RenderHarnessX mGL;
  RenderDirectXX* mDevice = &mGL.Device();
  TestHost* mHost = &mGL.Host();
  Object3DX mObject{StringX("shot")};
  SoundOwnerLinkX mLink;
};

TEST_F(MoveRetireTest, ARemovedMoveableLivesUntilTheRenderThreadLetGo) {
  ObjectMoveableX* moveable = NewMoveable();
  mDevice->AddObjectMoveable(moveable);
  mHost->WaitFrames(2);
  ASSERT_EQ(mDevice->GetRenderableCount(), 1u);
  ASSERT_GT(sPrepared.load(), 0);

  // Between two frames: the removal is posted, the render thread has not applied it yet.
  mHost->Hold();
  RemoveAndDestroyObjectMoveable(mDevice, moveable);
  mDevice->CollectRetired();
  EXPECT_FALSE(mLink.IsOrphaned());
  EXPECT_EQ(mDevice->GetRetiredCount(), 1u);
  mHost->Release();
  mHost->WaitFrames(1);
  mDevice->CollectRetired();
  EXPECT_TRUE(mLink.IsOrphaned());
  EXPECT_EQ(mDevice->GetRenderableCount(), 0u);
  EXPECT_EQ(mDevice->GetRetiredCount(), 0u);
}

TEST_F(MoveRetireTest, AnAddAndARemoveInOneFrameLeaveNothingAndFreeTheObject) {
  mHost->WaitFrames(1);
  mHost->Hold();
  ObjectMoveableX* moveable = NewMoveable();
  mDevice->AddObjectMoveable(moveable);
  RemoveAndDestroyObjectMoveable(mDevice, moveable);
  mHost->Release();
  mHost->WaitFrames(2);
  mDevice->CollectRetired();
  EXPECT_TRUE(mLink.IsOrphaned());
  EXPECT_EQ(sMade.load(), 0);
  EXPECT_EQ(mDevice->GetRenderableCount(), 0u);
}

}  // namespace
