#include "Lightmapper.h"

#include <algorithm>
#include <cmath>

namespace kxres {

namespace {

constexpr float kLampReach = 600.0f;
constexpr float kLampFalloff = 120.0f;
constexpr float kLampHeadSize = 32.0f;
constexpr std::array<float, 3> kLampColour{150.0f, 118.0f, 70.0f};
constexpr std::array<float, 3> kSkyColour{9.0f, 11.0f, 20.0f};

// Solves the map point whose texture coordinates are (s, t) on the plane n.p = d.
Vec3f PointFromTexture(const bsp_texinfo& ti, const std::array<float, 3>& n, float d, float s,
                       float t) {
  const float m[3][3] = {{ti.u_axis.x, ti.u_axis.y, ti.u_axis.z},
                         {ti.v_axis.x, ti.v_axis.y, ti.v_axis.z},
                         {n[0], n[1], n[2]}};
  const float r[3] = {s - ti.u_offset, t - ti.v_offset, d};
  auto det3 = [](const float a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const float det = det3(m);
  float out[3];
  for (int c = 0; c < 3; ++c) {  // Cramer's rule
    float mc[3][3];
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) mc[row][col] = col == c ? r[row] : m[row][col];
    out[c] = det3(mc) / det;
  }
  return {out[0], out[1], out[2]};
}

}  // namespace

std::array<float, 3> Lightmapper::Light(const Vec3f& p, const std::array<float, 3>& n) const {
  // The sky: up-facing surfaces see more of it.
  const float skyView = 0.55f + 0.45f * n[2];
  std::array<float, 3> c{kSkyColour[0] * skyView, kSkyColour[1] * skyView, kSkyColour[2] * skyView};
  for (const StreetLamp& lamp : mCity.Lamps()) {
    const float dx = lamp.light.x - p.x, dy = lamp.light.y - p.y, dz = lamp.light.z - p.z;
    const float d2 = dx * dx + dy * dy + dz * dz;
    if (d2 > kLampReach * kLampReach) continue;
    const float d = std::sqrt(d2);
    const float facing = (dx * n[0] + dy * n[1] + dz * n[2]) / std::max(d, 1.0f);
    if (facing <= 0) continue;
    // The lamp head overhangs its post: the post itself casts no shadow on the lit ground.
    const float stop = std::max(0.0f, (d - kLampHeadSize) / d);
    if (mCity.Blocked(p, {p.x + dx * stop, p.y + dy * stop, p.z + dz * stop})) continue;
    const float edge = 1.0f - d / kLampReach;  // fades to zero at the reach
    const float strength = facing * edge / (1.0f + d2 / (kLampFalloff * kLampFalloff)) * 2.6f;
    for (int k = 0; k < 3; ++k) c[k] += kLampColour[k] * strength;
  }
  return c;
}

std::vector<uint8_t> Lightmapper::Bake(const std::vector<std::array<float, 3>>& points,
                                       const std::array<float, 3>& normal,
                                       const bsp_texinfo& texInfo,
                                       const bsp_lightmap_extent& extent) const {
  const float dist = points[0][0] * normal[0] + points[0][1] * normal[1] + points[0][2] * normal[2];
  std::array<float, 3> lo = points[0], hi = points[0];
  for (const auto& p : points)
    for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);

  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(extent.Width()) * extent.Height() * 3);
  for (int j = 0; j < static_cast<int>(extent.Height()); ++j)
    for (int i = 0; i < static_cast<int>(extent.Width()); ++i) {
      const float s = static_cast<float>(extent.s_min + 16 * i);
      const float t = static_cast<float>(extent.t_min + 16 * j);
      Vec3f p = PointFromTexture(texInfo, normal, dist, s, t);
      // Keep the sample on the face and lift it off the surface.
      p.x = std::clamp(p.x, lo[0], hi[0]) + normal[0];
      p.y = std::clamp(p.y, lo[1], hi[1]) + normal[1];
      p.z = std::clamp(p.z, lo[2], hi[2]) + normal[2];
      const std::array<float, 3> c = Light(p, normal);
      for (float v : c) out.push_back(static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f));
    }
  return out;
}

}  // namespace kxres
