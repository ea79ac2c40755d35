// A machine without a sound device: the audio device says so once in the log, hands out no
// sounds and reports nothing, and its update does nothing.
#include <cstdlib>

#include "AudioFixture.h"

namespace {

// Before OpenAL Soft starts: offer it no output driver at all.
const bool sNoDrivers = setenv("ALSOFT_DRIVERS", "kx-no-such-driver", 1) == 0;

TEST(AudioNoDeviceTest, RunsSilentWithoutReports) {
  ASSERT_TRUE(sNoDrivers);
  ReportCaptureX log;
  AudioManagerX library("Resources\\Sound");
  AudioDirectXX device(&library);
  library.SetAudioDevice(&device);
  EXPECT_FALSE(device.Init());
  EXPECT_FALSE(device.IsAvailable());
  EXPECT_TRUE(log.HasLog("Audio unavailable"));

  FakeOwner camera;
  device.SetListener(&camera);
  EXPECT_EQ(device.AddSound("Gun_Silencer.wav", &camera), nullptr);
  EXPECT_EQ(device.AddAmbientSound("hiphop.wav", {-1370.6f, 360.0f, -1295.0f}), nullptr);
  EXPECT_EQ(device.OpenSound("Resources\\Sound\\volt.wav"), nullptr);
  EXPECT_EQ(library.GetSound("volt.wav"), nullptr);
  for (int i = 0; i < 30; ++i) device.Update(0.01f);
  EXPECT_EQ(device.GetNumberOfSounds(), 0u);
  EXPECT_EQ(camera.reads, 0);
  EXPECT_TRUE(log.Asserts().empty());
}

}  // namespace
