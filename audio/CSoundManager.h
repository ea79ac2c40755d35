#pragma once
// The sound device over OpenAL Soft: one output device with one context, the listener, and
// the sample data of every wave file in use, loaded once per file and shared by all the
// sounds made from it.
//
// OpenAL stays in the .cpp: buffers are held by their OpenAL names (plain uint32_t) and the
// device with its context lives behind an opaque struct.
//
// The manager carries the audio switch: while it is off no sound of this manager plays (the
// audio device also stops placing and updating sounds). It starts on, so tools and tests that
// run without an engine hear everything; the engine sets it from its own setting.
#include <atomic>
#include <cstdint>
#include <memory>

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
  uint32_t mBuffer = 0;
  WaveFormatX mFormat;
  uint32_t mSize = 0;
  uint32_t mReferences = 0;
  StringX mFileName;
};

class CSoundManager {
 public:
  CSoundManager();
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
  bool IsInitialized() const { return mOpenAL != nullptr; }

  // The audio switch (on by default); may be read from any thread.
  void SetEnabled(bool enabled) { mEnabled.store(enabled, std::memory_order_relaxed); }
  bool IsEnabled() const { return mEnabled.load(std::memory_order_relaxed); }

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
  // The open OpenAL device with its current context (defined in the .cpp).
  struct OpenALX;

  void Release();
  SoundBufferX* AcquireBuffer(const StringX& fileName);

  std::unique_ptr<OpenALX> mOpenAL;  // null while no device is open
  std::atomic<bool> mEnabled{true};
  float mRolloffFactor = 1.0f;
  BinarySearchTreeX<SoundBufferX*, StringX> mBuffers;
};
