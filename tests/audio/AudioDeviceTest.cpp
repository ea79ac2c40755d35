// The audio device heard through OpenAL Soft's loopback device: placement left and right,
// distance attenuation, looping and stopping, the listener following the camera, sounds
// following their owners (while audio is switched on) and letting go of destroyed ones, and
// the sound library.
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
  // The roll-off of 0.2 is heard in GetsQuieterWithDistanceAsTheModelSays.
  EXPECT_EQ(alGetFloat(AL_DOPPLER_FACTOR), 0.0f);
  EXPECT_EQ(alGetInteger(AL_DISTANCE_MODEL), AL_INVERSE_DISTANCE_CLAMPED);
}

// Engine axes are left-handed, OpenAL's right-handed: a slip in the crossing swaps the
// channels for some of these turns of the camera. The camera stands away from the origin, so
// a listener left behind there hears some of them on the wrong side.
struct SideCase {
  const char* name;
  SoundVectorX front, top, sound;
  const char* heard;
};

TEST_F(AudioDeviceTest, SoundIsHeardOnItsSideOfTheCamera) {
  const SideCase cases[] = {
      {"at rest, sound at -x", {0, 0, 1}, {0, 1, 0}, {700, 0, 0}, "left"},
      {"at rest, sound at +x", {0, 0, 1}, {0, 1, 0}, {1300, 0, 0}, "right"},
      {"facing +x, sound at -z", {1, 0, 0}, {0, 1, 0}, {1000, 0, -300}, "right"},
      {"facing -x, sound at -z", {-1, 0, 0}, {0, 1, 0}, {1000, 0, -300}, "left"},
      {"facing up, top at +x, sound at -z", {0, 1, 0}, {1, 0, 0}, {1000, 0, -300}, "left"},
  };
  mCamera.frame.mPosition = {1000.0f, 0.0f, 0.0f};
  for (const SideCase& c : cases) {
    SCOPED_TRACE(c.name);
    mCamera.frame.mFront = c.front;
    mCamera.frame.mTop = c.top;
    SoundX* sound = mDevice->AddAmbientSound("tone.wav", c.sound);
    ASSERT_NE(sound, nullptr);
    Apply();
    EXPECT_EQ(HeardFrom(), c.heard);
    ASSERT_TRUE(mDevice->ReleaseSound(sound));
  }
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
  mCamera.frame.mPosition = {1000.0f, 0.0f, 0.0f};
  mDevice->Update(0.05f);
  mDevice->Update(0.05f);
  EXPECT_EQ(mCamera.reads, 0);  // not yet a tenth of a second
  EXPECT_EQ(mDevice->GetListenerParams().mPosition.x, 0.0f);
  mDevice->Update(0.05f);
  EXPECT_EQ(mCamera.reads, 1);
  EXPECT_EQ(mDevice->GetListenerParams().mPosition.x, 1000.0f);
}

// While audio is switched off no sound is handed out or plays, and nothing is moved.
TEST_F(AudioDeviceTest, SoundFollowsItsOwnerWhileAudioIsOn) {
  EXPECT_TRUE(mDevice->IsEnabled());  // on without an engine
  FakeOwner bot({-400.0f, 0.0f, 0.0f});
  SoundX* sound = mDevice->AddSound("tone.wav", &bot);
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->GetOwner(), &bot);
  EXPECT_EQ(sound->GetParams().mMinDistance, 50.0f);
  EXPECT_EQ(sound->GetParams().mMaxDistance, 100000.0f);
  EXPECT_EQ(sound->GetParams().mPosition.x, -400.0f);

  mDevice->SetEnabled(false);
  EXPECT_EQ(mDevice->AddSound("tone.wav", &bot), nullptr);
  EXPECT_EQ(mDevice->AddAmbientSound("tone.wav", {}), nullptr);
  EXPECT_FALSE(sound->GetSound()->Play(SOUNDPLAY_LOOPING));
  bot.frame.mPosition = {400.0f, 0.0f, 0.0f};
  Apply();
  EXPECT_EQ(mCamera.reads, 0);
  EXPECT_EQ(sound->GetParams().mPosition.x, -400.0f);
  EXPECT_EQ(Measure().Both(), 0.0);
  EXPECT_TRUE(mLog.Asserts().empty());

  mDevice->SetEnabled(true);
  ASSERT_TRUE(sound->GetSound()->Play(SOUNDPLAY_LOOPING));
  Apply();
  EXPECT_EQ(sound->GetParams().mPosition.x, 400.0f);
  EXPECT_EQ(HeardFrom(), "right");
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
  const std::vector<uint8_t> quake = WaveBuilder::Make({.frames = 300});
  WriteSound(mQuakeFolder, "tone.wav", quake);
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
  WriteSound(".", "loose.wav", quake);
  EXPECT_EQ(mLibrary->FindSoundFile("loose.wav"), "loose.wav");
  EXPECT_EQ(mLibrary->FindSoundFile("missing.wav"), "");
  EXPECT_EQ(mLibrary->FindSoundFile(""), "");
}

TEST_F(AudioDeviceTest, UnusableFilesGiveNoSound) {
  std::vector<uint8_t> cut = WaveBuilder::Make({});
  cut.resize(cut.size() / 2);
  struct Case {
    const char* file;
    std::vector<uint8_t> bytes;  // none: no such file
    const char* logged;
  };
  const Case cases[] = {{"stereo.wav", WaveBuilder::Make({.channels = 2}), "must be mono"},
                        {"cut.wav", cut, "exceeds the file"},
                        {"adpcm.wav", WaveBuilder::Make({.formatTag = 2}), "not PCM"},
                        {"missing.wav", {}, "not found"}};
  FakeOwner owner;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    if (!c.bytes.empty()) WriteSound(mSoundFolder, c.file, c.bytes);
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
