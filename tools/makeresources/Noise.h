// Deterministic hash noise: the same inputs give the same values on every run and machine.
#pragma once

#include <cmath>
#include <cstdint>

namespace kxres {

inline uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0) {
  uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

// Uniform value in [0, 1).
inline float Hash01(uint32_t a, uint32_t b = 0, uint32_t c = 0) {
  return static_cast<float>(Hash(a, b, c) >> 8) / 16777216.0f;
}

// Smooth value noise with period `period` cells (tiles seamlessly over period * cell pixels).
inline float ValueNoise(float x, float y, int period, uint32_t seed) {
  const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
  const float fx = x - xi, fy = y - yi;
  auto v = [&](int i, int j) {
    return Hash01(static_cast<uint32_t>((i % period + period) % period),
                  static_cast<uint32_t>((j % period + period) % period), seed);
  };
  const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const float a = v(xi, yi) + (v(xi + 1, yi) - v(xi, yi)) * sx;
  const float b = v(xi, yi + 1) + (v(xi + 1, yi + 1) - v(xi, yi + 1)) * sx;
  return a + (b - a) * sy;
}

// A few octaves of value noise over an image of `size` pixels, tiling seamlessly.
inline float Fractal(int px, int py, int size, int baseCells, uint32_t seed) {
  float sum = 0, amplitude = 0.5f, total = 0;
  for (int octave = 0, cells = baseCells; octave < 4; ++octave, cells *= 2) {
    sum += amplitude * ValueNoise(static_cast<float>(px) * cells / size,
                                  static_cast<float>(py) * cells / size, cells, seed + octave);
    total += amplitude;
    amplitude *= 0.5f;
  }
  return sum / total;
}

}  // namespace kxres
