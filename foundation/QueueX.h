#pragma once
// QueueX<T>: a fixed-capacity ring buffer. Items are stored in place; the head is the oldest
// item, the tail the newest, and both wrap to 0 at the capacity set by Initilize. A full queue
// ignores Push; callers that keep a bounded history Pop the oldest item first.
#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "engine/ReportHooksX.h"
#include "foundation/TypeNameX.h"

template <class T>
class QueueX {
 public:
  QueueX() = default;
  QueueX(const QueueX&) = delete;
  QueueX& operator=(const QueueX&) = delete;
  ~QueueX() {
    Clear();
    Free();
  }

  // Sets the capacity to maxSize; meant for an empty queue (anything left is destroyed).
  void Initilize(unsigned maxSize) {
    if (!Empty()) Report("Initilize", __LINE__, "Empty()");
    Clear();
    Free();
    if (maxSize) mItems = std::allocator<T>().allocate(maxSize);
    mMaxSize = maxSize;
  }

  // Adds a copy of item after the newest; false (nothing stored) when the queue is full.
  bool Push(const T& item) {
    if (mCount == mMaxSize) return false;
    if (mCount) mTail = Wrap(mTail + 1);
    new (mItems + mTail) T(item);
    ++mCount;
    return true;
  }

  // Destroys the oldest item; false when the queue is empty.
  bool Pop() {
    if (!mCount) return false;
    mItems[mHead].~T();
    mHead = Wrap(mHead + 1);
    if (--mCount == 0) mHead = mTail = 0;
    return true;
  }

  // Item index counted from the oldest (0). An index outside the items is reported and answered
  // with a value-initialised scratch item.
  T& GetItem(unsigned index) {
    if (!mCount) {
      Report("GetItem", __LINE__, "!Empty()");
      return Scratch();
    }
    if (index >= mCount) {
      Report("GetItem", __LINE__, "index < mCount");
      return Scratch();
    }
    return mItems[Wrap(mHead + index)];
  }
  const T& GetItem(unsigned index) const { return const_cast<QueueX*>(this)->GetItem(index); }

  // Destroys all items, newest first; the capacity stays.
  void Clear() {
    while (mCount) {
      mItems[mTail].~T();
      mTail = mTail ? mTail - 1 : mMaxSize - 1;
      --mCount;
    }
    mHead = mTail = 0;
  }

  bool Empty() const { return mCount == 0; }
  bool Full() const { return mCount == mMaxSize; }
  uint32_t Size() const { return mCount; }
  uint32_t Capacity() const { return mMaxSize; }

 private:
  static void Report(const char* method, int line, const char* text) {
    const std::string function = "QueueX<" + TypeNameX<T>() + ">::" + method;
    AssertFailed(__FILE__, function.c_str(), line, text);
  }

  static T& Scratch() {
    thread_local T sScratch{};
    sScratch = T{};
    return sScratch;
  }

  uint32_t Wrap(uint32_t index) const { return index >= mMaxSize ? index - mMaxSize : index; }

  void Free() {
    if (mItems) std::allocator<T>().deallocate(mItems, mMaxSize);
    mItems = nullptr;
    mMaxSize = 0;
  }

  T* mItems = nullptr;
  uint32_t mMaxSize = 0;
  uint32_t mCount = 0;
  uint32_t mHead = 0;  // oldest item
  uint32_t mTail = 0;  // newest item
};
