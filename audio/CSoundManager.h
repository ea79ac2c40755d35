#pragma once
// The sound device over OpenAL Soft: one output device with one context, the listener, and
// the sample data of every wave file in use, loaded once per file and shared by all the
// sounds made from it.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <cstdint>

#include "audio/CWaveFile.h"
#include "audio/Sound3DX.h"
#include "foundation/BinarySearchTreeX.h"
#include "foundation/StringX.h"

class CSound;

// Creation flags of a sound (DSBCAPS_*).
enum SoundCapsX : uint32_t {
  SOUNDCAPS_CTRL3D = 0x10,
};

// The sample data of one wave file in an OpenAL buffer, shared by reference count.
struct SoundBufferX {
  ALuint mBuffer = 0;
  WaveFormatX mFormat;
  uint32_t mSize = 0;
  uint32_t mReferences = 0;
  StringX mFileName;
};

class CSoundManager {
 public:
  CSoundManager() = default;
  ~CSoundManager();
  CSoundManager(const CSoundManager&) = delete;
  CSoundManager& operator=(const CSoundManager&) = delete;

  // Opens the default output device, mixing stereo at 22050 Hz (the primary buffer format)
  // without head-related filtering. A previous device is released first. False when there is
  // no device or no context can be made on it.
  bool Initialize();
  // Opens a loopback device that mixes only when asked (RenderLoopback): stereo float samples
  // at `frequency`. Used to hear the mix without a sound card.
  bool InitializeLoopback(uint32_t frequency);
  bool IsInitialized() const { return mContext != nullptr; }

  // Mixes the next `frames` stereo frames into buffer (2 floats each). Loopback only.
  bool RenderLoopback(float* buffer, uint32_t frames);

  // Changes to the listener and the sounds between these two calls reach the mix together.
  void BeginUpdates();
  void EndUpdates();

  // Writes the listener's parameters to the context.
  bool SetListenerParameters(const ListenerParams3DX& params);

  // A new sound from a wave file with `numberOfBuffers` voices over the file's shared data.
  // False (logged and reported) when the file cannot be used or no voice can be made.
  bool Create(CSound** sound, const StringX& fileName, uint32_t creationFlags,
              uint32_t numberOfBuffers = 1);
  // Gives back one reference to shared data (the sound's destructor calls it).
  void ReleaseBuffer(SoundBufferX* buffer);
  // Files whose data is loaded now.
  uint32_t GetNumberOfLoadedFiles() const { return mBuffers.Size(); }

 private:
  bool CreateContext(ALCdevice* device, const ALCint* attributes);
  void Release();
  SoundBufferX* AcquireBuffer(const StringX& fileName);
  // Copies the wave's data into buffer, the last frame completed with silence.
  static bool FillBufferWithSound(ALuint buffer, CWaveFile& wave);

  ALCdevice* mDevice = nullptr;
  ALCcontext* mContext = nullptr;
  bool mLoopback = false;
  float mRolloffFactor = 1.0f;
  LPALDEFERUPDATESSOFT mDeferUpdates = nullptr;
  LPALPROCESSUPDATESSOFT mProcessUpdates = nullptr;
  BinarySearchTreeX<SoundBufferX*, StringX> mBuffers;
};
