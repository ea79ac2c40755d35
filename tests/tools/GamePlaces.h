// The places the game puts the player, the bots and the ambient sounds, in engine coordinates
// (y up), as the game set-up states them, and their conversion to map coordinates.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "geometry/Vector3fX.h"

namespace kxtest {

struct Place {
  std::string name;
  std::array<float, 3> engine;
  float radius;  // of what stands there; 0 for a sound
  // The map's (x, y, z) is the engine's (-x, z, -y); so map = (-ex, -ez, ey).
  Vector3fX Map() const { return {-engine[0], -engine[2], engine[1]}; }
};

inline std::vector<Place> GamePlaces() {
  std::vector<Place> places = {{"player", {-1100, 360, -1500}, 40}};
  const float spawns[18][3] = {
      {-697.45f, 380, -1026.516f},     {-1468.1741f, 388.00003f, -2169.5627f},
      {-969.65656f, 388, -2913.1072f}, {-591.1229f, 388, -2785.6848f},
      {-717.191f, 380, -3572.1907f},   {-757.4576f, 380, -3454.2896f},
      {-2141.5188f, 508, -3623.6655f}, {-3109.6213f, 452, -3410.1785f},
      {-2984.0525f, 452, -3410.3962f}, {-3643.4082f, 500.00003f, -2754.883f},
      {-3680.1304f, 452, -2467.1086f}, {-2926.637f, 452, -1991.4991f},
      {-2509.0627f, 452, -2000.1758f}, {-3370.9946f, 780, -2107.2236f},
      {-2317.6396f, 716, -2058.4226f}, {-2318.525f, 716, -2169.3f},
      {-2281.449f, 524, -1384.1842f},  {-1525.4681f, 488.4685f, -1697.8838f}};
  for (int i = 0; i < 18; ++i)
    places.push_back(
        {"spawn " + std::to_string(i), {spawns[i][0], spawns[i][1], spawns[i][2]}, 25});
  places.push_back({"hiphop.wav", {-1370.6f, 360, -1295}, 0});
  places.push_back({"ventilation.wav", {-2415.6f, 432, -2073.9f}, 0});
  places.push_back({"cricket.wav", {-144.3f, 401.9f, -1171.8f}, 0});
  places.push_back({"dog2.wav", {-564.7f, 368, -2750}, 0});
  return places;
}

}  // namespace kxtest
