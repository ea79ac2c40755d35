#include "CityLayout.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Noise.h"

namespace kxres {

namespace {

constexpr Rect kWorld{-384, 448, 4224, 4224};
constexpr int kBorderTop = 1536;
constexpr int kStepRise = 16, kStepRun = 32;
constexpr int kLampPostHeight = 160;

// Streets of the low (west) district, at street level.
constexpr int kLowRows[][2] = {{960, 1216}, {1408, 1600}, {2048, 2304}, {2688, 2976}, {3392, 3712}};
constexpr int kBlockCols[][2] = {{-128, 512}, {800, 1344}, {1600, 2048}};
constexpr int kBlockRows[][2] = {{704, 960},   {1216, 1408}, {1600, 2048},
                                 {2304, 2688}, {2976, 3392}, {3712, 3968}};
constexpr int kVerticalStreets[][2] = {{512, 800}, {1344, 1600}};

}  // namespace

CityLayout::CityLayout() {
  Add(kWorld, kStreet, CellKind::Street);
  Add({-384, 448, -128, 4224}, kBorderTop, CellKind::Border);
  Add({3968, 448, 4224, 4224}, kBorderTop, CellKind::Border);
  Add({-128, 448, 3968, 704}, kBorderTop, CellKind::Border);
  Add({-128, 3968, 3968, 4224}, kBorderTop, CellKind::Border);
  AddLowDistrict();
  AddEastDistrict();
  Rasterise();
  AddLamps();
  Rasterise();
}

void CityLayout::AddStairs(const Rect& r, char direction, int baseTop, int topTop) {
  const int steps = (topTop - baseTop) / kStepRise - 1;
  const bool alongX = direction == 'E' || direction == 'W';
  const int length = alongX ? r.x1 - r.x0 : r.y1 - r.y0;
  if (steps < 1 || length != steps * kStepRun)
    throw std::logic_error("stairs do not fit their rectangle");
  for (int k = 0; k < steps; ++k) {
    Rect s = r;
    switch (direction) {
      case 'E':
        s.x0 = r.x0 + k * kStepRun, s.x1 = s.x0 + kStepRun;
        break;
      case 'W':
        s.x1 = r.x1 - k * kStepRun, s.x0 = s.x1 - kStepRun;
        break;
      case 'N':
        s.y0 = r.y0 + k * kStepRun, s.y1 = s.y0 + kStepRun;
        break;
      default:
        s.y1 = r.y1 - k * kStepRun, s.y0 = s.y1 - kStepRun;
        break;
    }
    Add(s, baseTop + (k + 1) * kStepRise, CellKind::Stairs);
  }
}

void CityLayout::AddLots(const Rect& block, uint32_t seed) {
  const int w = block.x1 - block.x0, h = block.y1 - block.y0;
  if (std::max(w, h) > 320) {  // split the longer side between 40 % and 60 %
    const bool splitX = w >= h;
    const int length = splitX ? w : h;
    const int at = (length * 2 / 5 + static_cast<int>(Hash(seed) % (length / 5 + 1))) / 16 * 16;
    Rect a = block, b = block;
    if (splitX)
      a.x1 = b.x0 = block.x0 + at;
    else
      a.y1 = b.y0 = block.y0 + at;
    AddLots(a, Hash(seed, 1));
    AddLots(b, Hash(seed, 2));
    return;
  }
  const CellKind kinds[] = {CellKind::BrickBuilding, CellKind::DarkBrickBuilding,
                            CellKind::WindowBuilding, CellKind::OfficeBuilding};
  const CellKind kind = kinds[Hash(seed, 3) % 4];
  const int top = 576 + 64 * static_cast<int>(Hash(seed, 4) % 12);
  if (Hash(seed, 5) % 3 == 0 && w >= 192 && h >= 192) {
    // A podium with a roof terrace and a tower set back from two of its sides.
    Add(block, 448 + 32 * static_cast<int>(Hash(seed, 6) % 4), kind);
    Rect tower = block;
    if (Hash(seed, 7) % 2)
      tower.x0 += 64;
    else
      tower.x1 -= 64;
    if (Hash(seed, 8) % 2)
      tower.y0 += 64;
    else
      tower.y1 -= 64;
    Add(tower, top + 128, kind);
  } else {
    Add(block, top, kind);
  }
}

void CityLayout::AddLowDistrict() {
  uint32_t seed = 100;
  for (const auto& col : kBlockCols)
    for (const auto& row : kBlockRows) AddLots({col[0], row[0], col[1], row[1]}, seed++);
  // Every east-west street climbs to the plaza level of the east district.
  for (const auto& row : kLowRows) AddStairs({1888, row[0], 2048, row[1]}, 'E', kStreet, kPlaza);
  // A raised terrace across the middle north-south street, with stairs at both ends.
  Add({1344, 1696, 1600, 1984}, 384, CellKind::Terrace);
  AddStairs({1344, 1600, 1600, 1696}, 'N', kStreet, 384);
  AddStairs({1344, 1984, 1600, 2080}, 'S', kStreet, 384);
}

void CityLayout::AddEastDistrict() {
  Add({2048, 704, 3968, 3968}, kPlaza, CellKind::Plaza);
  uint32_t seed = 500;
  for (const Rect& block :
       {Rect{2560, 2432, 3072, 3200}, Rect{3200, 2432, 3456, 3008}, Rect{2560, 1280, 3072, 1856},
        Rect{3264, 1280, 3840, 1792}, Rect{2560, 3648, 3264, 3968}, Rect{3584, 3200, 3968, 3968},
        Rect{2432, 704, 3968, 1024}, Rect{2048, 704, 2432, 960}})
    AddLots(block, seed++);
  // Terraces and rooftops the bots start on, each with its stairs down to the plaza.
  Add({2176, 1280, 2432, 1472}, 480, CellKind::Terrace);
  AddStairs({2176, 1472, 2432, 1568}, 'S', kPlaza, 480);
  Add({2240, 1984, 2368, 2240}, 672, CellKind::Terrace);
  AddStairs({2240, 2240, 2368, 2720}, 'S', kPlaza, 672);
  Add({3264, 1984, 3520, 2240}, 736, CellKind::OfficeBuilding);
  AddStairs({2656, 2112, 3264, 2208}, 'E', kPlaza, 736);
  Add({3520, 2624, 3840, 2880}, 464, CellKind::Terrace);
  AddStairs({3520, 2560, 3840, 2624}, 'N', kPlaza, 464);
  Add({2112, 3520, 2304, 3776}, 464, CellKind::Terrace);
  AddStairs({2112, 3456, 2304, 3520}, 'N', kPlaza, 464);
}

bool CityLayout::LampFits(const Rect& post, int base) const {
  // The post and a margin of 16 around it must be open street or plaza at the base level.
  for (int j = 0; j < CellsY(); ++j)
    for (int i = 0; i < CellsX(); ++i) {
      if (mXs[i + 1] <= post.x0 - 16 || mXs[i] >= post.x1 + 16) continue;
      if (mYs[j + 1] <= post.y0 - 16 || mYs[j] >= post.y1 + 16) continue;
      const CellKind kind = Kind(i, j);
      if ((kind != CellKind::Street && kind != CellKind::Plaza) || Height(i, j) != base)
        return false;
    }
  for (const GamePlace& place : GamePlaces()) {
    const Vec3f p = place.Map();
    if (std::hypot(p.x - (post.x0 + 8), p.y - (post.y0 + 8)) < 112) return false;
  }
  for (const StreetLamp& lamp : mLamps)
    if (std::hypot(lamp.light.x - (post.x0 + 8), lamp.light.y - (post.y0 + 8)) < 200) return false;
  return true;
}

void CityLayout::AddLamps() {
  auto tryLamp = [this](int x, int y, int base) {
    const Rect post{x, y, x + 16, y + 16};
    if (!LampFits(post, base)) return;
    mLamps.push_back({post, {x + 8.0f, y + 8.0f, static_cast<float>(base + kLampPostHeight + 12)}});
  };
  for (const auto& row : kLowRows)
    for (int x = -32; x < 1856; x += 320) tryLamp(x, row[0] + 32, kStreet);
  for (const auto& col : kVerticalStreets)
    for (int y = 800; y < 3968; y += 320) tryLamp(col[0] + 32, y, kStreet);
  for (int y = 1088; y < 3968; y += 384)
    for (int x = 2112; x < 3968; x += 384) tryLamp(x, y, kPlaza);
  for (const StreetLamp& lamp : mLamps)
    Add(lamp.post, static_cast<int>(lamp.light.z) - 12, CellKind::LampPost);
}

void CityLayout::Rasterise() {
  mXs.clear();
  mYs.clear();
  for (const Paint& p : mPaints) {
    mXs.insert(mXs.end(), {p.rect.x0, p.rect.x1});
    mYs.insert(mYs.end(), {p.rect.y0, p.rect.y1});
  }
  for (auto* lines : {&mXs, &mYs}) {
    std::sort(lines->begin(), lines->end());
    lines->erase(std::unique(lines->begin(), lines->end()), lines->end());
  }
  mHeights.assign(static_cast<size_t>(CellsX()) * CellsY(), 0);
  mKinds.assign(mHeights.size(), CellKind::Street);
  for (int j = 0; j < CellsY(); ++j)
    for (int i = 0; i < CellsX(); ++i) {
      const float cx = (mXs[i] + mXs[i + 1]) * 0.5f, cy = (mYs[j] + mYs[j + 1]) * 0.5f;
      for (auto p = mPaints.rbegin(); p != mPaints.rend(); ++p)
        if (p->rect.Contains(cx, cy)) {
          mHeights[Index(i, j)] = p->top;
          mKinds[Index(i, j)] = p->kind;
          break;
        }
    }
}

int CityLayout::HeightAt(float x, float y) const {
  if (x < mXs.front() || x >= mXs.back() || y < mYs.front() || y >= mYs.back()) return kBorderTop;
  const int i = static_cast<int>(std::upper_bound(mXs.begin(), mXs.end(), x) - mXs.begin()) - 1;
  const int j = static_cast<int>(std::upper_bound(mYs.begin(), mYs.end(), y) - mYs.begin()) - 1;
  return Height(i, j);
}

bool CityLayout::Blocked(const Vec3f& a, const Vec3f& b) const {
  const float dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
  const float length = std::sqrt(dx * dx + dy * dy + dz * dz);
  const int steps = static_cast<int>(length / 8);
  for (int s = 1; s < steps; ++s) {
    const float t = static_cast<float>(s) / steps;
    if (a.z + dz * t < HeightAt(a.x + dx * t, a.y + dy * t)) return true;
  }
  return false;
}

std::vector<GamePlace> CityLayout::GamePlaces() {
  std::vector<GamePlace> places;
  places.push_back({"player start", {-1100, 360, -1500}, {0, 0, 1}, 40});
  const float spawns[18][6] = {
      {-697.45f, 380, -1026.516f, -0.0284f, -0.00749f, -0.99956f},
      {-1468.1741f, 388.00003f, -2169.5627f, 0.98438f, -0.05497f, 0.16724f},
      {-969.65656f, 388, -2913.1072f, 0.254f, -0.00249f, 0.9672f},
      {-591.1229f, 388, -2785.6848f, -0.95295f, -0.01499f, 0.30274f},
      {-717.191f, 380, -3572.1907f, -0.99984f, -0.01749f, 0.0026f},
      {-757.4576f, 380, -3454.2896f, -0.02818f, -0.0025f, 0.99959f},
      {-2141.5188f, 508, -3623.6655f, -0.11045f, -0.00749f, 0.99385f},
      {-3109.6213f, 452, -3410.1785f, -0.00568f, -0.02749f, 0.9996f},
      {-2984.0525f, 452, -3410.3962f, 0.99921f, 0.03499f, -0.0185f},
      {-3643.4082f, 500.00003f, -2754.883f, 0.72271f, -0.06245f, -0.68831f},
      {-3680.1304f, 452, -2467.1086f, 0.99884f, -0.02499f, -0.04099f},
      {-2926.637f, 452, -1991.4991f, 0.09457f, -0.03249f, -0.99498f},
      {-2509.0627f, 452, -2000.1758f, 0.6764f, -0.09236f, 0.73071f},
      {-3370.9946f, 780, -2107.2236f, 0.97781f, -0.1741f, -0.11643f},
      {-2317.6396f, 716, -2058.4226f, 0.99121f, -0.13211f, 0.00642f},
      {-2318.525f, 716, -2169.3f, -0.0367f, -0.23041f, -0.9724f},
      {-2281.449f, 524, -1384.1842f, 0.99966f, -0.02499f, 0.00716f},
      {-1525.4681f, 488.4685f, -1697.8838f, 0.99795f, -0.05996f, 0.02211f},
  };
  for (int i = 0; i < 18; ++i)
    places.push_back({"bot spawn " + std::to_string(i),
                      {spawns[i][0], spawns[i][1], spawns[i][2]},
                      {spawns[i][3], spawns[i][4], spawns[i][5]},
                      25});
  places.push_back({"hiphop.wav", {-1370.6f, 360, -1295}, {0, 0, 1}, 0});
  places.push_back({"ventilation.wav", {-2415.6f, 432, -2073.9f}, {0, 0, 1}, 0});
  places.push_back({"cricket.wav", {-144.3f, 401.9f, -1171.8f}, {0, 0, 1}, 0});
  places.push_back({"dog2.wav", {-564.7f, 368, -2750}, {0, 0, 1}, 0});
  return places;
}

std::vector<std::string> CityLayout::CheckGamePlaces() const {
  std::vector<std::string> problems;
  for (const GamePlace& place : GamePlaces()) {
    const Vec3f p = place.Map();
    // Highest column top within the place's radius (sampled every 4 units over its disc).
    int highest = HeightAt(p.x, p.y);
    const int r = static_cast<int>(std::ceil(place.radius));
    for (int dy = -r; dy <= r; dy += 4)
      for (int dx = -r; dx <= r; dx += 4)
        if (dx * dx + dy * dy <= r * r) highest = std::max(highest, HeightAt(p.x + dx, p.y + dy));
    if (p.z - place.radius < highest)
      problems.push_back(place.name + " is inside solid ground or a wall");
    if (HeightAt(p.x, p.y) <= kBottom) problems.push_back(place.name + " has no ground below");
  }
  return problems;
}

}  // namespace kxres
