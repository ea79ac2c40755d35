// Compiles the city's height field into a Quake 2 map: an axial BSP tree whose leaves are
// uniform columns (a solid leaf holding one box brush below each floor, an empty leaf above
// it), the visible floor and wall faces cut to at most 240 units so no lightmap exceeds
// 16 x 16 luxels, their texinfo, edges and baked lightmaps, and the entities of the game.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "CityLayout.h"
#include "CityTextures.h"
#include "Lightmapper.h"
#include "loaders/QuakeBspFormatX.h"

namespace kxres {

class CityBspBuilder {
 public:
  CityBspBuilder(const CityLayout& city, const Lightmapper& lightmapper)
      : mCity(city), mLightmapper(lightmapper) {}

  // Throws std::runtime_error when a format limit would be exceeded.
  QuakeBspX Build();

 private:
  using Point = std::array<float, 3>;
  struct Column {
    int i0, i1, j0, j1;
    int top;
    CellKind kind;
    int node, airLeaf, solidLeaf;
  };
  struct PendingFace {
    int node;
    int16_t side;
    int texInfo;
    std::vector<Point> points;  // clockwise seen from the front
    Point normal;
    int airLeaf;
  };

  int Plane(int axis, int dist);  // index of the plane with the positive normal
  int TexInfo(const CityTexture& texture, int normalAxis);
  int BuildRegion(int i0, int i1, int j0, int j1, int parent);
  int MakeColumn(int i0, int i1, int j0, int j1, int parent);
  bool Uniform(int i0, int i1, int j0, int j1) const;
  int ColumnAt(int i, int j) const { return mCellColumn[j * mCity.CellsX() + i]; }
  int LowestCommonNode(int a, int b) const;
  // Adds a rectangle face cut into pieces of at most 240 units in both directions.
  // u and v are the rectangle's in-plane axes, w the normal axis at coordinate `at`.
  void AddRectangle(int node, int normalAxis, int normalSign, int at, std::array<int, 2> uRange,
                    std::array<int, 2> vRange, int texInfo, int airLeaf);
  void AddFloorFaces();
  void AddWallFaces();
  void EmitFacesAndLight();
  void EmitLeafLists();
  void EmitBrushes();
  uint16_t Vertex(const Point& p);
  int32_t SurfEdge(uint16_t a, uint16_t b);
  std::string Entities() const;

  const CityLayout& mCity;
  const Lightmapper& mLightmapper;
  QuakeBspX mMap;
  std::vector<Column> mColumns;
  std::vector<int> mCellColumn;
  std::vector<int> mNodeParent;
  std::vector<PendingFace> mPending;
  std::vector<std::vector<uint16_t>> mLeafFaceLists;
  std::map<std::pair<int, int>, int> mPlaneIndex;
  std::map<std::pair<std::string, int>, int> mTexInfoIndex;
  std::map<std::array<int, 3>, uint16_t> mVertexIndex;
  std::map<std::pair<uint16_t, uint16_t>, int32_t> mEdgeIndex;
  std::vector<bool> mEdgeReused;
};

}  // namespace kxres
