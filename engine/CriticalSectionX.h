#pragma once
// CriticalSectionX: a recursive lock. Its owner may enter it again; every Enter needs a Leave.
// Unlike a plain mutex it may be left by a thread other than the one that entered it (a gate
// handed from one thread to another) and destroyed while held.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class CriticalSectionX {
 public:
  CriticalSectionX();
  // spinCount: how often a contended Enter retries before it sleeps.
  explicit CriticalSectionX(uint32_t spinCount);
  ~CriticalSectionX();
  CriticalSectionX(const CriticalSectionX&) = delete;
  CriticalSectionX& operator=(const CriticalSectionX&) = delete;

  void Enter();
  // Leaves once; the lock is free when the last Enter has been left.
  void Leave();
  // True when the lock was taken without waiting.
  bool TryEnter();
  void SetSpinCount(uint32_t spinCount);
  // True while any thread holds the lock.
  bool IsLocked() const;

 private:
  struct StateX {
    mutable std::mutex mutex;
    std::condition_variable released;
    std::thread::id owner;
    uint32_t count = 0;
    std::atomic<uint32_t> spinCount{0};
  };
  bool TryEnterLocked(StateX& state);

  std::unique_ptr<StateX> cs;
};

// Enters a CriticalSectionX for the lifetime of the scope.
class ScopedLockX {
 public:
  explicit ScopedLockX(CriticalSectionX& lock) : mLock(lock) { mLock.Enter(); }
  ~ScopedLockX() { mLock.Leave(); }
  ScopedLockX(const ScopedLockX&) = delete;
  ScopedLockX& operator=(const ScopedLockX&) = delete;

 private:
  CriticalSectionX& mLock;
};
