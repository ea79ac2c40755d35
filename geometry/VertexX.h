#pragma once
// The engine's one full vertex format, stored by value in every vertex list (44 bytes).
#include <cstdint>

#include "geometry/Vector3fX.h"

struct TexCoordX {
  float u = 0.f;
  float v = 0.f;
};

struct VertexX {
  Vector3fX position;
  Vector3fX normal;
  TexCoordX texCoord;
  TexCoordX lightmapCoord;
  uint32_t colour = 0xFF000000u;  // ARGB, opaque black

  // Orders by the ten floats in field order (ordering tolerance), then the four colour bytes as
  // unsigned bytes in memory order. Returns -1, 0 or 1.
  static int Compare(const VertexX& a, const VertexX& b);

  bool operator<(const VertexX& o) const { return Compare(*this, o) < 0; }
  bool operator==(const VertexX& o) const { return Compare(*this, o) == 0; }
  bool operator!=(const VertexX& o) const { return Compare(*this, o) != 0; }
};
static_assert(sizeof(VertexX) == 44, "VertexX is the 44-byte vertex format");
