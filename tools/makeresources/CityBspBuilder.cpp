#include "CityBspBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace kxres {

namespace {

constexpr int kMaxFaceSpan = 240;  // 16 luxels on a 16-unit aligned face
constexpr int kMaxLuxels = 16;

int16_t Short(int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }

std::string Number(float v) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f", static_cast<double>(v));
  return text;
}

}  // namespace

int CityBspBuilder::Plane(int axis, int dist) {
  const auto key = std::make_pair(axis, dist);
  const auto found = mPlaneIndex.find(key);
  if (found != mPlaneIndex.end()) return found->second;
  const int index = static_cast<int>(mMap.planes.size());
  auto axial = [axis](float sign) {
    return Vector3fX{axis == 0 ? sign : 0.f, axis == 1 ? sign : 0.f, axis == 2 ? sign : 0.f};
  };
  mMap.planes.push_back({axial(1), static_cast<float>(dist), axis});
  // The flipped twin always follows.
  mMap.planes.push_back({axial(-1), -static_cast<float>(dist), axis});
  mPlaneIndex[key] = index;
  return index;
}

int CityBspBuilder::TexInfo(const CityTexture& texture, int normalAxis) {
  const auto key = std::make_pair(texture.name, normalAxis);
  const auto found = mTexInfoIndex.find(key);
  if (found != mTexInfoIndex.end()) return found->second;
  bsp_texinfo info;
  // The texture axes map compilers choose for floors and for walls facing x or y.
  if (normalAxis == 2)
    info.u_axis = {1, 0, 0}, info.v_axis = {0, -1, 0};
  else if (normalAxis == 0)
    info.u_axis = {0, 1, 0}, info.v_axis = {0, 0, -1};
  else
    info.u_axis = {1, 0, 0}, info.v_axis = {0, 0, -1};
  info.flags = texture.flags;
  info.value = texture.value;
  SetBspTextureName(info, texture.name);
  mMap.texinfos.push_back(info);
  return mTexInfoIndex[key] = static_cast<int>(mMap.texinfos.size()) - 1;
}

bool CityBspBuilder::Uniform(int i0, int i1, int j0, int j1) const {
  for (int j = j0; j < j1; ++j)
    for (int i = i0; i < i1; ++i)
      if (mCity.Height(i, j) != mCity.Height(i0, j0) || mCity.Kind(i, j) != mCity.Kind(i0, j0))
        return false;
  return true;
}

int CityBspBuilder::MakeColumn(int i0, int i1, int j0, int j1, int parent) {
  const auto& xs = mCity.Xs();
  const auto& ys = mCity.Ys();
  const int top = mCity.Height(i0, j0);
  const int node = static_cast<int>(mMap.nodes.size());
  const int air = static_cast<int>(mMap.leaves.size());
  const int solid = air + 1;
  mMap.nodes.push_back({Plane(2, top),
                        {-(air + 1), -(solid + 1)},
                        {Short(xs[i0]), Short(ys[j0]), Short(CityLayout::kBottom)},
                        {Short(xs[i1]), Short(ys[j1]), Short(CityLayout::kSkyHeight)},
                        0,
                        0});
  mNodeParent.push_back(parent);
  bsp_leaf leaf;
  leaf.brush_or = BSP_CONTENTS_EMPTY;
  leaf.cluster = 0;
  leaf.area = 1;
  leaf.mins = {Short(xs[i0]), Short(ys[j0]), Short(top)};
  leaf.maxs = {Short(xs[i1]), Short(ys[j1]), Short(CityLayout::kSkyHeight)};
  mMap.leaves.push_back(leaf);
  leaf.brush_or = BSP_CONTENTS_SOLID;
  leaf.cluster = -1;
  leaf.area = 0;
  leaf.mins[2] = Short(CityLayout::kBottom);
  leaf.maxs[2] = Short(top);
  mMap.leaves.push_back(leaf);

  const int column = static_cast<int>(mColumns.size());
  mColumns.push_back({i0, i1, j0, j1, top, mCity.Kind(i0, j0), node, air, solid});
  for (int j = j0; j < j1; ++j)
    for (int i = i0; i < i1; ++i) mCellColumn[j * mCity.CellsX() + i] = column;
  return node;
}

int CityBspBuilder::BuildRegion(int i0, int i1, int j0, int j1, int parent) {
  if (Uniform(i0, i1, j0, j1)) return MakeColumn(i0, i1, j0, j1, parent);

  // Split along the grid line that cuts through the fewest equal neighbours (so the cut
  // follows the outlines of buildings and streets), the most balanced one on ties.
  int bestAxis = -1, bestLine = 0;
  long bestCost = std::numeric_limits<long>::max();
  for (int i = i0 + 1; i < i1; ++i) {
    long equal = 0;
    for (int j = j0; j < j1; ++j)
      equal +=
          mCity.Height(i - 1, j) == mCity.Height(i, j) && mCity.Kind(i - 1, j) == mCity.Kind(i, j);
    const long cost = equal * 100000 + std::abs((i - i0) - (i1 - i));
    if (cost < bestCost) bestCost = cost, bestAxis = 0, bestLine = i;
  }
  for (int j = j0 + 1; j < j1; ++j) {
    long equal = 0;
    for (int i = i0; i < i1; ++i)
      equal +=
          mCity.Height(i, j - 1) == mCity.Height(i, j) && mCity.Kind(i, j - 1) == mCity.Kind(i, j);
    const long cost = equal * 100000 + std::abs((j - j0) - (j1 - j));
    if (cost < bestCost) bestCost = cost, bestAxis = 1, bestLine = j;
  }

  const auto& xs = mCity.Xs();
  const auto& ys = mCity.Ys();
  const int node = static_cast<int>(mMap.nodes.size());
  const int dist = bestAxis == 0 ? xs[bestLine] : ys[bestLine];
  mMap.nodes.push_back({Plane(bestAxis, dist),
                        {0, 0},
                        {Short(xs[i0]), Short(ys[j0]), Short(CityLayout::kBottom)},
                        {Short(xs[i1]), Short(ys[j1]), Short(CityLayout::kSkyHeight)},
                        0,
                        0});
  mNodeParent.push_back(parent);
  int front, back;
  if (bestAxis == 0) {
    front = BuildRegion(bestLine, i1, j0, j1, node);
    back = BuildRegion(i0, bestLine, j0, j1, node);
  } else {
    front = BuildRegion(i0, i1, bestLine, j1, node);
    back = BuildRegion(i0, i1, j0, bestLine, node);
  }
  mMap.nodes[node].children = {front, back};
  return node;
}

int CityBspBuilder::LowestCommonNode(int a, int b) const {
  std::vector<int> ancestors;
  for (int n = a; n >= 0; n = mNodeParent[n]) ancestors.push_back(n);
  for (int n = b; n >= 0; n = mNodeParent[n])
    if (std::find(ancestors.begin(), ancestors.end(), n) != ancestors.end()) return n;
  throw std::logic_error("nodes without a common ancestor");
}

void CityBspBuilder::AddRectangle(int node, int normalAxis, int normalSign, int at,
                                  std::array<int, 2> uRange, std::array<int, 2> vRange, int texInfo,
                                  int airLeaf) {
  const int u = normalAxis == 0 ? 1 : 0;
  const int v = normalAxis == 2 ? 1 : 2;
  Point normal{0, 0, 0};
  normal[normalAxis] = static_cast<float>(normalSign);
  for (int u0 = uRange[0]; u0 < uRange[1]; u0 += kMaxFaceSpan)
    for (int v0 = vRange[0]; v0 < vRange[1]; v0 += kMaxFaceSpan) {
      const int u1 = std::min(u0 + kMaxFaceSpan, uRange[1]);
      const int v1 = std::min(v0 + kMaxFaceSpan, vRange[1]);
      std::vector<Point> points;
      for (auto [cu, cv] : {std::pair{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}}) {
        Point p{};
        p[normalAxis] = static_cast<float>(at);
        p[u] = static_cast<float>(cu);
        p[v] = static_cast<float>(cv);
        points.push_back(p);
      }
      // Quake faces wind clockwise seen from the front: (p1 - p0) x (p2 - p0) points backwards.
      const Point a{points[1][0] - points[0][0], points[1][1] - points[0][1],
                    points[1][2] - points[0][2]};
      const Point b{points[2][0] - points[0][0], points[2][1] - points[0][1],
                    points[2][2] - points[0][2]};
      const Point cross{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                        a[0] * b[1] - a[1] * b[0]};
      if (cross[0] * normal[0] + cross[1] * normal[1] + cross[2] * normal[2] > 0)
        std::reverse(points.begin(), points.end());
      mPending.push_back({node, static_cast<int16_t>(normalSign > 0 ? 0 : 1), texInfo,
                          std::move(points), normal, airLeaf});
    }
}

void CityBspBuilder::AddFloorFaces() {
  const auto& xs = mCity.Xs();
  const auto& ys = mCity.Ys();
  for (const Column& c : mColumns)
    AddRectangle(c.node, 2, 1, c.top, {xs[c.i0], xs[c.i1]}, {ys[c.j0], ys[c.j1]},
                 TexInfo(TopTexture(c.kind), 2), c.airLeaf);
}

void CityBspBuilder::AddWallFaces() {
  struct Span {
    int axis, line, lo, hi, normalSign;
  };
  std::map<std::pair<int, int>, Span> spans;  // (low column, high column) -> shared boundary
  auto visit = [&](int axis, int line, int lo, int hi, int columnBefore, int columnAfter) {
    const int hb = mColumns[columnBefore].top, ha = mColumns[columnAfter].top;
    if (hb == ha) return;
    const int low = hb < ha ? columnBefore : columnAfter;
    const int high = hb < ha ? columnAfter : columnBefore;
    const int normalSign = low == columnAfter ? 1 : -1;  // the wall faces the lower column
    auto [it, inserted] = spans.try_emplace({low, high}, Span{axis, line, lo, hi, normalSign});
    if (!inserted)
      it->second.lo = std::min(it->second.lo, lo), it->second.hi = std::max(it->second.hi, hi);
  };
  const auto& xs = mCity.Xs();
  const auto& ys = mCity.Ys();
  for (int j = 0; j < mCity.CellsY(); ++j)
    for (int i = 1; i < mCity.CellsX(); ++i)
      visit(0, xs[i], ys[j], ys[j + 1], ColumnAt(i - 1, j), ColumnAt(i, j));
  for (int j = 1; j < mCity.CellsY(); ++j)
    for (int i = 0; i < mCity.CellsX(); ++i)
      visit(1, ys[j], xs[i], xs[i + 1], ColumnAt(i, j - 1), ColumnAt(i, j));

  for (const auto& [pair, span] : spans) {
    const Column& low = mColumns[pair.first];
    const Column& high = mColumns[pair.second];
    const int node = LowestCommonNode(low.node, high.node);
    if (mMap.nodes[node].plane != Plane(span.axis, span.line))
      throw std::logic_error(
          "wall does not lie on the plane of the node that separates its columns");
    AddRectangle(node, span.axis, span.normalSign, span.line, {span.lo, span.hi},
                 {low.top, high.top}, TexInfo(SideTexture(high.kind), span.axis), low.airLeaf);
  }
}

uint16_t CityBspBuilder::Vertex(const Point& p) {
  const std::array<int, 3> key{static_cast<int>(std::lround(p[0])),
                               static_cast<int>(std::lround(p[1])),
                               static_cast<int>(std::lround(p[2]))};
  const auto found = mVertexIndex.find(key);
  if (found != mVertexIndex.end()) return found->second;
  if (mMap.vertices.size() >= 65535) throw std::runtime_error("too many vertices for 16-bit edges");
  mMap.vertices.push_back({p[0], p[1], p[2]});
  return mVertexIndex[key] = static_cast<uint16_t>(mMap.vertices.size() - 1);
}

int32_t CityBspBuilder::SurfEdge(uint16_t a, uint16_t b) {
  // An edge already used once in the other direction is shared, as map compilers do.
  const auto reverse = mEdgeIndex.find({b, a});
  if (reverse != mEdgeIndex.end() && !mEdgeReused[reverse->second]) {
    mEdgeReused[reverse->second] = true;
    return -reverse->second;
  }
  const int32_t index = static_cast<int32_t>(mMap.edges.size());
  mMap.edges.push_back({a, b});
  mEdgeReused.push_back(false);
  mEdgeIndex.try_emplace({a, b}, index);
  return index;
}

void CityBspBuilder::EmitFacesAndLight() {
  std::stable_sort(mPending.begin(), mPending.end(),
                   [](const PendingFace& x, const PendingFace& y) { return x.node < y.node; });
  if (mPending.size() > 65535) throw std::runtime_error("too many faces");
  mLeafFaceLists.assign(mMap.leaves.size(), {});
  for (size_t f = 0; f < mPending.size(); ++f) {
    const PendingFace& pf = mPending[f];
    bsp_node& node = mMap.nodes[pf.node];
    if (node.num_faces == 0) node.first_face = static_cast<uint16_t>(f);
    ++node.num_faces;
    mLeafFaceLists[pf.airLeaf].push_back(static_cast<uint16_t>(f));

    bsp_face face;
    face.plane = static_cast<uint16_t>(node.plane);
    face.plane_side = pf.side;
    face.first_edge = static_cast<uint32_t>(mMap.face_edges.size());
    face.num_edges = static_cast<uint16_t>(pf.points.size());
    face.texture_info = static_cast<uint16_t>(pf.texInfo);
    for (size_t k = 0; k < pf.points.size(); ++k)
      mMap.face_edges.push_back(
          SurfEdge(Vertex(pf.points[k]), Vertex(pf.points[(k + 1) % pf.points.size()])));

    const bsp_texinfo& info = mMap.texinfos[pf.texInfo];
    BspLightmapBoundsX bounds(info);
    for (const Point& p : pf.points) bounds.Add({p[0], p[1], p[2]});
    bsp_lightmap_extent extent;
    if (!bounds.GetExtent(extent) || extent.Width() > kMaxLuxels || extent.Height() > kMaxLuxels)
      throw std::logic_error("face lightmap larger than 16 x 16 luxels");
    face.lightmap_styles = {0, 255, 255, 255};
    face.lightmap_offset = static_cast<int32_t>(mMap.lighting.size());
    const std::vector<uint8_t> luxels = mLightmapper.Bake(pf.points, pf.normal, info, extent);
    mMap.lighting.insert(mMap.lighting.end(), luxels.begin(), luxels.end());
    mMap.faces.push_back(face);
  }
}

void CityBspBuilder::EmitBrushes() {
  const auto& xs = mCity.Xs();
  const auto& ys = mCity.Ys();
  for (const Column& c : mColumns) {
    const bsp_brush brush{static_cast<int32_t>(mMap.brush_sides.size()), 6, BSP_CONTENTS_SOLID};
    const int16_t side = static_cast<int16_t>(TexInfo(SideTexture(c.kind), 0));
    const int16_t sideY = static_cast<int16_t>(TexInfo(SideTexture(c.kind), 1));
    const int16_t top = static_cast<int16_t>(TexInfo(TopTexture(c.kind), 2));
    // Each side's plane faces out of the brush: the positive plane or its flipped twin.
    mMap.brush_sides.push_back({static_cast<uint16_t>(Plane(0, xs[c.i0]) + 1), side});
    mMap.brush_sides.push_back({static_cast<uint16_t>(Plane(0, xs[c.i1])), side});
    mMap.brush_sides.push_back({static_cast<uint16_t>(Plane(1, ys[c.j0]) + 1), sideY});
    mMap.brush_sides.push_back({static_cast<uint16_t>(Plane(1, ys[c.j1])), sideY});
    mMap.brush_sides.push_back({static_cast<uint16_t>(Plane(2, CityLayout::kBottom) + 1), top});
    mMap.brush_sides.push_back({static_cast<uint16_t>(Plane(2, c.top)), top});
    mMap.brushes.push_back(brush);
  }
}

void CityBspBuilder::EmitLeafLists() {
  std::vector<int> brushOfLeaf(mMap.leaves.size(), -1);
  for (size_t c = 0; c < mColumns.size(); ++c)
    brushOfLeaf[mColumns[c].solidLeaf] = static_cast<int>(c);
  for (size_t l = 0; l < mMap.leaves.size(); ++l) {
    bsp_leaf& leaf = mMap.leaves[l];
    leaf.first_leaf_face = static_cast<uint16_t>(mMap.leaf_faces.size());
    leaf.num_leaf_faces = static_cast<uint16_t>(mLeafFaceLists[l].size());
    mMap.leaf_faces.insert(mMap.leaf_faces.end(), mLeafFaceLists[l].begin(),
                           mLeafFaceLists[l].end());
    leaf.first_leaf_brush = static_cast<uint16_t>(mMap.leaf_brushes.size());
    leaf.num_leaf_brushes = brushOfLeaf[l] >= 0 ? 1 : 0;
    if (brushOfLeaf[l] >= 0) mMap.leaf_brushes.push_back(static_cast<uint16_t>(brushOfLeaf[l]));
  }
  if (mMap.leaf_faces.size() > 65535 || mMap.leaf_brushes.size() > 65535)
    throw std::runtime_error("too many leaf faces or leaf brushes");
}

std::string CityBspBuilder::Entities() const {
  auto yaw = [](const Vec3f& engineDirection) {
    const float mx = -engineDirection.x, my = -engineDirection.z;
    return std::to_string(static_cast<int>(std::lround(std::atan2(my, mx) * 57.29577951f)));
  };
  auto origin = [](const Vec3f& p) { return Number(p.x) + " " + Number(p.y) + " " + Number(p.z); };
  std::string text =
      "{\n\"classname\" \"worldspawn\"\n\"message\" \"Night city\"\n\"sky\" \"wnight\"\n}\n";
  for (const GamePlace& place : CityLayout::GamePlaces()) {
    if (place.name == "player start") {
      text += "{\n\"classname\" \"info_player_start\"\n\"origin\" \"" + origin(place.Map()) +
              "\"\n\"angle\" \"" + yaw(place.engineDirection) + "\"\n}\n";
    } else if (place.radius > 0) {
      text += "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"" + origin(place.Map()) +
              "\"\n\"angle\" \"" + yaw(place.engineDirection) + "\"\n}\n";
    } else {
      text += "{\n\"classname\" \"target_speaker\"\n\"origin\" \"" + origin(place.Map()) +
              "\"\n\"noise\" \"" + place.name + "\"\n\"spawnflags\" \"1\"\n}\n";
    }
  }
  for (const StreetLamp& lamp : mCity.Lamps())
    text += "{\n\"classname\" \"light\"\n\"origin\" \"" + origin(lamp.light) +
            "\"\n\"light\" \"300\"\n\"_color\" \"1.0 0.8 0.5\"\n}\n";
  return text;
}

QuakeBspX CityBspBuilder::Build() {
  mMap = {};
  mColumns.clear();
  mNodeParent.clear();
  mPending.clear();
  mCellColumn.assign(static_cast<size_t>(mCity.CellsX()) * mCity.CellsY(), -1);

  bsp_leaf outside;  // leaf 0: the solid outside every map has
  outside.brush_or = BSP_CONTENTS_SOLID;
  outside.cluster = -1;
  mMap.leaves.push_back(outside);
  mMap.edges.push_back({0, 0});  // edge 0 cannot be referenced with a sign
  mEdgeReused.assign(1, true);

  BuildRegion(0, mCity.CellsX(), 0, mCity.CellsY(), -1);
  AddFloorFaces();
  AddWallFaces();
  EmitFacesAndLight();
  EmitBrushes();
  EmitLeafLists();
  if (mMap.nodes.size() > 65535 || mMap.leaves.size() > 65535 || mMap.planes.size() > 65535)
    throw std::runtime_error("too many nodes, leaves or planes");

  const std::string entities = Entities();
  mMap.entities.assign(entities.c_str(), entities.c_str() + entities.size() + 1);
  // One cluster that sees itself: visibility and hearability rows of one byte each.
  mMap.visibility = {1, 0, 0, 0, 12, 0, 0, 0, 13, 0, 0, 0, 1, 1};
  const auto& xs = mCity.Xs();
  const auto& ys = mCity.Ys();
  int highest = 0;
  for (const Column& c : mColumns) highest = std::max(highest, c.top);
  mMap.models.push_back({{xs.front() - 1.0f, ys.front() - 1.0f, CityLayout::kBottom - 1.0f},
                         {xs.back() + 1.0f, ys.back() + 1.0f, highest + 1.0f},
                         {0, 0, 0},
                         0,
                         0,
                         static_cast<int32_t>(mMap.faces.size())});
  mMap.pop.assign(256, 0);
  mMap.areas = {{0, 0}, {0, 1}};  // area 0 is the unused placeholder, area 1 the city
  mMap.area_portals = {{0, 0}};
  return mMap;
}

}  // namespace kxres
