#include "engine/FunctionLibraryX.h"

#include <atomic>
#include <cstring>

#include "engine/ReportHooksX.h"

namespace {
std::atomic<uint32_t> sUniqueNumber{0};
std::atomic<uint32_t> sRandState{1};

constexpr uint32_t NextRandState(uint32_t state) { return state * 214013u + 2531011u; }
}  // namespace

namespace FunctionsX {

void IntToStr(int32_t value, char* result) {
  KX_ASSERT(result, "FunctionsX::IntToStr");
  if (!result) return;
  // 64-bit magnitude: the most negative value has no positive int32_t counterpart.
  int64_t magnitude = value;
  char* out = result;
  if (magnitude < 0) {
    *out++ = '-';
    magnitude = -magnitude;
  }
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (count > 0) *out++ = digits[--count];
  *out = 0;
}

uint32_t GetUniqueNumber() { return sUniqueNumber.fetch_add(1, std::memory_order_relaxed) + 1; }

int32_t Rand() {
  uint32_t state = sRandState.load(std::memory_order_relaxed);
  uint32_t next = NextRandState(state);
  while (!sRandState.compare_exchange_weak(state, next, std::memory_order_relaxed))
    next = NextRandState(state);
  return static_cast<int32_t>((next >> 16) & 0x7FFFu);
}

void SeedRand(uint32_t seed) { sRandState.store(seed, std::memory_order_relaxed); }

int32_t RandomInt(int32_t min, int32_t max) {
  const float r = static_cast<float>(Rand());
  return static_cast<int32_t>(r * (1.0f / 32767.0f) *
                                  static_cast<float>(static_cast<int64_t>(max) - min) +
                              static_cast<float>(min));
}

uint32_t RandomUInt(uint32_t min, uint32_t max) {
  const double r = static_cast<double>(Rand());
  return static_cast<uint32_t>(r * (1.0 / 32767.0) *
                                   (static_cast<double>(max) - static_cast<double>(min)) +
                               static_cast<double>(min));
}

int8_t RandomChar(int8_t min, int8_t max) {
  const float r = static_cast<float>(Rand());
  return static_cast<int8_t>(r * (1.0f / 32767.0f) *
                                 static_cast<float>(static_cast<int64_t>(max) - min) +
                             static_cast<float>(min));
}

uint8_t RandomByte() {
  return static_cast<uint8_t>(static_cast<int32_t>(static_cast<float>(Rand()) / 32767.0f * 255.0f));
}

void MemClear(void* memory, size_t size) {
  if (memory && size) std::memset(memory, 0, size);
}

}  // namespace FunctionsX
