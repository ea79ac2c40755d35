#pragma once
// What a sound can follow: anything with a place and an orientation in the world (the
// camera, a bot, a shot). The audio code reads it through this small interface only, so it
// knows nothing of the game's classes.
//
// Sounds and the listener hold a SoundOwnerLinkX to their owner. When the owner is destroyed
// its destructor cuts every link first: a linked sound then keeps the last place it read and
// never touches the destroyed object again.
#include <cstdint>

// A point or direction in engine coordinates (x right, y up, z forward).
struct SoundVectorX {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

// Where an owner is and how it is turned, as of the frame being built.
struct SoundFrameX {
  SoundVectorX mPosition;
  SoundVectorX mFront{0.0f, 0.0f, 1.0f};
  SoundVectorX mTop{0.0f, 1.0f, 0.0f};
};

class SoundOwnerLinkX;

class SoundOwnerX {
 public:
  // The owner's position from the snapshot of the frame being built, its forward and up axes.
  virtual SoundFrameX GetSoundFrame() const = 0;

 protected:
  SoundOwnerX() = default;
  // A copy starts with no sounds: they stay with the original.
  SoundOwnerX(const SoundOwnerX&) {}
  SoundOwnerX& operator=(const SoundOwnerX&) { return *this; }
  // Cuts every link; never deleted through this interface.
  ~SoundOwnerX();

 private:
  friend class SoundOwnerLinkX;
  SoundOwnerLinkX* mFirstLink = nullptr;
};

// One follower's tie to an owner. Not copyable: it lives inside the sound or listener that
// follows, and unlinks itself when that is destroyed.
class SoundOwnerLinkX {
 public:
  SoundOwnerLinkX() = default;
  ~SoundOwnerLinkX() { Detach(); }
  SoundOwnerLinkX(const SoundOwnerLinkX&) = delete;
  SoundOwnerLinkX& operator=(const SoundOwnerLinkX&) = delete;

  // Follows `owner` from now on (null: follows nothing). Clears the orphaned mark.
  void Attach(SoundOwnerX* owner);
  void Detach();

  SoundOwnerX* GetOwner() const { return mOwner; }
  // True once the owner was destroyed while linked (until the next Attach).
  bool IsOrphaned() const { return mOrphaned; }

  // Reads the owner's frame and remembers it; without an owner, the last frame read.
  const SoundFrameX& Read();
  const SoundFrameX& GetLastFrame() const { return mLastFrame; }

 private:
  friend class SoundOwnerX;
  void OwnerDestroyed();

  SoundOwnerX* mOwner = nullptr;
  SoundOwnerLinkX* mPrevious = nullptr;
  SoundOwnerLinkX* mNext = nullptr;
  SoundFrameX mLastFrame;
  bool mOrphaned = false;
};
