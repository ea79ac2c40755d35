#pragma once
// The library of sounds by name: finds a wave file in the sound folders
// ("Resources\QuakeBSP\Sound\" first, then "Resources\Sound\") and opens it as a CSound on the
// audio device.
#include "foundation/ArrayX.h"
#include "foundation/StringX.h"

class AudioDirectXX;
class CSound;

class AudioManagerX {
 public:
  // `baseFolder` is the engine's sound folder ("Resources\Sound\").
  explicit AudioManagerX(const StringX& baseFolder);
  ~AudioManagerX() = default;
  AudioManagerX(const AudioManagerX&) = delete;
  AudioManagerX& operator=(const AudioManagerX&) = delete;

  // The device GetSound opens sounds on (the engine sets it once the device exists).
  void SetAudioDevice(AudioDirectXX* device) { mAudioDevice = device; }

  // A new sound opened on the device from the file FindSoundFile finds; null when there is no
  // such file or no device. The caller owns it and deletes it before the device goes. Sounds
  // made from one file share its data.
  CSound* GetSound(const StringX& name);
  // The first folder + name that opens for reading, else the name itself, else "".
  StringX FindSoundFile(const StringX& name) const;

  const StringX& GetBaseFolder() const { return mBaseFolder; }
  uint32_t GetNumberOfFolders() const;
  const StringX& GetFolder(uint32_t index) const;

 private:
  static bool CanOpen(const StringX& path);

  StringX mBaseFolder;
  ArrayX<StringX> mFolders;
  AudioDirectXX* mAudioDevice = nullptr;
};
