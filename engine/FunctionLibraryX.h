#pragma once
// FunctionsX: small free helpers used across the engine: integer to text, unique numbers, the
// engine-wide random generator, vector to text and memory clearing.
//
// Rand() is the C library generator every random choice in the engine uses (split-plane search,
// spawn points, bot decisions): range 0..32767, seeded 1 and never reseeded by the engine, so a
// run's choices repeat from start to start. One generator serves the whole process and may be
// called from any thread.
#include <cstddef>
#include <cstdint>

#include "foundation/StringX.h"

namespace FunctionsX {

constexpr int32_t RAND_MAX_X = 32767;

// Writes the decimal text of value and a terminating zero into result (at least 12 bytes).
void IntToStr(int32_t value, char* result);

// 1 on the first call, then 2, 3, ...
uint32_t GetUniqueNumber();
inline StringX GetUniqueNumberString() { return StringX() + GetUniqueNumber(); }

// Next value of the engine-wide generator, 0..32767: state = state * 214013 + 2531011, value =
// bits 16..30 of the state. The first values after start are 41, 18467, 6334, 26500, 19169.
int32_t Rand();
// Restarts the generator from seed (the C library's srand). The engine itself never calls it;
// tests use it to replay a sequence.
void SeedRand(uint32_t seed);

// Random value in [min, max]: (int)(r * (1 / 32767) * (max - min) + min) in float arithmetic.
int32_t RandomInt(int32_t min, int32_t max);
// The same for unsigned values, in double precision.
uint32_t RandomUInt(uint32_t min, uint32_t max);
// The same for signed 8-bit values.
int8_t RandomChar(int8_t min, int8_t max);
// (int)(r / 32767 * 255).
uint8_t RandomByte();

// "(" x "," y "," z ")" with the string class's float text.
inline StringX VectorToStr(float x, float y, float z) {
  return StringX("(") + x + "," + y + "," + z + ")";
}
template <class VectorT>
StringX VectorToStr(const VectorT& v) {
  return VectorToStr(v.x, v.y, v.z);
}

// Fills size bytes at memory with zero.
void MemClear(void* memory, size_t size);

}  // namespace FunctionsX
