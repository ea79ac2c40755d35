#pragma once
// One sound placed in the world: at a fixed position, or following an owner (the camera, a
// bot, a shot). It owns its CSound. When its owner is destroyed it stays where the owner
// was last seen and no longer reads the owner.
#include <cstdint>
#include <memory>

#include "audio/CSound.h"
#include "audio/Sound3DX.h"
#include "audio/SoundOwnerX.h"

class SoundX {
 public:
  // A sound that follows `owner`.
  SoundX(CSound* sound, SoundOwnerX* owner);
  // A sound at a fixed place; the position is copied.
  SoundX(CSound* sound, const SoundVectorX& position);
  ~SoundX();
  SoundX(const SoundX&) = delete;
  SoundX& operator=(const SoundX&) = delete;

  CSound* GetSound() const { return mSound.get(); }
  SoundOwnerX* GetOwner() const { return mOwner.GetOwner(); }
  bool HasFixedPosition() const { return mHasFixedPosition; }
  // True once the owner was destroyed.
  bool IsOrphaned() const { return mOwner.IsOrphaned(); }
  const Sound3DParamsX& GetParams() const { return mBufferParams; }

 private:
  friend class AudioDirectXX;
  // The place to hear it from now: the fixed position, or the owner's (last known) one.
  SoundVectorX ReadPosition();

  bool mHasFixedPosition;
  SoundVectorX mFixedPosition;
  SoundOwnerLinkX mOwner;
  uint32_t m3DBuffer = 0;  // the first voice of mSound, which carries the 3D parameters
  Sound3DParamsX mBufferParams;
  std::unique_ptr<CSound> mSound;
};
