// The audio device heard through OpenAL Soft's loopback device: placement left and right,
// distance attenuation, looping and stopping, the listener following the camera, sounds
// following their owners and letting go of destroyed ones, and the sound library.
#include <AL/al.h>

#include "AudioFixture.h"
#include "audio/CSound.h"
#include "engine/FunctionLibraryX.h"

namespace {

// DirectSound 3D's roll-off: full volume to the minimum distance, then
// min / (min + rolloff * (d - min)).
double ModelGain(double distance) {
  const double d = std::max(distance, 50.0);
  return 50.0 / (50.0 + 0.2 * (d - 50.0));
}

using AudioDeviceTest = AudioFixture;

TEST_F(AudioDeviceTest, InitSetsTheListenerUp) {
  EXPECT_TRUE(mDevice->IsAvailable());
  EXPECT_TRUE(mLog.HasLog("Init the sound module."));
  EXPECT_TRUE(mLog.HasLog("Sound module initilized."));
  const ListenerParams3DX& listener = mDevice->GetListenerParams();
  EXPECT_EQ(listener.mDistanceFactor, 100.0f);
  EXPECT_EQ(listener.mRolloffFactor, 0.2f);
  EXPECT_EQ(listener.mDopplerFactor, 0.0f);
  EXPECT_EQ(alGetFloat(AL_DOPPLER_FACTOR), 0.0f);
  EXPECT_EQ(alGetInteger(AL_DISTANCE_MODEL), AL_INVERSE_DISTANCE_CLAMPED);
}

TEST_F(AudioDeviceTest, SoundOnTheLeftIsLouderInTheLeftChannel) {
  // The camera at rest looks along +z with +x on its right.
  SoundX* sound = mDevice->AddAmbientSound("tone.wav", {-300.0f, 0.0f, 0.0f});
  ASSERT_NE(sound, nullptr);
  Apply();
  Levels left = Measure();
  EXPECT_GT(left.left, 2.0 * left.right) << left.left << " / " << left.right;

  ASSERT_TRUE(mDevice->ReleaseSound(sound));
  ASSERT_NE(mDevice->AddAmbientSound("tone.wav", {300.0f, 0.0f, 0.0f}), nullptr);
  Apply();
  Levels right = Measure();
  EXPECT_GT(right.right, 2.0 * right.left) << right.left << " / " << right.right;
}

TEST_F(AudioDeviceTest, GetsQuieterWithDistanceAsTheModelSays) {
  ASSERT_NE(mDevice->AddAmbientSound("tone.wav", {0.0f, 0.0f, 0.0f}), nullptr);
  mCamera.frame.mPosition = {0.0f, 0.0f, -50.0f};
  Apply();
  const double reference = Measure().Both();
  ASSERT_GT(reference, 0.05);
  for (float distance : {20.0f, 100.0f, 400.0f, 1600.0f, 6400.0f}) {
    SCOPED_TRACE(distance);
    mCamera.frame.mPosition = {0.0f, 0.0f, -distance};
    Apply();
    EXPECT_NEAR(Measure().Both() / reference, ModelGain(distance), 0.03 * ModelGain(distance));
  }
}

TEST_F(AudioDeviceTest, LoopingSoundKeepsPlayingAndStoppedOneIsSilent) {
  FakeOwner gun({0.0f, 0.0f, 100.0f});
  SoundX* looping = mDevice->AddSound("short.wav", &gun);
  ASSERT_NE(looping, nullptr);
  EXPECT_FALSE(looping->GetSound()->IsSoundPlaying());  // added, not started
  ASSERT_TRUE(looping->GetSound()->Play(SOUNDPLAY_LOOPING));
  Render(sRate);  // 20 times the sound's length
  EXPECT_TRUE(looping->GetSound()->IsSoundPlaying());
  EXPECT_GT(Measure().Both(), 0.05);

  ASSERT_TRUE(looping->GetSound()->Stop());
  EXPECT_FALSE(looping->GetSound()->IsSoundPlaying());
  EXPECT_EQ(Measure().Both(), 0.0);

  // Played once it ends by itself.
  ASSERT_TRUE(looping->GetSound()->Play());
  EXPECT_GT(Measure(sRate / 50).Both(), 0.05);
  Render(sRate / 10);
  EXPECT_FALSE(looping->GetSound()->IsSoundPlaying());
  EXPECT_EQ(Measure().Both(), 0.0);
}

TEST_F(AudioDeviceTest, ListenerFollowsTheCameraTenTimesASecond) {
  ASSERT_NE(mDevice->AddAmbientSound("tone.wav", {1000.0f, 0.0f, -300.0f}), nullptr);
  // The camera looks along +x: +z is on its left, -z on its right.
  mCamera.frame.mPosition = {1000.0f, 0.0f, 0.0f};
  mCamera.frame.mFront = {1.0f, 0.0f, 0.0f};
  mDevice->Update(0.05f);
  mDevice->Update(0.05f);
  EXPECT_EQ(mCamera.reads, 0);  // not yet a tenth of a second
  EXPECT_EQ(mDevice->GetListenerParams().mPosition.x, 0.0f);
  mDevice->Update(0.05f);
  EXPECT_EQ(mCamera.reads, 1);
  EXPECT_EQ(mDevice->GetListenerParams().mPosition.x, 1000.0f);
  EXPECT_EQ(mDevice->GetListenerParams().mOrientFront.x, 1.0f);
  Levels facingX = Measure();
  EXPECT_GT(facingX.right, 2.0 * facingX.left);

  // Turned around, the same sound is on the left.
  mCamera.frame.mFront = {-1.0f, 0.0f, 0.0f};
  Apply();
  Levels facingBack = Measure();
  EXPECT_GT(facingBack.left, 2.0 * facingBack.right);

  // Looking straight up with the top towards +x: -z is still on the right.
  mCamera.frame.mFront = {0.0f, 1.0f, 0.0f};
  mCamera.frame.mTop = {1.0f, 0.0f, 0.0f};
  mCamera.frame.mPosition = {1000.0f, 0.0f, -290.0f};
  Apply();
  ALfloat orientation[6];
  alGetListenerfv(AL_ORIENTATION, orientation);
  EXPECT_EQ(orientation[1], 1.0f);
  EXPECT_EQ(orientation[3], 1.0f);
}

TEST_F(AudioDeviceTest, SoundFollowsItsOwner) {
  FakeOwner bot({-400.0f, 0.0f, 0.0f});
  SoundX* sound = mDevice->AddSound("tone.wav", &bot);
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->GetOwner(), &bot);
  EXPECT_EQ(sound->GetParams().mMinDistance, 50.0f);
  EXPECT_EQ(sound->GetParams().mMaxDistance, 100000.0f);
  ASSERT_TRUE(sound->GetSound()->Play(SOUNDPLAY_LOOPING));
  Apply();
  Levels left = Measure();
  EXPECT_GT(left.left, 2.0 * left.right);
  bot.frame.mPosition = {400.0f, 0.0f, 0.0f};
  Apply();
  EXPECT_EQ(sound->GetParams().mPosition.x, 400.0f);
  Levels right = Measure();
  EXPECT_GT(right.right, 2.0 * right.left);
}

TEST_F(AudioDeviceTest, DestroyedOwnerIsNeverReadAgain) {
  auto* bot = new FakeOwner({-400.0f, 0.0f, 0.0f});
  SoundX* death = mDevice->AddSound("short.wav", bot);
  SoundX* engine = mDevice->AddSound("tone.wav", bot);
  SoundX* kept = mDevice->AddSound("tone.wav", bot);
  ASSERT_TRUE(death && engine && kept);
  ASSERT_TRUE(mDevice->ReleaseSound(kept));  // let go before the owner: unlinked cleanly
  ASSERT_TRUE(death->GetSound()->Play());
  ASSERT_TRUE(engine->GetSound()->Play(SOUNDPLAY_LOOPING));
  Apply();
  delete bot;  // AddressSanitizer reports any later read of it

  // The looping sound goes at once; the death sound plays out where the bot was.
  Apply();
  EXPECT_FALSE(mDevice->HasSound(engine));
  ASSERT_TRUE(mDevice->HasSound(death));
  EXPECT_TRUE(death->IsOrphaned());
  EXPECT_EQ(death->GetOwner(), nullptr);
  EXPECT_EQ(death->GetParams().mPosition.x, -400.0f);
  Render(sRate / 10);
  Apply();
  EXPECT_EQ(mDevice->GetNumberOfSounds(), 0u);
  EXPECT_EQ(mDevice->GetSoundManager()->GetNumberOfLoadedFiles(), 0u);
}

TEST_F(AudioDeviceTest, SoundsOfOneFileShareTheirData) {
  FakeOwner a, b;
  SoundX* first = mDevice->AddSound("tone.wav", &a);
  SoundX* second = mDevice->AddSound("tone.wav", &b);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->GetSound()->GetBuffer(0), second->GetSound()->GetBuffer(0));
  EXPECT_EQ(mDevice->GetSoundManager()->GetNumberOfLoadedFiles(), 1u);
  EXPECT_TRUE(mDevice->RemoveSound(first));
  EXPECT_FALSE(mDevice->HasSound(first));
  delete first;  // the caller owns a removed sound
  EXPECT_EQ(mDevice->GetSoundManager()->GetNumberOfLoadedFiles(), 1u);
  EXPECT_TRUE(mDevice->ReleaseSound(second));
  EXPECT_EQ(mDevice->GetSoundManager()->GetNumberOfLoadedFiles(), 0u);

  mLog.Clear();
  EXPECT_FALSE(mDevice->RemoveSound(second));
  EXPECT_EQ(mLog.Asserts().size(), 1u);
}

TEST_F(AudioDeviceTest, QuakeFolderWinsOverTheSoundFolder) {
  WaveSpec quake;
  quake.frames = 300;
  WriteSound("QuakeBSP", "tone.wav", WaveBuilder::Make(quake));
  EXPECT_EQ(mLibrary->FindSoundFile("tone.wav"), "Resources\\QuakeBSP\\Sound\\tone.wav");
  EXPECT_EQ(mLibrary->FindSoundFile("short.wav"), "Resources\\Sound\\short.wav");
  CSound* sound = mLibrary->GetSound("tone.wav");
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->GetBufferSize(), 600u);
  ALfloat rolloff = 0.0f;  // the listener's roll-off holds for sounds never placed too
  alGetSourcef(sound->GetBuffer(0), AL_ROLLOFF_FACTOR, &rolloff);
  EXPECT_EQ(rolloff, 0.2f);
  delete sound;

  // Then the name itself, else nothing.
  ASSERT_TRUE(WaveBuilder::Write("loose.wav", WaveBuilder::Make(quake)));
  EXPECT_EQ(mLibrary->FindSoundFile("loose.wav"), "loose.wav");
  EXPECT_EQ(mLibrary->FindSoundFile("missing.wav"), "");
  EXPECT_EQ(mLibrary->FindSoundFile(""), "");
}

TEST_F(AudioDeviceTest, UnusableFilesGiveNoSound) {
  WaveSpec stereo;
  stereo.channels = 2;
  WriteSound("Sound", "stereo.wav", WaveBuilder::Make(stereo));
  std::vector<uint8_t> cut = WaveBuilder::Make(WaveSpec());
  cut.resize(cut.size() / 2);
  WriteSound("Sound", "cut.wav", cut);
  WaveSpec adpcm;
  adpcm.formatTag = 2;
  WriteSound("Sound", "adpcm.wav", WaveBuilder::Make(adpcm));

  FakeOwner owner;
  struct Case {
    const char* file;
    const char* logged;
  };
  for (const Case& c : {Case{"stereo.wav", "must be mono"}, Case{"cut.wav", "exceeds the file"},
                        Case{"adpcm.wav", "not PCM"}, Case{"missing.wav", "not found"}}) {
    SCOPED_TRACE(c.file);
    mLog.Clear();
    EXPECT_EQ(mDevice->AddSound(c.file, &owner), nullptr);
    EXPECT_EQ(mDevice->AddAmbientSound(c.file, {}), nullptr);
    EXPECT_TRUE(mLog.HasLog(c.logged));
  }
  EXPECT_EQ(mDevice->GetNumberOfSounds(), 0u);
  EXPECT_EQ(mDevice->GetSoundManager()->GetNumberOfLoadedFiles(), 0u);
  Apply();
}

TEST_F(AudioDeviceTest, BusyVoiceRestartsOneChosenByRand) {
  CSound* sound = mLibrary->GetSound("tone.wav");
  ASSERT_NE(sound, nullptr);
  ASSERT_EQ(sound->GetNumberOfBuffers(), 1u);
  FunctionsX::SeedRand(1);
  ASSERT_TRUE(sound->Play());  // free: no draw
  Render(sRate / 10);
  ALint offset = 0;
  alGetSourcei(sound->GetBuffer(0), AL_SAMPLE_OFFSET, &offset);
  EXPECT_GT(offset, 0);
  ASSERT_TRUE(sound->Play());  // busy: rand() % 1 restarts the only voice
  alGetSourcei(sound->GetBuffer(0), AL_SAMPLE_OFFSET, &offset);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(FunctionsX::Rand(), 18467);  // the first value, 41, went to the choice
  delete sound;
}

}  // namespace
