// The night city as a height field: every cell of a rectilinear grid is a solid column from
// the ground plate up to its top, painted from streets, plazas, terraces, stairs, buildings,
// street lamps and the border wall. Map coordinates (x east, y north, z up), all on a 16-unit grid.
// Also holds the places the game uses (player start, bot spawn points, ambient sounds).
#pragma once

#include <string>
#include <vector>

namespace kxres {

enum class CellKind {
  Street,
  Plaza,
  Terrace,
  Stairs,
  BrickBuilding,
  DarkBrickBuilding,
  WindowBuilding,
  OfficeBuilding,
  Border,
  LampPost
};

struct Rect {
  int x0, y0, x1, y1;
  bool Contains(float x, float y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

struct Vec3f {
  float x, y, z;
};

// A place the game puts something: engine coordinates as the game states them, and the radius
// of what stands there (0 for a sound source).
struct GamePlace {
  std::string name;
  Vec3f engine;
  Vec3f engineDirection;
  float radius;
  // The map's (x, y, z) becomes the engine's (-x, z, -y); this is the inverse.
  Vec3f Map() const { return {-engine.x, -engine.z, engine.y}; }
};

struct StreetLamp {
  Rect post;
  Vec3f light;  // map position of the light source
};

class CityLayout {
 public:
  static constexpr int kBottom = 0;        // underside of the ground plate
  static constexpr int kSkyHeight = 2048;  // top of the world's bounds
  static constexpr int kStreet = 320;
  static constexpr int kPlaza = 416;

  CityLayout();

  // The grid: xs has CellsX()+1 ascending lines, ys CellsY()+1.
  const std::vector<int>& Xs() const { return mXs; }
  const std::vector<int>& Ys() const { return mYs; }
  int CellsX() const { return static_cast<int>(mXs.size()) - 1; }
  int CellsY() const { return static_cast<int>(mYs.size()) - 1; }
  int Height(int i, int j) const { return mHeights[Index(i, j)]; }
  CellKind Kind(int i, int j) const { return mKinds[Index(i, j)]; }
  // Top of the column under a map point (points outside the grid count as the border).
  int HeightAt(float x, float y) const;
  // True when the straight segment from a to b passes through solid columns.
  bool Blocked(const Vec3f& a, const Vec3f& b) const;

  const std::vector<StreetLamp>& Lamps() const { return mLamps; }
  // The player start, the 18 bot spawn points and the four ambient sounds.
  static std::vector<GamePlace> GamePlaces();
  // Problems found when checking that every game place stands in open space above ground.
  std::vector<std::string> CheckGamePlaces() const;

 private:
  struct Paint {
    Rect rect;
    int top;
    CellKind kind;
  };
  int Index(int i, int j) const { return j * CellsX() + i; }
  void Add(const Rect& r, int top, CellKind kind) { mPaints.push_back({r, top, kind}); }
  // Steps of 16 units rising by 32 units of run from baseTop towards topTop along +x, -x, +y or -y.
  void AddStairs(const Rect& r, char direction, int baseTop, int topTop);
  void AddLowDistrict();
  void AddEastDistrict();
  void AddLots(const Rect& block, uint32_t seed);
  void AddLamps();
  void Rasterise();
  bool LampFits(const Rect& post, int base) const;

  std::vector<Paint> mPaints;
  std::vector<int> mXs, mYs;
  std::vector<int> mHeights;
  std::vector<CellKind> mKinds;
  std::vector<StreetLamp> mLamps;
};

}  // namespace kxres
