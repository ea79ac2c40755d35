#pragma once
// ArrayX<T>: the engine's growable contiguous array, capped at GENERAL_MAX_SIZE elements.
// Growth is bounded (at most 1000 slots at a time). Elements are constructed in place, moved
// on relocation (a plain byte move for the types IsByteRelocatableX lists) and destroyed when
// removed or cleared, so any copyable type may be stored. Iterators are plain element pointers.
// Calls outside the limits are reported through AssertFailed and refused.
#include <algorithm>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"
#include "foundation/TypeNameX.h"

// Neither the size nor the capacity of an ArrayX goes beyond this many elements.
constexpr uint32_t GENERAL_MAX_SIZE = 1000000;

template <class T>
class ArrayX;

// Types whose objects may be moved to a new address by copying their bytes and forgetting the
// old ones (no destructor run there). Besides trivially copyable types, these are the engine's
// own owners of a heap block described by a pointer and counters.
template <class T>
struct IsByteRelocatableX : std::is_trivially_copyable<T> {};
template <>
struct IsByteRelocatableX<StringX> : std::true_type {};
template <class U>
struct IsByteRelocatableX<ArrayX<U>> : std::true_type {};

template <class T>
class ArrayX {
 public:
  using iterator = T*;
  using const_iterator = const T*;

  ArrayX() = default;
  ArrayX(const ArrayX& list) { CopyFrom(list); }
  ArrayX(ArrayX&& list) noexcept { Swap(list); }
  ~ArrayX() { Clear(); }

  ArrayX& operator=(const ArrayX& list) {
    if (this != &list) {
      Clear();
      CopyFrom(list);
    }
    return *this;
  }
  ArrayX& operator=(ArrayX&& list) noexcept {
    if (this != &list) {
      Clear();
      Swap(list);
    }
    return *this;
  }

  uint32_t Size() const { return mReachedSize; }
  bool Empty() const { return mReachedSize == 0; }
  uint32_t Capacity() const { return mCurrentSize; }

  // Unchecked: the index must be below Size().
  T& operator[](uint32_t index) { return mItems[index]; }
  const T& operator[](uint32_t index) const { return mItems[index]; }

  iterator begin() { return mItems; }
  iterator end() { return mItems + mReachedSize; }
  const_iterator begin() const { return mItems; }
  const_iterator end() const { return mItems + mReachedSize; }

  // Appends a copy of item; false when the array is already at GENERAL_MAX_SIZE.
  bool Add(const T& item) {
    if (mReachedSize >= GENERAL_MAX_SIZE) {
      Report("Add", __LINE__, "mReachedSize < GENERAL_MAX_SIZE");
      return false;
    }
    if (mReachedSize == mCurrentSize) {
      const uint32_t extra = mReachedSize ? std::min(2 * mReachedSize, 1000u) : 1u;
      GrowAround(mReachedSize, CappedCapacity(extra), item);
    } else {
      new (mItems + mReachedSize) T(item);
    }
    ++mReachedSize;
    return true;
  }

  // Inserts a copy of item before index (index == Size() appends).
  bool Insert(uint32_t index, const T& item) {
    if (index > mReachedSize) {
      Report("Insert", __LINE__, "index <= mReachedSize");
      return false;
    }
    if (mReachedSize >= GENERAL_MAX_SIZE) {
      Report("Insert", __LINE__, "mReachedSize < GENERAL_MAX_SIZE");
      return false;
    }
    if (mReachedSize == mCurrentSize) {
      GrowAround(index, CappedCapacity(std::min(2 * mReachedSize + 1, 1000u)), item);
    } else if (Holds(&item)) {
      const T copy(item);  // the shift below would move the original
      OpenGap(index);
      new (mItems + index) T(copy);
    } else {
      OpenGap(index);
      new (mItems + index) T(item);
    }
    ++mReachedSize;
    return true;
  }

  // Inserts into an ascending array so that it stays ascending; an equal item goes before its
  // equal neighbour.
  bool InsertSorted(const T& item) {
    const uint32_t position = SortedPosition(item);
    if (position == INVALID32) {
      if (!Empty()) Report("InsertSorted", __LINE__, "Empty()");
      return Add(item);
    }
    return Insert(mItems[position] < item ? position + 1 : position, item);
  }

  // The first element equal to item, or end().
  iterator Find(const T& item) {
    for (iterator ite = begin(); ite != end(); ++ite)
      if (*ite == item) return ite;
    return end();
  }
  const_iterator Find(const T& item) const { return const_cast<ArrayX*>(this)->Find(item); }

  // Removes the element at ite by moving the last element into its slot (order not kept).
  // False at end() and for an iterator outside the array.
  bool Remove(iterator ite) {
    if (ite == end()) return false;
    return RemoveAt(IndexOf(ite), "Remove");
  }
  template <std::integral I>
  bool Remove(I index) {
    return RemoveAt(ToIndex(index), "Remove");
  }

  // Removes the element at ite and moves the following ones down, keeping their order; ite
  // then points at the element that followed.
  bool RemoveStable(iterator ite) {
    if (ite == end()) return false;
    return RemoveStableAt(IndexOf(ite), "RemoveStable");
  }
  template <std::integral I>
  bool RemoveStable(I index) {
    return RemoveStableAt(ToIndex(index), "RemoveStable");
  }

  // Adds room for extra more elements, up to GENERAL_MAX_SIZE.
  void IncreaseSize(uint32_t extra) {
    if (mCurrentSize >= GENERAL_MAX_SIZE) {
      Report("IncreaseSize", __LINE__, "GENERAL_MAX_SIZE > mCurrentSize");
      return;
    }
    const uint32_t capacity = CappedCapacity(extra);
    if (capacity != mCurrentSize) Reallocate(capacity);
  }

  // Sets the size to count: new elements are value-initialised (zero for plain types), surplus
  // ones destroyed. Room is made for exactly count elements when the capacity is too small.
  bool Resize(uint32_t count) {
    if (count > GENERAL_MAX_SIZE) {
      Report("Resize", __LINE__, "count <= GENERAL_MAX_SIZE");
      return false;
    }
    if (count > mCurrentSize) Reallocate(count);
    for (uint32_t i = mReachedSize; i < count; ++i) new (mItems + i) T();
    for (uint32_t i = count; i < mReachedSize; ++i) mItems[i].~T();
    mReachedSize = count;
    return true;
  }

  // Destroys the elements and frees the storage.
  void Clear() {
    std::destroy_n(mItems, mReachedSize);
    Free(mItems, mCurrentSize);
    mItems = nullptr;
    mReachedSize = 0;
    mCurrentSize = 0;
  }

 private:
  static constexpr bool kByteMovable = IsByteRelocatableX<T>::value;

  static void Report(const char* method, int line, const char* text) {
    const std::string function = "ArrayX<" + TypeNameX<T>() + ">::" + method;
    AssertFailed(__FILE__, function.c_str(), line, text);
  }

  static T* Allocate(uint32_t count) { return std::allocator<T>().allocate(count); }
  static void Free(T* items, uint32_t count) {
    if (items) std::allocator<T>().deallocate(items, count);
  }

  // Moves count elements from src to dst, leaving src's slots raw; dst must not lie inside
  // (src, src + count).
  static void MoveDown(T* dst, T* src, uint32_t count) {
    if (!count) return;
    if constexpr (kByteMovable) {
      // GCC 12 loses track of the block sizes once this is inlined into a growth path and
      // reports reads past a one-element block that the counts above rule out.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif
      std::memmove(static_cast<void*>(dst), static_cast<const void*>(src), count * sizeof(T));
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    } else {
      for (uint32_t i = 0; i < count; ++i) {
        new (dst + i) T(std::move(src[i]));
        src[i].~T();
      }
    }
  }

  // Moves elements [index, size) up by one slot, leaving slot index raw (capacity permitting).
  void OpenGap(uint32_t index) {
    const uint32_t count = mReachedSize - index;
    if (!count) return;
    T* first = mItems + index;
    if constexpr (kByteMovable) {
      std::memmove(static_cast<void*>(first + 1), static_cast<const void*>(first),
                   count * sizeof(T));
    } else {
      for (uint32_t i = count; i-- > 0;) {
        new (first + i + 1) T(std::move(first[i]));
        first[i].~T();
      }
    }
  }

  uint32_t CappedCapacity(uint32_t extra) const {
    return static_cast<uint32_t>(
        std::min<uint64_t>(uint64_t{mCurrentSize} + extra, GENERAL_MAX_SIZE));
  }

  void Reallocate(uint32_t capacity) {
    T* items = Allocate(capacity);
    MoveDown(items, mItems, mReachedSize);
    Free(mItems, mCurrentSize);
    mItems = items;
    mCurrentSize = capacity;
  }

  // Moves into a new block of `capacity` slots with a copy of item at index; the copy is made
  // before the old block goes, so item may be one of this array's elements.
  void GrowAround(uint32_t index, uint32_t capacity, const T& item) {
    T* items = Allocate(capacity);
    new (items + index) T(item);
    MoveDown(items, mItems, index);
    if (index < mReachedSize) MoveDown(items + index + 1, mItems + index, mReachedSize - index);
    Free(mItems, mCurrentSize);
    mItems = items;
    mCurrentSize = capacity;
  }

  bool Holds(const T* item) const {
    return !std::less<const T*>()(item, begin()) && std::less<const T*>()(item, end());
  }

  // Index of an element pointer, or INVALID32 for a pointer that is not into this array.
  uint32_t IndexOf(const T* ite) const {
    return Holds(ite) ? static_cast<uint32_t>(ite - begin()) : INVALID32;
  }

  template <std::integral I>
  static uint32_t ToIndex(I index) {
    if constexpr (std::is_signed_v<I>) {
      if (index < 0) return INVALID32;
    }
    if (static_cast<uint64_t>(index) >= INVALID32) return INVALID32;
    return static_cast<uint32_t>(index);
  }

  bool RemoveAt(uint32_t index, const char* method) {
    if (index >= mReachedSize) {
      Report(method, __LINE__, "index < mReachedSize");
      return false;
    }
    const uint32_t last = mReachedSize - 1;
    if (index != last) mItems[index] = std::move(mItems[last]);
    mItems[last].~T();
    mReachedSize = last;
    return true;
  }

  bool RemoveStableAt(uint32_t index, const char* method) {
    if (index >= mReachedSize) {
      Report(method, __LINE__, "index < mReachedSize");
      return false;
    }
    mItems[index].~T();
    MoveDown(mItems + index, mItems + index + 1, mReachedSize - index - 1);
    --mReachedSize;
    return true;
  }

  // Binary search for InsertSorted: INVALID32 on an empty array, else the position of an equal
  // element or of the last element checked.
  uint32_t SortedPosition(const T& item) const {
    const uint32_t n = mReachedSize;
    if (!n) return INVALID32;
    uint32_t lo = 0;
    uint32_t hi = n;
    uint32_t mid = n / 2;
    if (!mid) return 0;
    do {
      if (mItems[mid] == item) break;
      if (mItems[mid] < item)
        lo = mid;
      else
        hi = mid;
      mid = lo + (hi - lo) / 2;
    } while (hi - lo >= 2);
    return mid;
  }

  void CopyFrom(const ArrayX& list) {
    if (!list.mCurrentSize) return;
    mItems = Allocate(list.mCurrentSize);
    mCurrentSize = list.mCurrentSize;
    std::uninitialized_copy_n(list.mItems, list.mReachedSize, mItems);
    mReachedSize = list.mReachedSize;
  }

  void Swap(ArrayX& list) noexcept {
    std::swap(mItems, list.mItems);
    std::swap(mReachedSize, list.mReachedSize);
    std::swap(mCurrentSize, list.mCurrentSize);
  }

  T* mItems = nullptr;
  uint32_t mReachedSize = 0;
  uint32_t mCurrentSize = 0;
};
