#pragma once
// The engine's audio device (backed by OpenAL Soft): owns the sound manager and the 3D
// listener, keeps one SoundX per sound placed in the world, and ten times a second moves the
// listener with the camera and every sound with its owner.
//
// Wiring: the device is made over the sound library (AudioManagerX::SetAudioDevice points the
// library back at it), then Init; the camera becomes the listener with SetListener.
//
// A machine without a sound device is a normal case: Init logs that audio is unavailable and
// from then on every entry point does nothing and hands out no sound, so the game runs silent.
//
// Audio can be switched off (SetEnabled): then no sound is handed out, placed sounds do not
// play and the update does nothing. It is on from the start; the engine hands its own setting
// in when it makes the device.
#include <cstdint>
#include <memory>

#include "audio/Sound3DX.h"
#include "audio/SoundOwnerX.h"
#include "audio/SoundX.h"
#include "foundation/BinarySearchTreeX.h"
#include "foundation/StringX.h"

class AudioManagerX;
class CSound;
class CSoundManager;

class AudioDirectXX {
 public:
  // Sounds are found by name in `soundLibrary` (may be null: AddSound then finds nothing).
  explicit AudioDirectXX(AudioManagerX* soundLibrary);
  // Deletes every sound still in its table, then the sound manager (made here, opened by Init).
  ~AudioDirectXX();
  AudioDirectXX(const AudioDirectXX&) = delete;
  AudioDirectXX& operator=(const AudioDirectXX&) = delete;

  // Opens the default output device and sets up the listener. False when there is none.
  bool Init();
  // The same over a loopback device that mixes into memory on request.
  bool InitLoopback(uint32_t frequency);
  // True after a successful Init.
  bool IsAvailable() const;

  // The audio switch, kept by the sound manager where every sound reads it; on by default.
  void SetEnabled(bool enabled);
  bool IsEnabled() const;

  // A new sound from a mono PCM wave file, or null (logged).
  CSound* OpenSound(const StringX& path);
  // A sound following `owner`, not started; null while audio is disabled or the file is
  // not found.
  SoundX* AddSound(const StringX& fileName, SoundOwnerX* owner);
  // A sound at `position`, started looping at once.
  SoundX* AddAmbientSound(const StringX& fileName, const SoundVectorX& position);
  // Takes the sound out of the table (false when absent); the caller then owns it.
  bool RemoveSound(SoundX* instance);
  // Takes the sound out of the table and deletes it with its voices.
  bool ReleaseSound(SoundX* instance);
  bool SetupBuffers(SoundX* instance);

  // The camera the listener follows (null: none).
  void SetListener(SoundOwnerX* camera) { mListenerOwner.Attach(camera); }

  // Every frame; acts once 0.1 s have gathered.
  void Update(float dt);

  CSoundManager* GetSoundManager() const { return mSoundManager.get(); }
  const ListenerParams3DX& GetListenerParams() const { return mListenerParams; }
  uint32_t GetNumberOfSounds() const { return mSounds.Size(); }
  bool HasSound(const SoundX* instance) const;

  static constexpr float sUpdateInterval = 0.1f;
  static constexpr float sMinDistance = 50.0f;
  static constexpr float sMaxDistance = 100000.0f;

 private:
  bool SetUpListener(bool deviceOpened);
  SoundX* PlaceSound(SoundX* instance);
  void UpdateSound(SoundX* instance);
  void UpdateListener(float elapsed);

  // The sounds placed, by address.
  BinarySearchTreeX<SoundX*, uintptr_t> mSounds;
  std::unique_ptr<CSoundManager> mSoundManager;
  ListenerParams3DX mListenerParams;
  float mUpdateTimer = 0.0f;
  AudioManagerX* mSoundLibrary;
  SoundOwnerLinkX mListenerOwner;
  bool mListenerPlaced = false;
};
