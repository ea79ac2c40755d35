#pragma once
// The 3D parameters of one sound and of the listener, and the one place where they are
// handed to OpenAL. A sound's voice is named by its OpenAL source name, held as a plain
// uint32_t so that no OpenAL header is needed here.
//
// Engine coordinates are left-handed (x right, y up, z forward: the camera's right, up and
// direction at rest); OpenAL's are right-handed. Every position, velocity and orientation
// crosses over with z negated, which keeps a sound on the engine's right on the listener's
// right.
#include <cstdint>

#include "audio/SoundOwnerX.h"

// How a sound's position is read (DS3DMODE_*).
enum Sound3DModeX : uint32_t {
  SOUND3DMODE_NORMAL = 0,        // a world position
  SOUND3DMODE_HEADRELATIVE = 1,  // relative to the listener
  SOUND3DMODE_DISABLE = 2,       // no 3D processing: heard at the listener
};

// One sound's 3D parameter block (DS3DBUFFER without the unused cone settings).
struct Sound3DParamsX {
  SoundVectorX mPosition;
  SoundVectorX mVelocity;
  float mMinDistance = 1.0f;
  float mMaxDistance = 1e9f;
  uint32_t mMode = SOUND3DMODE_NORMAL;
};

// The listener's parameter block (DS3DLISTENER).
struct ListenerParams3DX {
  SoundVectorX mPosition;
  SoundVectorX mVelocity;
  SoundVectorX mOrientFront{0.0f, 0.0f, 1.0f};
  SoundVectorX mOrientTop{0.0f, 1.0f, 0.0f};
  float mDistanceFactor = 1.0f;  // metres per engine unit
  float mRolloffFactor = 1.0f;
  float mDopplerFactor = 1.0f;
};

// Writes a sound's parameters to its source. OpenAL has no global roll-off, so the
// listener's roll-off factor is given to every source here.
void ApplySound3DParams(uint32_t source, const Sound3DParamsX& params, float rolloffFactor);
// Writes the listener's position, velocity and orientation, and the Doppler settings.
void ApplyListenerParams(const ListenerParams3DX& params);
