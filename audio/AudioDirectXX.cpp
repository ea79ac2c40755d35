#include "audio/AudioDirectXX.h"

#include "audio/AudioManagerX.h"
#include "audio/CSound.h"
#include "audio/CSoundManager.h"
#include "engine/ReportHooksX.h"
#include "foundation/ArrayX.h"

namespace {

uintptr_t KeyOf(const SoundX* instance) { return reinterpret_cast<uintptr_t>(instance); }

// The listener's settings: 100 metres per unit (heard only through Doppler), a fifth of
// real-world roll-off, no Doppler shift.
constexpr float kDistanceFactor = 100.0f;
constexpr float kRolloffFactor = 0.2f;
constexpr float kDopplerFactor = 0.0f;

}  // namespace

AudioDirectXX::AudioDirectXX(AudioManagerX* soundLibrary)
    : mSoundManager(std::make_unique<CSoundManager>()), mSoundLibrary(soundLibrary) {}

AudioDirectXX::~AudioDirectXX() {
  mSounds.ClearAndDelete();
  mSoundManager.reset();
}

bool AudioDirectXX::Init() {
  LogMessage("Init the sound module.");
  if (IsAvailable()) return true;  // the sounds made so far stay on the open device
  return SetUpListener(mSoundManager->Initialize());
}

bool AudioDirectXX::InitLoopback(uint32_t frequency) {
  LogMessage("Init the sound module.");
  if (IsAvailable()) return true;
  return SetUpListener(mSoundManager->InitializeLoopback(frequency));
}

bool AudioDirectXX::SetUpListener(bool deviceOpened) {
  if (!deviceOpened) {
    LogMessage("Audio unavailable: no sound device could be opened, the game runs silent");
    return false;
  }
  mListenerParams = ListenerParams3DX();
  mListenerParams.mDistanceFactor = kDistanceFactor;
  mListenerParams.mRolloffFactor = kRolloffFactor;
  mListenerParams.mDopplerFactor = kDopplerFactor;
  mListenerPlaced = false;
  mSoundManager->SetListenerParameters(mListenerParams);
  LogMessage("Sound module initilized.");
  return true;
}

bool AudioDirectXX::IsAvailable() const { return mSoundManager->IsInitialized(); }

void AudioDirectXX::SetEnabled(bool enabled) { mSoundManager->SetEnabled(enabled); }

bool AudioDirectXX::IsEnabled() const { return mSoundManager->IsEnabled(); }

CSound* AudioDirectXX::OpenSound(const StringX& path) {
  if (!IsAvailable()) return nullptr;
  CSound* sound = nullptr;
  if (!mSoundManager->Create(&sound, path, SOUNDCAPS_CTRL3D)) {
    KX_ASSERT_MSG(false, "AudioDirectXX::OpenSound", "false");
    return nullptr;
  }
  if (sound->GetFormat().mChannels != 1) {
    LogMessage((StringX("Sound refused, 3D sounds must be mono: ") + path).GetCharArray());
    delete sound;
    KX_ASSERT_MSG(false, "AudioDirectXX::OpenSound", "false");
    return nullptr;
  }
  return sound;
}

SoundX* AudioDirectXX::AddSound(const StringX& fileName, SoundOwnerX* owner) {
  if (!IsEnabled() || !IsAvailable()) return nullptr;
  CSound* sound = mSoundLibrary ? mSoundLibrary->GetSound(fileName) : nullptr;
  if (!sound) {
    KX_ASSERT_MSG(false, "AudioDirectXX::AddSound", "false");
    return nullptr;
  }
  return PlaceSound(new SoundX(sound, owner));
}

SoundX* AudioDirectXX::AddAmbientSound(const StringX& fileName, const SoundVectorX& position) {
  if (!IsEnabled() || !IsAvailable()) return nullptr;
  CSound* sound = mSoundLibrary ? mSoundLibrary->GetSound(fileName) : nullptr;
  if (!sound) {
    KX_ASSERT_MSG(false, "AudioDirectXX::AddAmbientSound", "false");
    return nullptr;
  }
  SoundX* instance = PlaceSound(new SoundX(sound, position));
  sound->Play(SOUNDPLAY_LOOPING);
  return instance;
}

SoundX* AudioDirectXX::PlaceSound(SoundX* instance) {
  SetupBuffers(instance);
  mSounds.Add(instance, KeyOf(instance));
  instance->mBufferParams.mMinDistance = sMinDistance;
  instance->mBufferParams.mMaxDistance = sMaxDistance;
  UpdateSound(instance);
  return instance;
}

bool AudioDirectXX::SetupBuffers(SoundX* instance) {
  instance->m3DBuffer = instance->mSound ? instance->mSound->GetBuffer(0) : 0;
  if (!instance->m3DBuffer) {
    KX_ASSERT_MSG(false, "AudioDirectXX::SetupBuffers", "false");
    return false;
  }
  instance->mBufferParams.mMode = SOUND3DMODE_NORMAL;
  ApplySound3DParams(instance->m3DBuffer, instance->mBufferParams, mListenerParams.mRolloffFactor);
  return true;
}

bool AudioDirectXX::RemoveSound(SoundX* instance) {
  if (!mSounds.Remove(KeyOf(instance))) {
    KX_ASSERT_MSG(false, "AudioDirectXX::RemoveSound", "false");
    return false;
  }
  return true;
}

bool AudioDirectXX::ReleaseSound(SoundX* instance) {
  if (!RemoveSound(instance)) return false;
  delete instance;
  return true;
}

bool AudioDirectXX::HasSound(const SoundX* instance) const {
  return mSounds.Find(KeyOf(instance)) != nullptr;
}

void AudioDirectXX::Update(float dt) {
  if (mUpdateTimer < sUpdateInterval) {
    mUpdateTimer += dt;
    return;
  }
  const float elapsed = mUpdateTimer;
  mUpdateTimer = 0.0f;
  if (!IsEnabled() || !IsAvailable() || !mListenerOwner.GetOwner()) return;

  const SoundFrameX& camera = mListenerOwner.Read();
  const SoundVectorX& last = mListenerParams.mPosition;
  mListenerParams.mVelocity = SoundVectorX();
  if (mListenerPlaced && elapsed > 0.0f) {
    mListenerParams.mVelocity = {(camera.mPosition.x - last.x) / elapsed,
                                 (camera.mPosition.y - last.y) / elapsed,
                                 (camera.mPosition.z - last.z) / elapsed};
  }
  mListenerParams.mPosition = camera.mPosition;
  mListenerParams.mOrientFront = camera.mFront;
  mListenerParams.mOrientTop = camera.mTop;
  mListenerPlaced = true;

  mSoundManager->BeginUpdates();
  ArrayX<SoundX*> finished;
  for (auto& node : mSounds) {
    SoundX* instance = node.GetValue();
    // A sound whose owner is gone is released once it has played out (a looping one at once).
    if (instance->IsOrphaned() &&
        (instance->mSound->IsLooping() || !instance->mSound->IsSoundPlaying())) {
      finished.Add(instance);
    } else {
      UpdateSound(instance);
    }
  }
  for (SoundX* instance : finished) ReleaseSound(instance);
  mSoundManager->SetListenerParameters(mListenerParams);
  mSoundManager->EndUpdates();
}

void AudioDirectXX::UpdateSound(SoundX* instance) {
  instance->mBufferParams.mPosition = instance->ReadPosition();
  if (instance->m3DBuffer) {
    ApplySound3DParams(instance->m3DBuffer, instance->mBufferParams,
                       mListenerParams.mRolloffFactor);
  }
}
