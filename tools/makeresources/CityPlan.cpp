#include "CityPlan.h"

#include <algorithm>
#include <cmath>

namespace kxres {

namespace {

Rgba KindTint(CellKind kind) {
  switch (kind) {
    case CellKind::Street:
      return {70, 70, 80, 255};
    case CellKind::Plaza:
      return {110, 105, 100, 255};
    case CellKind::Terrace:
      return {150, 150, 120, 255};
    case CellKind::Stairs:
      return {200, 190, 120, 255};
    case CellKind::LampPost:
      return {255, 230, 120, 255};
    case CellKind::Border:
      return {40, 30, 30, 255};
    default:
      return {120, 90, 80, 255};
  }
}

}  // namespace

Image CityPlan::Draw(const CityLayout& city) {
  const auto& xs = city.Xs();
  const auto& ys = city.Ys();
  const int width = (xs.back() - xs.front()) / kUnitsPerPixel;
  const int height = (ys.back() - ys.front()) / kUnitsPerPixel;
  Image image(width, height);
  auto toPixel = [&](float x, float y) {
    return std::pair<int, int>{static_cast<int>((x - xs.front()) / kUnitsPerPixel),
                               height - 1 - static_cast<int>((y - ys.front()) / kUnitsPerPixel)};
  };
  for (int py = 0; py < height; ++py)
    for (int px = 0; px < width; ++px) {
      const float x = xs.front() + (px + 0.5f) * kUnitsPerPixel;
      const float y = ys.front() + (height - py - 0.5f) * kUnitsPerPixel;
      const int top = city.HeightAt(x, y);
      const int i = static_cast<int>(std::upper_bound(xs.begin(), xs.end(), x) - xs.begin()) - 1;
      const int j = static_cast<int>(std::upper_bound(ys.begin(), ys.end(), y) - ys.begin()) - 1;
      const Rgba tint = KindTint(city.Kind(i, j));
      // Higher columns are brighter.
      const float light = std::clamp(0.45f + (top - CityLayout::kStreet) / 1400.0f, 0.3f, 1.3f);
      image.Set(px, py,
                {static_cast<uint8_t>(std::min(255.0f, tint.r * light)),
                 static_cast<uint8_t>(std::min(255.0f, tint.g * light)),
                 static_cast<uint8_t>(std::min(255.0f, tint.b * light)), 255});
    }
  for (const GamePlace& place : CityLayout::GamePlaces()) {
    const Vec3f p = place.Map();
    const auto [cx, cy] = toPixel(p.x, p.y);
    const Rgba colour = place.name == "player start" ? Rgba{60, 255, 60, 255}
                        : place.radius > 0           ? Rgba{255, 50, 40, 255}
                                                     : Rgba{70, 140, 255, 255};
    const int r = std::max(3, static_cast<int>(place.radius / kUnitsPerPixel) + 1);
    for (int dy = -r; dy <= r; ++dy)
      for (int dx = -r; dx <= r; ++dx)
        if (place.radius > 0 ? std::abs(dx * dx + dy * dy - r * r) <= r
                             : std::max(std::abs(dx), std::abs(dy)) == r)
          image.Set(cx + dx, cy + dy, colour);
    image.Set(cx, cy, colour);
  }
  return image;
}

}  // namespace kxres
