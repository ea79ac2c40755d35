// Bakes the city's lightmaps: a dim night sky plus warm street lamps, shadowed by the
// height field. One luxel per 16 texture units, RGB bytes row by row.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "CityLayout.h"
#include "loaders/QuakeBspFormatX.h"

namespace kxres {

class Lightmapper {
 public:
  explicit Lightmapper(const CityLayout& city) : mCity(city) {}

  // points: the face's corners; normal: its outward unit normal.
  std::vector<uint8_t> Bake(const std::vector<std::array<float, 3>>& points,
                            const std::array<float, 3>& normal, const bsp_texinfo& texInfo,
                            const bsp_lightmap_extent& extent) const;

 private:
  std::array<float, 3> Light(const Vec3f& p, const std::array<float, 3>& normal) const;
  const CityLayout& mCity;
};

}  // namespace kxres
