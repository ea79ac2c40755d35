#include "audio/Sound3DX.h"

#include <AL/al.h>

namespace {

// Left-handed engine axes to OpenAL's right-handed ones.
void ToOpenAL(const SoundVectorX& v, ALfloat* out) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = -v.z;
}

// The speed of sound in metres per second; OpenAL wants it in engine units per second.
constexpr float kSpeedOfSound = 343.3f;

}  // namespace

void ApplySound3DParams(uint32_t source, const Sound3DParamsX& params, float rolloffFactor) {
  ALfloat position[3] = {0.0f, 0.0f, 0.0f};
  ALfloat velocity[3] = {0.0f, 0.0f, 0.0f};
  if (params.mMode != SOUND3DMODE_DISABLE) {
    ToOpenAL(params.mPosition, position);
    ToOpenAL(params.mVelocity, velocity);
  }
  alSourcei(source, AL_SOURCE_RELATIVE, params.mMode == SOUND3DMODE_NORMAL ? AL_FALSE : AL_TRUE);
  alSourcefv(source, AL_POSITION, position);
  alSourcefv(source, AL_VELOCITY, velocity);
  alSourcef(source, AL_REFERENCE_DISTANCE, params.mMinDistance);
  alSourcef(source, AL_MAX_DISTANCE, params.mMaxDistance);
  alSourcef(source, AL_ROLLOFF_FACTOR, rolloffFactor);
}

void ApplyListenerParams(const ListenerParams3DX& params) {
  ALfloat position[3];
  ALfloat velocity[3];
  ALfloat orientation[6];
  ToOpenAL(params.mPosition, position);
  ToOpenAL(params.mVelocity, velocity);
  ToOpenAL(params.mOrientFront, orientation);
  ToOpenAL(params.mOrientTop, orientation + 3);
  alListenerfv(AL_POSITION, position);
  alListenerfv(AL_VELOCITY, velocity);
  alListenerfv(AL_ORIENTATION, orientation);
  alDopplerFactor(params.mDopplerFactor);
  if (params.mDistanceFactor > 0.0f) alSpeedOfSound(kSpeedOfSound / params.mDistanceFactor);
}
