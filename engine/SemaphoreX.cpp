#include "engine/SemaphoreX.h"

#include <new>

#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"

SemaphoreX::SemaphoreX(int32_t initialCount, int32_t maxCount)
    : mInitialCount(initialCount), mMaxCount(maxCount) {
  Initilize();
}

SemaphoreX::~SemaphoreX() {
  if (mSemaphore) KX_ASSERT(!TryInc(), "SemaphoreX::~SemaphoreX");
}

void SemaphoreX::Initilize() {
  KX_ASSERT(!mSemaphore, "SemaphoreX::Initilize");
  KX_ASSERT(mInitialCount <= mMaxCount, "SemaphoreX::Initilize");
  mSemaphore.reset(new (std::nothrow) StateX);
  KX_ASSERT(mSemaphore, "SemaphoreX::Initilize");
  if (!mSemaphore) return;
  // A start count above the maximum is refused like the platform call would: start at the maximum.
  mSemaphore->count = mInitialCount <= mMaxCount ? mInitialCount : mMaxCount;
}

bool SemaphoreX::TryInc() {
  KX_ASSERT(mSemaphore, "SemaphoreX::TryInc");
  if (!mSemaphore) return false;
  {
    std::lock_guard<std::mutex> guard(mSemaphore->mutex);
    if (mSemaphore->count >= mMaxCount) return false;
    ++mSemaphore->count;
  }
  mSemaphore->available.notify_one();
  return true;
}

void SemaphoreX::Inc() {
  if (!TryInc()) ::AssertFailed(__FILE__, "SemaphoreX::Inc", __LINE__, "TryInc()");
}

bool SemaphoreX::TryDec(uint32_t /*timeout*/) {
  KX_ASSERT(mSemaphore, "SemaphoreX::TryDec");
  if (!mSemaphore) return false;
  std::unique_lock<std::mutex> guard(mSemaphore->mutex);
  mSemaphore->available.wait(guard, [this] { return mSemaphore->count > 0; });
  --mSemaphore->count;
  return true;
}

void SemaphoreX::Dec() {
  if (!TryDec(INVALID32))
    ::AssertFailed(__FILE__, "SemaphoreX::Dec", __LINE__, "TryDec(INVALID32)");
}

int32_t SemaphoreX::GetCount() const {
  if (!mSemaphore) return 0;
  std::lock_guard<std::mutex> guard(mSemaphore->mutex);
  return mSemaphore->count;
}
