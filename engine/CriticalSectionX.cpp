#include "engine/CriticalSectionX.h"

#include <new>

#include "engine/ReportHooksX.h"

CriticalSectionX::CriticalSectionX() : cs(new (std::nothrow) StateX) {
  KX_ASSERT(cs, "CriticalSectionX::CriticalSectionX");
}

CriticalSectionX::CriticalSectionX(uint32_t spinCount) : cs(new (std::nothrow) StateX) {
  KX_ASSERT(cs, "CriticalSectionX::CriticalSectionX");
  SetSpinCount(spinCount);
}

CriticalSectionX::~CriticalSectionX() = default;

bool CriticalSectionX::TryEnterLocked(StateX& state) {
  const std::thread::id self = std::this_thread::get_id();
  if (state.count == 0) {
    state.owner = self;
    state.count = 1;
    return true;
  }
  if (state.owner == self) {
    ++state.count;
    return true;
  }
  return false;
}

void CriticalSectionX::Enter() {
  if (!cs) return;
  const uint32_t spinCount = cs->spinCount.load(std::memory_order_relaxed);
  for (uint32_t spin = 0; spin < spinCount; ++spin) {
    {
      std::lock_guard<std::mutex> guard(cs->mutex);
      if (TryEnterLocked(*cs)) return;
    }
    std::this_thread::yield();
  }
  std::unique_lock<std::mutex> guard(cs->mutex);
  cs->released.wait(guard, [this] { return TryEnterLocked(*cs); });
}

void CriticalSectionX::Leave() {
  if (!cs) return;
  bool nowFree = false;
  {
    std::lock_guard<std::mutex> guard(cs->mutex);
    if (cs->count == 0) return;  // not held: nothing to leave
    if (--cs->count == 0) {
      cs->owner = std::thread::id();
      nowFree = true;
    }
  }
  if (nowFree) cs->released.notify_one();
}

bool CriticalSectionX::TryEnter() {
  if (!cs) return false;
  std::lock_guard<std::mutex> guard(cs->mutex);
  return TryEnterLocked(*cs);
}

void CriticalSectionX::SetSpinCount(uint32_t spinCount) {
  if (cs) cs->spinCount.store(spinCount, std::memory_order_relaxed);
}

bool CriticalSectionX::IsLocked() const {
  if (!cs) return false;
  std::lock_guard<std::mutex> guard(cs->mutex);
  return cs->count > 0;
}
