// The engine object in this process: the frame limiter's arithmetic, the message pump, and the
// start-up and ordered stop as they appear in the log.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "HeadlessVideoX.h"
#include "ScratchFolderX.h"
#include "audio/AudioDirectXX.h"
#include "engine/ErrorHandlerX.h"
#include "engine/KorvelX.h"
#include "engine/MessagePumpX.h"
#include "engine/ThreadManagerX.h"
#include "render/SyncEngineRenderX.h"
#include "tests/engine/KorvelXStopLines.h"

TEST(FrameLimiter, SleepsTheRestOfTheBudgetAndCarriesIt) {
  float carry = 0.0f;
  // A frame of 1 ms: 1/300 s - 1 ms = 2.33 ms, so 2 ms of sleep and 2.33 ms of carry.
  EXPECT_EQ(KorvelX::ComputeFrameLimit(0.001f, 300.0f, carry), 2);
  EXPECT_NEAR(carry, 1.0f / 300.0f - 0.001f, 1e-7f);
  // The next frame's dt holds that sleep; the carry takes it out again.
  EXPECT_EQ(KorvelX::ComputeFrameLimit(0.001f + carry, 300.0f, carry), 2);
  // A frame that overran the budget sleeps nothing and drops the carry.
  EXPECT_EQ(KorvelX::ComputeFrameLimit(0.010f, 300.0f, carry), 0);
  EXPECT_EQ(carry, 0.0f);
  // Less than a whole millisecond left: no sleep.
  EXPECT_EQ(KorvelX::ComputeFrameLimit(0.003f, 300.0f, carry), 0);
  EXPECT_EQ(carry, 0.0f);
  EXPECT_EQ(KorvelX::ComputeFrameLimit(0.0f, 60.0f, carry), 16);
  // Nonsense input never sleeps long.
  EXPECT_EQ(KorvelX::ComputeFrameLimit(0.0f, 0.0f, carry), 1000);
  carry = 0.0f;
  EXPECT_EQ(KorvelX::ComputeFrameLimit(std::nanf(""), 300.0f, carry), 0);
  EXPECT_EQ(carry, 0.0f);
}

namespace {
class QueueSourceX : public IMessageSourceX {
 public:
  bool PeekMessageX(MessageX& message) override {
    if (mQueue.empty()) return false;
    message = mQueue.front();
    mQueue.pop_front();
    return true;
  }
  void DispatchMessageX(const MessageX& message) override { mDispatched.push_back(message); }
  void Post(MessageX::TypeX type, uint8_t key = 0, bool left = false, bool right = false) {
    MessageX message;
    message.mType = type;
    message.mKey = key;
    message.mLeftButton = left;
    message.mRightButton = right;
    mQueue.push_back(message);
  }
  std::deque<MessageX> mQueue;
  std::vector<MessageX> mDispatched;
};

class KeysX : public IInputTargetX {
 public:
  void SetKey(uint8_t key, bool down) override { mKeys[key] = down ? 1 : 0; }
  void SetMouseButtons(bool left, bool right) override {
    mLeft = left;
    mRight = right;
  }
  int mKeys[256] = {};
  bool mLeft = false, mRight = false;
};
}  // namespace

TEST(MessagePump, KeysAndButtonsGoToInputOthersAreDispatchedQuitStops) {
  QueueSourceX source;
  KeysX keys;
  source.Post(MessageX::MESSAGE_KEYDOWN, 'W');
  source.Post(MessageX::MESSAGE_KEYDOWN, 'A');
  source.Post(MessageX::MESSAGE_KEYUP, 'A');  // pressed and released in one frame: up again
  source.Post(MessageX::MESSAGE_MOUSEBUTTONS, 0, true, false);
  source.Post(MessageX::MESSAGE_OTHER);
  EXPECT_FALSE(PumpMessages(source, &keys));
  EXPECT_EQ(keys.mKeys['W'], 1);
  EXPECT_EQ(keys.mKeys['A'], 0);
  EXPECT_TRUE(keys.mLeft);
  EXPECT_FALSE(keys.mRight);
  EXPECT_EQ(source.mDispatched.size(), 1u);

  source.Post(MessageX::MESSAGE_KEYDOWN, 255);
  source.Post(MessageX::MESSAGE_QUIT);
  source.Post(MessageX::MESSAGE_KEYDOWN, 'Q');
  EXPECT_TRUE(PumpMessages(source, nullptr));  // without input handler keys are dropped
  EXPECT_EQ(source.mQueue.size(), 1u);         // the pump stops at the quit message
}

namespace {
// Runs an engine in a scratch folder that holds Resources/.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseOffscreenVideoWithoutDisplay();
    std::filesystem::create_directories(mFolder.File("Resources"));
  }
  ScratchFolderX mFolder;
  WorkingFolderX mWorking{mFolder.Path()};
};
}  // namespace

TEST_F(EngineTest, StartsRunsFramesAndStopsInTheFixedOrder) {
  {
    KorvelX korvelX;
    EXPECT_EQ(GetKorvelX(), &korvelX);
    EXPECT_NE(GetErrorHandler(), nullptr);
    EXPECT_TRUE(ThreadManagerX::HasThreadManagerX());
    korvelX.Init();
    EXPECT_TRUE(KorvelX::IsAudioEnabled());
    EXPECT_TRUE(korvelX.GetAudioDevice()->IsEnabled());  // handed to the device it made

    // Loading: frames are not limited and not handed over.
    korvelX.dt = 0.001f;
    korvelX.Update();
    EXPECT_EQ(korvelX.GetSleepCarry(), 0.0f);

    korvelX.SignalInitialized();
    EXPECT_TRUE(SyncEngineRenderX::IsRunning());
    QueueSourceX source;
    KeysX keys;
    korvelX.SetMessageSource(&source);
    korvelX.SetInputTarget(&keys);
    source.Post(MessageX::MESSAGE_KEYDOWN, 'B');
    korvelX.dt = 0.001f;
    korvelX.Update();  // running: the limiter sleeps 2 ms and keeps the carry
    EXPECT_NEAR(korvelX.GetSleepCarry(), 1.0f / 300.0f - 0.001f, 1e-6f);
    EXPECT_EQ(keys.mKeys['B'], 1);
    EXPECT_FALSE(korvelX.IsQuitting());
    source.Post(MessageX::MESSAGE_QUIT);
    korvelX.Update();
    EXPECT_TRUE(korvelX.IsQuitting());
    EXPECT_EQ(korvelX.GetFrameCount(), 3u);
    EXPECT_EQ(KorvelX::GetGlobalFrameCounter(), 3u);
    EXPECT_NEAR(korvelX.GetTotalTime(), 0.003f, 1e-6f);
  }
  EXPECT_EQ(GetKorvelX(), nullptr);
  EXPECT_EQ(GetErrorHandler(), nullptr);
  EXPECT_FALSE(ThreadManagerX::HasThreadManagerX());

  const std::vector<std::string> lines = LogLines(mFolder.File("LogFile.txt"));
  std::vector<std::string> stopLines = kKorvelXStopLines;
  stopLines.insert(stopLines.end() - 1, {"Destorying ThreadManager", "ThreadManager destroyed"});
  EXPECT_EQ(LinesAmong(lines, stopLines), stopLines);
  EXPECT_EQ(lines.back(), "KorvelX Stopped");
  EXPECT_TRUE(HasLine(lines, "KorvelX Initializing"));
  EXPECT_TRUE(HasLine(lines, "Audio has been enabled"));
  EXPECT_TRUE(HasLine(lines, "KorvelX Initialized"));
  EXPECT_EQ(lines[0].rfind("Resolution of HighTimer is: ", 0), 0u);
}

TEST_F(EngineTest, ASecondEngineIsReportedAndTheFirstOneIsUnregisteredAtItsStop) {
  {
    KorvelX korvelX;
    korvelX.Init();
  }
  EXPECT_EQ(GetKorvelX(), nullptr);
  KorvelX again;  // no report: the first engine left no registration behind
  EXPECT_EQ(GetKorvelX(), &again);
}
