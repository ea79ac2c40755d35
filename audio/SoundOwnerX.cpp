#include "audio/SoundOwnerX.h"

SoundOwnerX::~SoundOwnerX() {
  while (mFirstLink) mFirstLink->OwnerDestroyed();
}

void SoundOwnerLinkX::Attach(SoundOwnerX* owner) {
  Detach();
  mOrphaned = false;
  if (!owner) return;
  mOwner = owner;
  mNext = owner->mFirstLink;
  if (mNext) mNext->mPrevious = this;
  owner->mFirstLink = this;
}

void SoundOwnerLinkX::Detach() {
  if (!mOwner) return;
  if (mPrevious) {
    mPrevious->mNext = mNext;
  } else {
    mOwner->mFirstLink = mNext;
  }
  if (mNext) mNext->mPrevious = mPrevious;
  mOwner = nullptr;
  mPrevious = nullptr;
  mNext = nullptr;
}

void SoundOwnerLinkX::OwnerDestroyed() {
  Detach();
  mOrphaned = true;
}

const SoundFrameX& SoundOwnerLinkX::Read() {
  if (mOwner) mLastFrame = mOwner->GetSoundFrame();
  return mLastFrame;
}
