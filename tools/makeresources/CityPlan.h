// A top-down picture of the city for people: columns shaded by height, street lamps,
// the player start (green), the bot spawn points (red) and the ambient sounds (blue).
#pragma once

#include "CityLayout.h"
#include "Image.h"

namespace kxres {

class CityPlan {
 public:
  static constexpr int kUnitsPerPixel = 8;
  static Image Draw(const CityLayout& city);
};

}  // namespace kxres
