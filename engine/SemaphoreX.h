#pragma once
// SemaphoreX: a counting semaphore with a maximum count.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class SemaphoreX {
 public:
  SemaphoreX(int32_t initialCount, int32_t maxCount);
  // Reports when the count is below its maximum: someone still holds a unit.
  ~SemaphoreX();
  SemaphoreX(const SemaphoreX&) = delete;
  SemaphoreX& operator=(const SemaphoreX&) = delete;

  // Creates the semaphore with the stored counts (the constructor calls it).
  void Initilize();

  // Adds one unit; false when the count is already at its maximum.
  bool TryInc();
  // Adds one unit and reports when that was not possible.
  void Inc();
  // Takes one unit, waiting as long as it takes (the timeout is not used). False when the
  // semaphore does not exist.
  bool TryDec(uint32_t timeout);
  void Dec();

  int32_t GetCount() const;

 private:
  struct StateX {
    mutable std::mutex mutex;
    std::condition_variable available;
    int32_t count = 0;
  };

  std::unique_ptr<StateX> mSemaphore;
  int32_t mInitialCount;
  int32_t mMaxCount;
};
