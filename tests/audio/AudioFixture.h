#pragma once
// Something sounds and the listener can follow; and a sound folder tree in a fresh temporary
// working directory with the sound library and an audio device over OpenAL Soft's loopback
// device, which mixes into memory when asked.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "ReportCaptureX.h"
#include "WaveBuilder.h"
#include "audio/AudioDirectXX.h"
#include "audio/AudioManagerX.h"
#include "audio/CSoundManager.h"

// Something sounds can follow, placed by the test; counts how often it is read.
class FakeOwner final : public SoundOwnerX {
 public:
  explicit FakeOwner(SoundVectorX position = {}) { frame.mPosition = position; }
  SoundFrameX GetSoundFrame() const override {
    ++reads;
    return frame;
  }
  SoundFrameX frame;
  mutable int reads = 0;
};

// Root-mean-square level of each channel of interleaved stereo frames.
struct Levels {
  double left = 0.0;
  double right = 0.0;
  double Both() const { return std::sqrt((left * left + right * right) / 2.0); }
};

class AudioFixture : public testing::Test {
 protected:
  static constexpr uint32_t sRate = 22050;

  void SetUp() override {
    mOldDirectory = std::filesystem::current_path();
    static int counter = 0;
    mDirectory = std::filesystem::temp_directory_path() /
                 ("kx_audio_" + std::to_string(getpid()) + "_" + std::to_string(++counter));
    mSoundFolder = mDirectory / "Resources" / "Sound";
    mQuakeFolder = mDirectory / "Resources" / "QuakeBSP" / "Sound";
    std::filesystem::create_directories(mSoundFolder);
    std::filesystem::create_directories(mQuakeFolder);
    std::filesystem::current_path(mDirectory);
    // A quarter and a twentieth of a second of 441 Hz: whole periods, so loops are seamless.
    WriteSound(mSoundFolder, "tone.wav",
               WaveBuilder::Make({.frames = sRate / 4, .frequency = 441}));
    WriteSound(mSoundFolder, "short.wav",
               WaveBuilder::Make({.frames = sRate / 20, .frequency = 441}));

    mLibrary = new AudioManagerX("Resources\\Sound\\");
    mDevice = new AudioDirectXX(mLibrary);
    mLibrary->SetAudioDevice(mDevice);
    ASSERT_TRUE(mDevice->InitLoopback(sRate));
    mDevice->SetListener(&mCamera);
  }

  void TearDown() override {
    delete mLibrary;
    delete mDevice;
    std::filesystem::current_path(mOldDirectory);
    std::filesystem::remove_all(mDirectory);
  }

  static void WriteSound(const std::filesystem::path& folder, const char* name,
                         const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(WaveBuilder::Write((folder / name).string(), bytes));
  }

  // Runs the audio update through one whole interval, so it acts once.
  void Apply() {
    mDevice->Update(AudioDirectXX::sUpdateInterval);
    mDevice->Update(0.0f);
  }

  std::vector<float> Render(uint32_t frames) {
    std::vector<float> mix(static_cast<size_t>(frames) * 2);
    EXPECT_TRUE(mDevice->GetSoundManager()->RenderLoopback(mix.data(), frames));
    return mix;
  }

  // Levels of `frames` frames, after a short settling of the mixer's gain changes.
  Levels Measure(uint32_t frames = sRate / 4) {
    Render(1024);
    const std::vector<float> mix = Render(frames);
    Levels levels;
    for (uint32_t i = 0; i < frames; ++i) {
      levels.left += mix[2 * i] * mix[2 * i];
      levels.right += mix[2 * i + 1] * mix[2 * i + 1];
    }
    levels.left = std::sqrt(levels.left / frames);
    levels.right = std::sqrt(levels.right / frames);
    return levels;
  }

  // "left" or "right" when one channel of the mix is over twice as loud as the other, else
  // "both".
  std::string HeardFrom() {
    const Levels levels = Measure();
    if (levels.left > 2.0 * levels.right) return "left";
    return levels.right > 2.0 * levels.left ? "right" : "both";
  }

  ReportCaptureX mLog;
  FakeOwner mCamera;
  AudioManagerX* mLibrary = nullptr;
  AudioDirectXX* mDevice = nullptr;
  std::filesystem::path mDirectory, mSoundFolder, mQuakeFolder, mOldDirectory;
};
