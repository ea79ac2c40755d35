// The wall textures of the city map: their names in the map, what they show, their WAL flags,
// and which texture covers the top and the sides of each kind of column.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CityLayout.h"
#include "TexturePainter.h"

namespace kxres {

struct CityTexture {
  std::string name;  // texture name in the map, e.g. "city/brick1"
  Surface surface;
  int size;        // pixels (and texture units) per side
  uint32_t flags;  // WAL surface flags
  uint32_t value;  // light value for emitting surfaces
};

const std::vector<CityTexture>& CityTextures();
const CityTexture& TopTexture(CellKind kind);
const CityTexture& SideTexture(CellKind kind);

}  // namespace kxres
