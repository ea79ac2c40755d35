#pragma once
// A sound: one or more voices (OpenAL sources) over the shared sample data of one wave file.
// Each voice can play at the same time as the others; the first voice carries the 3D
// parameters of the sound. Voices are held by their OpenAL source names (plain uint32_t).
#include <cstdint>

#include "audio/CWaveFile.h"

class CSoundManager;
struct SoundBufferX;

// Play flags (DSBPLAY_*).
enum SoundPlayX : uint32_t {
  SOUNDPLAY_LOOPING = 1,
};

class CSound {
 public:
  // Takes over one reference to `data` and the `numberOfBuffers` sources.
  CSound(CSoundManager* manager, SoundBufferX* data, const uint32_t* sources,
         uint32_t numberOfBuffers, uint32_t creationFlags);
  ~CSound();
  CSound(const CSound&) = delete;
  CSound& operator=(const CSound&) = delete;

  // Plays a free voice from its start at full volume, looping with SOUNDPLAY_LOOPING. When
  // every voice is busy a random one restarts. False while its sound manager's audio is
  // switched off (CSoundManager::SetEnabled) or without voices.
  bool Play(uint32_t flags = 0);
  // Stops every voice; false without voices.
  bool Stop();
  // Moves every voice back to its start (a playing voice goes on from there); false without
  // voices.
  bool Reset();

  bool IsSoundPlaying() const;
  // True when the last Play asked for looping.
  bool IsLooping() const { return mLooping; }

  // The source of voice `index` (0 when out of range).
  uint32_t GetBuffer(uint32_t index) const;
  uint32_t GetNumberOfBuffers() const { return mNumBuffers; }
  uint32_t GetBufferSize() const;
  const WaveFormatX& GetFormat() const;
  uint32_t GetCreationFlags() const { return mCreationFlags; }

 private:
  // The first voice that is not playing, else a random one.
  uint32_t GetFreeBuffer() const;
  bool IsBufferPlaying(uint32_t index) const;

  CSoundManager* mManager;
  SoundBufferX* mData;
  uint32_t* mBuffers;
  uint32_t mNumBuffers;
  uint32_t mCreationFlags;
  bool mLooping = false;
};
