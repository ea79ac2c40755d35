// Checks the generated city map with an independent reader: the layout of the published
// format, index ranges, the tree, brushes, lightmaps, and the places the game uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <queue>
#include <set>

#include "BspFile.h"
#include "GamePlaces.h"

namespace kxtest {
namespace {

using P3 = std::array<float, 3>;

float Dot(const P3& a, const P3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
P3 Sub(const P3& a, const P3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
P3 Cross(const P3& a, const P3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

P3 FaceNormal(const BspFile& f, const Face& face) {
  P3 n = f.planes[face.plane].n;
  if (face.side) n = {-n[0], -n[1], -n[2]};
  return n;
}

P3 Centre(const std::vector<P3>& points) {
  P3 c{0, 0, 0};
  for (const P3& p : points)
    for (int k = 0; k < 3; ++k) c[k] += p[k] / points.size();
  return c;
}

// Structural rules every Quake 2 map follows; returns the first problems found.
std::vector<std::string> CheckStructure(const BspFile& f) {
  std::vector<std::string> problems;
  auto fail = [&](const std::string& what) {
    if (problems.size() < 20) problems.push_back(what);
  };
  if (std::string(f.magic) != "IBSP") fail("magic");
  if (f.version != 38) fail("version");
  for (int i = 0; i < 19; ++i)
    if (f.lumps[i].length % BspFile::RecordSize(i))
      fail("lump " + std::to_string(i) + " has a partial record");
  if (f.entities.empty() || f.entities.back() != '\0') fail("entities are not terminated");
  if (f.entities.find("\"worldspawn\"") == std::string::npos) fail("no worldspawn");
  for (const Plane& p : f.planes)
    if (std::fabs(Dot(p.n, p.n) - 1) > 1e-3f) fail("plane normal is not a unit vector");
  const auto nFaces = f.faces.size(), nPlanes = f.planes.size(), nLeaves = f.leaves.size();
  for (const Face& face : f.faces) {
    if (face.plane >= nPlanes || face.texInfo < 0 ||
        static_cast<size_t>(face.texInfo) >= f.texInfos.size())
      fail("face plane or texinfo out of range");
    if (face.numEdges < 3 || face.firstEdge < 0 ||
        static_cast<size_t>(face.firstEdge) + face.numEdges > f.surfEdges.size())
      fail("face edges out of range");
  }
  for (int32_t e : f.surfEdges)
    if (e == 0 || static_cast<size_t>(std::abs(e)) >= f.edges.size())
      fail("surface edge out of range");
  for (const auto& e : f.edges)
    if (e[0] >= f.vertices.size() || e[1] >= f.vertices.size()) fail("edge vertex out of range");
  for (size_t n = 0; n < f.nodes.size(); ++n) {
    const Node& node = f.nodes[n];
    if (static_cast<size_t>(node.plane) >= nPlanes) fail("node plane out of range");
    for (int32_t c : node.child) {
      if (c >= 0 && (static_cast<size_t>(c) >= f.nodes.size() || static_cast<size_t>(c) <= n))
        fail("node child out of range or not below its parent");
      if (c < 0 && static_cast<size_t>(-c - 1) >= nLeaves) fail("leaf child out of range");
    }
    if (static_cast<size_t>(node.firstFace) + node.numFaces > nFaces)
      fail("node faces out of range");
  }
  for (const Leaf& leaf : f.leaves) {
    if (static_cast<size_t>(leaf.firstLeafFace) + leaf.numLeafFaces > f.leafFaces.size())
      fail("leaf faces out of range");
    if (static_cast<size_t>(leaf.firstLeafBrush) + leaf.numLeafBrushes > f.leafBrushes.size())
      fail("leaf brushes out of range");
  }
  if (f.leaves.empty() || f.leaves[0].contents != 1) fail("leaf 0 is not solid");
  for (uint16_t i : f.leafFaces)
    if (i >= nFaces) fail("leaf face index out of range");
  for (uint16_t i : f.leafBrushes)
    if (i >= f.brushes.size()) fail("leaf brush index out of range");
  for (const Brush& b : f.brushes)
    if (b.firstSide < 0 || b.numSides < 4 ||
        static_cast<size_t>(b.firstSide) + b.numSides > f.brushSides.size())
      fail("brush sides out of range");
  for (const BrushSide& s : f.brushSides)
    if (s.plane >= nPlanes || s.texInfo < -1 || s.texInfo >= static_cast<int>(f.texInfos.size()))
      fail("brush side plane or texinfo out of range");
  for (const TexInfo& t : f.texInfos)
    if (t.next < -1 || t.next >= static_cast<int>(f.texInfos.size()))
      fail("texinfo chain out of range");
  if (f.models.empty() || f.models[0].headNode < 0 ||
      static_cast<size_t>(f.models[0].headNode) >= f.nodes.size())
    fail("no world model with a valid head node");
  // Every node and leaf hangs in the tree exactly once.
  std::vector<int> nodeSeen(f.nodes.size()), leafSeen(nLeaves);
  for (size_t n = 0; n < f.nodes.size(); ++n)
    for (int32_t c : f.nodes[n].child) {
      if (c >= 0 && static_cast<size_t>(c) < f.nodes.size()) ++nodeSeen[c];
      if (c < 0 && static_cast<size_t>(-c - 1) < nLeaves) ++leafSeen[-c - 1];
    }
  for (size_t n = 0; n < f.nodes.size(); ++n)
    if (nodeSeen[n] != (static_cast<int>(n) == f.models[0].headNode ? 0 : 1))
      fail("node not in the tree once");
  // Lightmaps stay inside the lighting lump.
  for (const Face& face : f.faces) {
    if (face.styles[0] == 255 || face.lightOffset < 0) continue;
    const auto size = f.LightmapSize(face);
    if (static_cast<int64_t>(face.lightOffset) + size[0] * size[1] * 3 > f.lumps[7].length)
      fail("lightmap leaves the lighting lump");
  }
  return problems;
}

class GeneratedMap : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sMap = new BspFile;
    std::string error;
    sLoaded = sMap->Load(std::string(KX_RESOURCES_DIR) + "/maps/bwcity2.bsp", &error);
  }
  static void TearDownTestSuite() { delete sMap; }
  void SetUp() override { ASSERT_TRUE(sLoaded) << "the build did not generate the map"; }
  static BspFile* sMap;
  static bool sLoaded;
};
BspFile* GeneratedMap::sMap = nullptr;
bool GeneratedMap::sLoaded = false;

TEST_F(GeneratedMap, FollowsThePublishedFormat) {
  const BspFile& f = *sMap;
  EXPECT_EQ(CheckStructure(f), std::vector<std::string>{});
  for (int i = 0; i < 19; ++i) {
    EXPECT_EQ(f.lumps[i].offset % 4, 0) << "lump " << i;
    EXPECT_GT(f.lumps[i].length, 0) << "lump " << i << " is empty";
  }
  EXPECT_NE(f.entities.find("\"info_player_start\""), std::string::npos);
  std::printf(
      "map: %zu faces, %zu nodes, %zu leaves, %zu brushes, %zu planes, %zu vertices, %d lighting "
      "bytes\n",
      f.faces.size(), f.nodes.size(), f.leaves.size(), f.brushes.size(), f.planes.size(),
      f.vertices.size(), f.lumps[7].length);
  // Every face belongs to exactly one node, which lies in the face's plane.
  std::vector<int> owner(f.faces.size(), 0);
  for (const Node& node : f.nodes)
    for (int i = node.firstFace; i < node.firstFace + node.numFaces; ++i) {
      ++owner[i];
      EXPECT_EQ(f.faces[i].plane, node.plane);
    }
  EXPECT_TRUE(std::all_of(owner.begin(), owner.end(), [](int n) { return n == 1; }));
  EXPECT_EQ(f.models[0].firstFace, 0);
  EXPECT_EQ(static_cast<size_t>(f.models[0].numFaces), f.faces.size());
}

TEST_F(GeneratedMap, FacesAreFlatClockwiseAndBoundAnEmptyLeaf) {
  const BspFile& f = *sMap;
  for (size_t i = 0; i < f.faces.size(); ++i) {
    const Face& face = f.faces[i];
    const auto points = f.FacePoints(face);
    const P3 n = FaceNormal(f, face);
    const Plane& plane = f.planes[face.plane];
    for (const P3& p : points) ASSERT_NEAR(Dot(plane.n, p), plane.d, 0.01f) << "face " << i;
    // Quake faces wind clockwise seen from the front.
    ASSERT_LT(Dot(Cross(Sub(points[1], points[0]), Sub(points[2], points[0])), n), 0)
        << "face " << i;
    const P3 c = Centre(points);
    const int front = f.LeafAt({c[0] + n[0], c[1] + n[1], c[2] + n[2]});
    const int back = f.LeafAt({c[0] - n[0], c[1] - n[1], c[2] - n[2]});
    ASSERT_GE(front, 0);
    ASSERT_GE(back, 0);
    EXPECT_EQ(f.leaves[front].contents, 0) << "face " << i << " does not face open space";
    EXPECT_EQ(f.leaves[back].contents, 1) << "face " << i << " has no solid behind it";
    const Leaf& leaf = f.leaves[front];
    const auto first = f.leafFaces.begin() + leaf.firstLeafFace;
    EXPECT_NE(std::find(first, first + leaf.numLeafFaces, i), first + leaf.numLeafFaces)
        << "face " << i << " is missing from its leaf's face list";
  }
}

TEST_F(GeneratedMap, BrushesFillTheSolidLeavesOnly) {
  const BspFile& f = *sMap;
  auto inside = [&](const Brush& b, const P3& p) {
    for (int s = b.firstSide; s < b.firstSide + b.numSides; ++s) {
      const Plane& plane = f.planes[f.brushSides[s].plane];
      if (Dot(plane.n, p) - plane.d > -0.01f) return false;
    }
    return true;
  };
  std::vector<int> used(f.brushes.size(), 0);
  for (size_t l = 1; l < f.leaves.size(); ++l) {
    const Leaf& leaf = f.leaves[l];
    const P3 c{(leaf.mins[0] + leaf.maxs[0]) * 0.5f, (leaf.mins[1] + leaf.maxs[1]) * 0.5f,
               leaf.contents ? (leaf.mins[2] + leaf.maxs[2]) * 0.5f : leaf.mins[2] + 8.0f};
    EXPECT_EQ(f.LeafAt(c), static_cast<int>(l)) << "leaf bounds disagree with the tree";
    int containing = 0;
    for (const Brush& b : f.brushes) containing += inside(b, c);
    if (leaf.contents == 1) {
      ASSERT_GE(leaf.numLeafBrushes, 1) << "solid leaf " << l << " without brush";
      for (int k = 0; k < leaf.numLeafBrushes; ++k) {
        const uint16_t b = f.leafBrushes[leaf.firstLeafBrush + k];
        ++used[b];
        EXPECT_TRUE(inside(f.brushes[b], c)) << "leaf " << l << " lists a brush that misses it";
      }
    } else {
      EXPECT_EQ(containing, 0) << "empty leaf " << l << " lies inside a brush";
      EXPECT_EQ(leaf.numLeafBrushes, 0);
    }
  }
  EXPECT_TRUE(std::all_of(used.begin(), used.end(), [](int n) { return n > 0; }));
  for (const Brush& b : f.brushes) EXPECT_EQ(b.contents, 1);
}

TEST_F(GeneratedMap, LightmapsFitTheReaderAndShowTheLamps) {
  const BspFile& f = *sMap;
  std::vector<std::pair<int32_t, int32_t>> spans;  // offset, bytes
  for (const Face& face : f.faces) {
    const auto size = f.LightmapSize(face);
    EXPECT_LE(size[0], 16);
    EXPECT_LE(size[1], 16);
    ASSERT_GE(face.lightOffset, 0);
    EXPECT_EQ(face.styles[0], 0);
    spans.push_back({face.lightOffset, size[0] * size[1] * 3});
  }
  std::sort(spans.begin(), spans.end());
  int32_t next = 0;
  for (const auto& [offset, bytes] : spans) {
    EXPECT_EQ(offset, next) << "lightmaps overlap or leave gaps";
    next = offset + bytes;
  }
  EXPECT_EQ(next, f.lumps[7].length);
  // A night city: mostly dark, with bright spots under the lamps.
  const uint8_t* light = &f.bytes[f.lumps[7].offset];
  std::vector<uint8_t> green;
  for (int32_t i = 1; i < f.lumps[7].length; i += 3) green.push_back(light[i]);
  std::nth_element(green.begin(), green.begin() + green.size() / 2, green.end());
  EXPECT_LT(green[green.size() / 2], 40);
  EXPECT_GT(*std::max_element(green.begin(), green.end()), 150);
}

TEST_F(GeneratedMap, GamePlacesAreInOpenSpaceAboveGround) {
  const BspFile& f = *sMap;
  for (const Place& place : GamePlaces()) {
    const P3 p = place.Map();
    const int leaf = f.LeafAt(p);
    ASSERT_GE(leaf, 0);
    EXPECT_EQ(f.leaves[leaf].contents, 0) << place.name << " is inside solid";
    // The whole sphere stays outside every brush: some side of each brush keeps it out.
    for (const Brush& b : f.brushes) {
      bool separated = false;
      for (int s = b.firstSide; s < b.firstSide + b.numSides && !separated; ++s) {
        const Plane& plane = f.planes[f.brushSides[s].plane];
        separated = Dot(plane.n, p) - plane.d >= place.radius - 0.01f;
      }
      EXPECT_TRUE(separated) << place.name << " overlaps a brush";
    }
    // Ground below: going down, solid is met within 600 units.
    float depth = 0;
    while (depth < 600 && f.leaves[f.LeafAt({p[0], p[1], p[2] - depth})].contents == 0) depth += 4;
    EXPECT_LT(depth, 600) << place.name << " has no ground below";
  }
}

TEST_F(GeneratedMap, StreetsConnectEverySpawnPointToThePlayer) {
  const BspFile& f = *sMap;
  // The top of the ground under every 16-unit square, from the (box) brushes.
  const float x0 = f.models[0].mins[0] + 1, y0 = f.models[0].mins[1] + 1;
  const int nx = static_cast<int>((f.models[0].maxs[0] - 1 - x0) / 16);
  const int ny = static_cast<int>((f.models[0].maxs[1] - 1 - y0) / 16);
  std::vector<float> floor(static_cast<size_t>(nx) * ny, -1e9f);
  for (const Brush& b : f.brushes) {
    float lo[3] = {-1e9f, -1e9f, -1e9f}, hi[3] = {1e9f, 1e9f, 1e9f};
    for (int s = b.firstSide; s < b.firstSide + b.numSides; ++s) {
      const Plane& plane = f.planes[f.brushSides[s].plane];
      for (int k = 0; k < 3; ++k) {
        if (plane.n[k] > 0.99f) hi[k] = plane.d;
        if (plane.n[k] < -0.99f) lo[k] = -plane.d;
      }
    }
    for (int j = 0; j < ny; ++j)
      for (int i = 0; i < nx; ++i) {
        const float x = x0 + 16 * i + 8, y = y0 + 16 * j + 8;
        if (x > lo[0] && x < hi[0] && y > lo[1] && y < hi[1])
          floor[j * nx + i] = std::max(floor[j * nx + i], hi[2]);
      }
  }
  auto cellOf = [&](const P3& p) {
    return static_cast<int>((p[1] - y0) / 16) * nx + static_cast<int>((p[0] - x0) / 16);
  };
  // Walkers climb at most one 16-unit step and may drop any height.
  auto reachable = [&](int from) {
    std::vector<bool> seen(floor.size());
    std::queue<int> open;
    open.push(from);
    seen[from] = true;
    while (!open.empty()) {
      const int c = open.front();
      open.pop();
      const int i = c % nx, j = c / nx;
      const int next[4][2] = {{i + 1, j}, {i - 1, j}, {i, j + 1}, {i, j - 1}};
      for (const auto& n : next) {
        if (n[0] < 0 || n[1] < 0 || n[0] >= nx || n[1] >= ny) continue;
        const int d = n[1] * nx + n[0];
        if (!seen[d] && floor[d] - floor[c] <= 16.5f) seen[d] = true, open.push(d);
      }
    }
    return seen;
  };
  const auto places = GamePlaces();
  const int player = cellOf(places[0].Map());
  for (const Place& place : places) {
    if (place.radius == 0) continue;
    EXPECT_TRUE(reachable(cellOf(place.Map()))[player])
        << place.name << " cannot walk to the player";
  }
  // And the player can walk to every spawn point and sound (the streets form one network).
  const auto fromPlayer = reachable(player);
  for (const Place& place : places) EXPECT_TRUE(fromPlayer[cellOf(place.Map())]) << place.name;
}

TEST(ReferenceMap, PassesTheSameChecksAndWindsFacesTheSameWay) {
  const char* source = std::getenv("KX_SOURCE_DIR");
  const std::string path =
      std::string(source ? source : ".") + "/../shared/testdata/q2map/mp_lobby_q2.bsp";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "reference map not available";
  BspFile f;
  std::string error;
  ASSERT_TRUE(f.Load(path, &error)) << error;
  EXPECT_EQ(CheckStructure(f), std::vector<std::string>{});
  EXPECT_EQ(f.faces.size(), 24u);
  EXPECT_EQ(f.lumps[7].length, 12414);
  for (const Face& face : f.faces) {
    const auto points = f.FacePoints(face);
    EXPECT_LT(Dot(Cross(Sub(points[1], points[0]), Sub(points[2], points[0])), FaceNormal(f, face)),
              0);
  }
}

}  // namespace
}  // namespace kxtest
