#include "audio/CSound.h"

#include <AL/al.h>

#include "audio/CSoundManager.h"
#include "engine/FunctionLibraryX.h"
#include "engine/ReportHooksX.h"

CSound::CSound(CSoundManager* manager, SoundBufferX* data, const uint32_t* sources,
               uint32_t numberOfBuffers, uint32_t creationFlags)
    : mManager(manager),
      mData(data),
      mBuffers(new uint32_t[numberOfBuffers]),
      mNumBuffers(numberOfBuffers),
      mCreationFlags(creationFlags) {
  for (uint32_t i = 0; i < numberOfBuffers; ++i) mBuffers[i] = sources[i];
}

CSound::~CSound() {
  if (mNumBuffers) {
    alSourceStopv(static_cast<ALsizei>(mNumBuffers), mBuffers);
    alDeleteSources(static_cast<ALsizei>(mNumBuffers), mBuffers);
  }
  delete[] mBuffers;
  if (mManager) mManager->ReleaseBuffer(mData);
}

bool CSound::Play(uint32_t flags) {
  if (mManager && !mManager->IsEnabled()) return false;
  if (mNumBuffers == 0) {
    KX_ASSERT_MSG(false, "CSound::Play", "false");
    return false;
  }
  const uint32_t source = mBuffers[GetFreeBuffer()];
  alGetError();
  mLooping = (flags & SOUNDPLAY_LOOPING) != 0;
  alSourcef(source, AL_GAIN, 1.0f);
  alSourcei(source, AL_LOOPING, mLooping ? AL_TRUE : AL_FALSE);
  alSourcePlay(source);
  if (alGetError() != AL_NO_ERROR) {
    KX_ASSERT_MSG(false, "CSound::Play", "false");
    return false;
  }
  return true;
}

bool CSound::Stop() {
  if (mNumBuffers == 0) return false;
  alSourceStopv(static_cast<ALsizei>(mNumBuffers), mBuffers);
  return true;
}

bool CSound::Reset() {
  if (mNumBuffers == 0) return false;
  for (uint32_t i = 0; i < mNumBuffers; ++i) alSourcei(mBuffers[i], AL_SAMPLE_OFFSET, 0);
  return true;
}

bool CSound::IsSoundPlaying() const {
  for (uint32_t i = 0; i < mNumBuffers; ++i) {
    if (IsBufferPlaying(i)) return true;
  }
  return false;
}

uint32_t CSound::GetBuffer(uint32_t index) const {
  return index < mNumBuffers ? mBuffers[index] : 0;
}

uint32_t CSound::GetBufferSize() const { return mData ? mData->mSize : 0; }

const WaveFormatX& CSound::GetFormat() const {
  static const WaveFormatX sNoFormat;
  return mData ? mData->mFormat : sNoFormat;
}

uint32_t CSound::GetFreeBuffer() const {
  for (uint32_t i = 0; i < mNumBuffers; ++i) {
    if (!IsBufferPlaying(i)) return i;
  }
  return static_cast<uint32_t>(FunctionsX::Rand()) % mNumBuffers;
}

bool CSound::IsBufferPlaying(uint32_t index) const {
  ALint state = AL_STOPPED;
  alGetSourcei(mBuffers[index], AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}
