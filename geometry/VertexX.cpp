#include "geometry/VertexX.h"

#include <cstring>

int VertexX::Compare(const VertexX& a, const VertexX& b) {
  const float fa[10] = {a.position.x,      a.position.y,     a.position.z, a.normal.x,
                        a.normal.y,        a.normal.z,       a.texCoord.u, a.texCoord.v,
                        a.lightmapCoord.u, a.lightmapCoord.v};
  const float fb[10] = {b.position.x,      b.position.y,     b.position.z, b.normal.x,
                        b.normal.y,        b.normal.z,       b.texCoord.u, b.texCoord.v,
                        b.lightmapCoord.u, b.lightmapCoord.v};
  for (int i = 0; i < 10; ++i) {
    if (int c = CompareOrdered(fa[i], fb[i])) return c;
  }
  uint8_t ca[4];
  uint8_t cb[4];
  std::memcpy(ca, &a.colour, 4);
  std::memcpy(cb, &b.colour, 4);
  for (int i = 0; i < 4; ++i) {
    if (ca[i] != cb[i]) return ca[i] < cb[i] ? -1 : 1;
  }
  return 0;
}
