#include "audio/SoundX.h"

SoundX::SoundX(CSound* sound, SoundOwnerX* owner) : mHasFixedPosition(false), mSound(sound) {
  mOwner.Attach(owner);
}

SoundX::SoundX(CSound* sound, const SoundVectorX& position)
    : mHasFixedPosition(true), mFixedPosition(position), mSound(sound) {}

SoundX::~SoundX() = default;

SoundVectorX SoundX::ReadPosition() {
  return mHasFixedPosition ? mFixedPosition : mOwner.Read().mPosition;
}
