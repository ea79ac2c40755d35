// Checks the generated city map as the engine reads it (ReadBSPQuake with every lump, in the
// map records it shares with the generator): the layout of the format, index ranges, the tree,
// brushes, lightmaps, and the places the game uses. The structural checks also run on a map
// made by Quake 2's own tools when the shared test data is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <queue>

#include "GamePlaces.h"
#include "loaders/ReadBSPQuakeX.h"

namespace kxtest {
namespace {

bool ReadWholeMap(ReadBSPQuake& reader, const std::string& path) {
  return reader.ReadFile(StringX(path.c_str()), ReadBSPQuake::sAllLumps);
}

std::vector<Vector3fX> FacePoints(const ReadBSPQuake& reader, size_t face) {
  std::vector<Vector3fX> points;
  const bsp_face& record = reader.GetFaces()[face];
  for (uint32_t k = 0; k < record.num_edges; ++k)
    points.push_back(reader.GetVertexFromFaceByIndex(record, k));
  return points;
}

Vector3fX FaceNormal(const QuakeBspX& m, const bsp_face& face) {
  const Vector3fX n = m.planes[face.plane].normal;
  return face.plane_side ? -n : n;
}

// Quake faces wind clockwise seen from the front.
bool WindsClockwise(const std::vector<Vector3fX>& points, const Vector3fX& normal) {
  return Dot(Cross(points[1] - points[0], points[2] - points[0]), normal) < 0;
}

Vector3fX Centre(const std::vector<Vector3fX>& points) {
  Vector3fX c;
  for (const Vector3fX& p : points) c += p * (1.0f / float(points.size()));
  return c;
}

// The leaf that holds the point, walking the tree from the world's head node; -1 when the walk
// does not end in a leaf.
int LeafAt(const QuakeBspX& m, const Vector3fX& p) {
  int32_t n = m.models.empty() ? 0 : m.models[0].head_node;
  for (size_t guard = 0; n >= 0 && size_t(n) < m.nodes.size() && guard <= m.nodes.size(); ++guard) {
    const bsp_plane& plane = m.planes[m.nodes[n].plane];
    n = m.nodes[n].children[Dot(plane.normal, p) - plane.distance >= 0 ? 0 : 1];
  }
  return n < 0 ? -n - 1 : -1;
}

uint32_t ContentsAt(const QuakeBspX& m, const Vector3fX& p) {
  const int leaf = LeafAt(m, p);
  return leaf < 0 ? ~0u : m.leaves[leaf].brush_or;
}

bool InsideBrush(const QuakeBspX& m, const bsp_brush& b, const Vector3fX& p) {
  for (int32_t s = b.first_side; s < b.first_side + b.num_sides; ++s) {
    const bsp_plane& plane = m.planes[m.brush_sides[s].plane];
    if (Dot(plane.normal, p) - plane.distance > -0.01f) return false;
  }
  return true;
}

// Problems collected by the structural checks; the first 20 are kept.
class Problems {
 public:
  void operator()(const std::string& what) {
    if (mList.size() < 20) mList.push_back(what);
  }
  const std::vector<std::string>& List() const { return mList; }

 private:
  std::vector<std::string> mList;
};

void CheckDirectory(const ReadBSPQuake& r, Problems& fail) {
  const bsp_header& header = r.GetHeader();
  if (std::string(header.magic.data(), 4) != "IBSP") fail("magic");
  if (header.version != bsp_header::sVersion) fail("version");
  for (const QuakeBspLumpX& lump : sQuakeBspLumps)
    if (header.lumps[lump.id].length % lump.recordSize)
      fail("lump " + std::to_string(lump.id) + " has a partial record");
  const QuakeBspX& m = r.GetMap();
  const std::string entities(m.entities.begin(), m.entities.end());
  if (entities.empty() || entities.back() != '\0') fail("entities are not terminated");
  if (entities.find("\"worldspawn\"") == std::string::npos) fail("no worldspawn");
  for (const bsp_plane& p : m.planes)
    if (std::fabs(p.normal.LengthSquared() - 1) > 1e-3f) fail("plane normal is not a unit vector");
}

void CheckFaces(const ReadBSPQuake& r, Problems& fail) {
  const QuakeBspX& m = r.GetMap();
  for (size_t f = 0; f < m.faces.size(); ++f) {
    const bsp_face& face = m.faces[f];
    if (face.plane >= m.planes.size() || face.texture_info >= m.texinfos.size())
      fail("face plane or texinfo out of range");
    if (face.num_edges < 3 || size_t(face.first_edge) + face.num_edges > m.face_edges.size())
      fail("face edges out of range");
    // Lightmaps stay inside the lighting lump.
    const BspFaceStateX& state = r.GetFaceStates()[f];
    if (!state.valid || face.lightmap_styles[0] == 255 || face.lightmap_offset < 0) continue;
    const uint64_t bytes = uint64_t(state.lightmap.Width()) * state.lightmap.Height() * 3;
    if (state.lightmap.s_extent < 0 || face.lightmap_offset + bytes > m.lighting.size())
      fail("lightmap leaves the lighting lump");
  }
  for (int32_t e : m.face_edges)
    if (e == 0 || size_t(std::abs(int64_t(e))) >= m.edges.size()) fail("face edge out of range");
  for (const bsp_edge& e : m.edges)
    if (e.v[0] >= m.vertices.size() || e.v[1] >= m.vertices.size())
      fail("edge vertex out of range");
  if (r.GetNumberOfBadFaces()) fail("the reader left faces out");
}

void CheckLeavesAndBrushes(const QuakeBspX& m, Problems& fail) {
  for (const bsp_leaf& leaf : m.leaves) {
    if (size_t(leaf.first_leaf_face) + leaf.num_leaf_faces > m.leaf_faces.size())
      fail("leaf faces out of range");
    if (size_t(leaf.first_leaf_brush) + leaf.num_leaf_brushes > m.leaf_brushes.size())
      fail("leaf brushes out of range");
  }
  if (m.leaves.empty() || m.leaves[0].brush_or != BSP_CONTENTS_SOLID) fail("leaf 0 is not solid");
  for (uint16_t i : m.leaf_faces)
    if (i >= m.faces.size()) fail("leaf face index out of range");
  for (uint16_t i : m.leaf_brushes)
    if (i >= m.brushes.size()) fail("leaf brush index out of range");
  for (const bsp_brush& b : m.brushes)
    if (b.first_side < 0 || b.num_sides < 4 ||
        size_t(b.first_side) + size_t(b.num_sides) > m.brush_sides.size())
      fail("brush sides out of range");
  for (const bsp_brush_side& s : m.brush_sides)
    if (s.plane >= m.planes.size() || s.texture_info < -1 ||
        s.texture_info >= int32_t(m.texinfos.size()))
      fail("brush side plane or texinfo out of range");
  for (const bsp_texinfo& t : m.texinfos)
    if (t.next_texinfo < -1 || t.next_texinfo >= int32_t(m.texinfos.size()))
      fail("texinfo chain out of range");
}

// Every node and leaf hangs in the tree exactly once; head nodes and leaf 0 (the solid outside
// every map has) in none.
void CheckTree(const QuakeBspX& m, Problems& fail) {
  const size_t nodes = m.nodes.size(), leaves = m.leaves.size();
  std::vector<int> nodeSeen(nodes), leafSeen(leaves);
  for (size_t n = 0; n < nodes; ++n) {
    const bsp_node& node = m.nodes[n];
    if (size_t(node.plane) >= m.planes.size()) fail("node plane out of range");
    if (size_t(node.first_face) + node.num_faces > m.faces.size()) fail("node faces out of range");
    for (int32_t c : node.children) {
      if (c >= 0 && (size_t(c) >= nodes || size_t(c) <= n))
        fail("node child out of range or not below its parent");
      else if (c >= 0)
        ++nodeSeen[c];
      if (c < 0 && size_t(-int64_t(c) - 1) >= leaves)
        fail("leaf child out of range");
      else if (c < 0)
        ++leafSeen[-int64_t(c) - 1];
    }
  }
  if (m.models.empty() || m.models[0].head_node < 0 || size_t(m.models[0].head_node) >= nodes)
    return fail("no world model with a valid head node");
  std::vector<bool> head(nodes);
  for (const bsp_model& model : m.models)
    if (model.head_node >= 0 && size_t(model.head_node) < nodes) head[model.head_node] = true;
  for (size_t n = 0; n < nodes; ++n)
    if (nodeSeen[n] != (head[n] ? 0 : 1)) fail("node not in the tree once");
  for (size_t l = 0; l < leaves; ++l)
    if (leafSeen[l] != (l == 0 ? 0 : 1)) fail("leaf not in the tree once");
}

// Structural rules every Quake 2 map follows; the first problems found.
std::vector<std::string> CheckStructure(const ReadBSPQuake& r) {
  Problems fail;
  CheckDirectory(r, fail);
  CheckFaces(r, fail);
  CheckLeavesAndBrushes(r.GetMap(), fail);
  CheckTree(r.GetMap(), fail);
  return fail.List();
}

const std::string kCityMap = std::string(KX_RESOURCES_DIR) + "/maps/bwcity2.bsp";

class GeneratedMap : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sReader = new ReadBSPQuake;
    sLoaded = ReadWholeMap(*sReader, kCityMap);
  }
  static void TearDownTestSuite() { delete sReader; }
  void SetUp() override { ASSERT_TRUE(sLoaded) << "the build did not generate the map"; }
  static const QuakeBspX& M() { return sReader->GetMap(); }
  static ReadBSPQuake* sReader;
  static bool sLoaded;
};
ReadBSPQuake* GeneratedMap::sReader = nullptr;
bool GeneratedMap::sLoaded = false;

TEST_F(GeneratedMap, FollowsThePublishedFormat) {
  const QuakeBspX& m = M();
  EXPECT_EQ(CheckStructure(*sReader), std::vector<std::string>{});
  for (const QuakeBspLumpX& lump : sQuakeBspLumps) {
    const bsp_lump& entry = sReader->GetHeader().lumps[lump.id];
    EXPECT_EQ(entry.offset % 4, 0u) << "lump " << lump.id;
    EXPECT_GT(entry.length, 0u) << "lump " << lump.id << " is empty";
  }
  const std::string entities(m.entities.begin(), m.entities.end());
  EXPECT_NE(entities.find("\"info_player_start\""), std::string::npos);
  std::printf(
      "map: %zu faces, %zu nodes, %zu leaves, %zu brushes, %zu planes, %zu vertices, %zu lighting "
      "bytes\n",
      m.faces.size(), m.nodes.size(), m.leaves.size(), m.brushes.size(), m.planes.size(),
      m.vertices.size(), m.lighting.size());
  // Every face belongs to exactly one node, which lies in the face's plane.
  std::vector<int> owner(m.faces.size(), 0);
  for (const bsp_node& node : m.nodes)
    for (int i = node.first_face; i < node.first_face + node.num_faces; ++i) {
      ++owner[i];
      EXPECT_EQ(int32_t(m.faces[i].plane), node.plane);
    }
  EXPECT_TRUE(std::all_of(owner.begin(), owner.end(), [](int n) { return n == 1; }));
  EXPECT_EQ(m.models[0].first_face, 0);
  EXPECT_EQ(size_t(m.models[0].num_faces), m.faces.size());
}

TEST_F(GeneratedMap, RecordsWrittenAgainGiveTheSameFile) {
  std::ifstream in(kCityMap, std::ios::binary);
  const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
  EXPECT_TRUE(SaveQuakeBsp(M()) == file);
}

TEST_F(GeneratedMap, FacesAreFlatClockwiseAndBoundAnEmptyLeaf) {
  const QuakeBspX& m = M();
  for (size_t i = 0; i < m.faces.size(); ++i) {
    const bsp_face& face = m.faces[i];
    const auto points = FacePoints(*sReader, i);
    const Vector3fX n = FaceNormal(m, face);
    const bsp_plane& plane = m.planes[face.plane];
    for (const Vector3fX& p : points)
      ASSERT_NEAR(Dot(plane.normal, p), plane.distance, 0.01f) << "face " << i;
    ASSERT_TRUE(WindsClockwise(points, n)) << "face " << i;
    const Vector3fX c = Centre(points);
    const int front = LeafAt(m, c + n), back = LeafAt(m, c - n);
    ASSERT_GE(front, 0);
    ASSERT_GE(back, 0);
    EXPECT_EQ(m.leaves[front].brush_or, BSP_CONTENTS_EMPTY)
        << "face " << i << " does not face open space";
    EXPECT_EQ(m.leaves[back].brush_or, BSP_CONTENTS_SOLID)
        << "face " << i << " has no solid behind it";
    const bsp_leaf& leaf = m.leaves[front];
    const auto first = m.leaf_faces.begin() + leaf.first_leaf_face;
    EXPECT_NE(std::find(first, first + leaf.num_leaf_faces, i), first + leaf.num_leaf_faces)
        << "face " << i << " is missing from its leaf's face list";
  }
}

TEST_F(GeneratedMap, BrushesFillTheSolidLeavesOnly) {
  const QuakeBspX& m = M();
  std::vector<int> used(m.brushes.size(), 0);
  for (size_t l = 1; l < m.leaves.size(); ++l) {
    const bsp_leaf& leaf = m.leaves[l];
    const bool solid = leaf.brush_or == BSP_CONTENTS_SOLID;
    const Vector3fX c{(leaf.mins[0] + leaf.maxs[0]) * 0.5f, (leaf.mins[1] + leaf.maxs[1]) * 0.5f,
                      solid ? (leaf.mins[2] + leaf.maxs[2]) * 0.5f : leaf.mins[2] + 8.0f};
    EXPECT_EQ(LeafAt(m, c), int(l)) << "leaf bounds disagree with the tree";
    if (solid) {
      ASSERT_GE(leaf.num_leaf_brushes, 1) << "solid leaf " << l << " without brush";
      for (int k = 0; k < leaf.num_leaf_brushes; ++k) {
        const uint16_t b = m.leaf_brushes[leaf.first_leaf_brush + k];
        ++used[b];
        EXPECT_TRUE(InsideBrush(m, m.brushes[b], c))
            << "leaf " << l << " lists a brush that misses it";
      }
    } else {
      const auto containing =
          std::count_if(m.brushes.begin(), m.brushes.end(),
                        [&](const bsp_brush& b) { return InsideBrush(m, b, c); });
      EXPECT_EQ(containing, 0) << "empty leaf " << l << " lies inside a brush";
      EXPECT_EQ(leaf.num_leaf_brushes, 0);
    }
  }
  EXPECT_TRUE(std::all_of(used.begin(), used.end(), [](int n) { return n > 0; }));
  for (const bsp_brush& b : m.brushes) EXPECT_EQ(b.contents, int32_t(BSP_CONTENTS_SOLID));
}

TEST_F(GeneratedMap, LightmapsTileTheLightingLumpAndShowTheLamps) {
  const QuakeBspX& m = M();
  std::vector<std::pair<uint64_t, uint64_t>> spans;  // offset, bytes
  for (size_t f = 0; f < m.faces.size(); ++f) {
    const bsp_face& face = m.faces[f];
    const BspFaceStateX& state = sReader->GetFaceStates()[f];
    EXPECT_TRUE(state.lit) << "face " << f;
    EXPECT_LE(state.lightmap.Width(), 16u);
    EXPECT_LE(state.lightmap.Height(), 16u);
    ASSERT_GE(face.lightmap_offset, 0);
    EXPECT_EQ(face.lightmap_styles[0], 0);
    spans.push_back({face.lightmap_offset, state.lightmap.Width() * state.lightmap.Height() * 3});
  }
  std::sort(spans.begin(), spans.end());
  uint64_t next = 0;
  for (const auto& [offset, bytes] : spans) {
    EXPECT_EQ(offset, next) << "lightmaps overlap or leave gaps";
    next = offset + bytes;
  }
  EXPECT_EQ(next, m.lighting.size());
  // A night city: mostly dark, with bright spots under the lamps.
  std::vector<uint8_t> green;
  for (size_t i = 1; i < m.lighting.size(); i += 3) green.push_back(m.lighting[i]);
  std::nth_element(green.begin(), green.begin() + green.size() / 2, green.end());
  EXPECT_LT(green[green.size() / 2], 40);
  EXPECT_GT(*std::max_element(green.begin(), green.end()), 150);
}

TEST_F(GeneratedMap, GamePlacesAreInOpenSpaceAboveGround) {
  const QuakeBspX& m = M();
  for (const Place& place : GamePlaces()) {
    const Vector3fX p = place.Map();
    EXPECT_EQ(ContentsAt(m, p), BSP_CONTENTS_EMPTY) << place.name << " is inside solid";
    // The whole sphere stays outside every brush: some side of each brush keeps it out.
    for (const bsp_brush& b : m.brushes) {
      bool separated = false;
      for (int32_t s = b.first_side; s < b.first_side + b.num_sides && !separated; ++s) {
        const bsp_plane& plane = m.planes[m.brush_sides[s].plane];
        separated = Dot(plane.normal, p) - plane.distance >= place.radius - 0.01f;
      }
      EXPECT_TRUE(separated) << place.name << " overlaps a brush";
    }
    // Ground below: going down, solid is met within 600 units.
    float depth = 0;
    while (depth < 600 && ContentsAt(m, p - Vector3fX{0, 0, depth}) == BSP_CONTENTS_EMPTY)
      depth += 4;
    EXPECT_LT(depth, 600) << place.name << " has no ground below";
  }
}

// The top of the ground under every 16-unit square of the world model, from the (box) brushes.
struct FloorGrid {
  float x0, y0;
  int nx, ny;
  std::vector<float> top;
  int CellOf(const Vector3fX& p) const { return int((p.y - y0) / 16) * nx + int((p.x - x0) / 16); }
};

FloorGrid Floors(const QuakeBspX& m) {
  const bsp_model& world = m.models[0];
  FloorGrid g{world.mins.x + 1, world.mins.y + 1, 0, 0, {}};
  g.nx = int((world.maxs.x - 1 - g.x0) / 16);
  g.ny = int((world.maxs.y - 1 - g.y0) / 16);
  g.top.assign(size_t(g.nx) * g.ny, -1e9f);
  for (const bsp_brush& b : m.brushes) {
    std::array<float, 3> lo{-1e9f, -1e9f, -1e9f}, hi{1e9f, 1e9f, 1e9f};
    for (int32_t s = b.first_side; s < b.first_side + b.num_sides; ++s) {
      const bsp_plane& plane = m.planes[m.brush_sides[s].plane];
      const float n[3] = {plane.normal.x, plane.normal.y, plane.normal.z};
      for (int k = 0; k < 3; ++k) {
        if (n[k] > 0.99f) hi[k] = plane.distance;
        if (n[k] < -0.99f) lo[k] = -plane.distance;
      }
    }
    for (int j = 0; j < g.ny; ++j)
      for (int i = 0; i < g.nx; ++i) {
        const float x = g.x0 + 16 * i + 8, y = g.y0 + 16 * j + 8;
        if (x > lo[0] && x < hi[0] && y > lo[1] && y < hi[1])
          g.top[j * g.nx + i] = std::max(g.top[j * g.nx + i], hi[2]);
      }
  }
  return g;
}

// The squares a walker reaches from `from`: up at most one 16-unit step, down any height.
std::vector<bool> Reachable(const FloorGrid& g, int from) {
  std::vector<bool> seen(g.top.size());
  std::queue<int> open;
  open.push(from);
  seen[from] = true;
  while (!open.empty()) {
    const int c = open.front();
    open.pop();
    const int i = c % g.nx, j = c / g.nx;
    const int next[4][2] = {{i + 1, j}, {i - 1, j}, {i, j + 1}, {i, j - 1}};
    for (const auto& n : next) {
      if (n[0] < 0 || n[1] < 0 || n[0] >= g.nx || n[1] >= g.ny) continue;
      const int d = n[1] * g.nx + n[0];
      if (!seen[d] && g.top[d] - g.top[c] <= 16.5f) seen[d] = true, open.push(d);
    }
  }
  return seen;
}

TEST_F(GeneratedMap, StreetsConnectEverySpawnPointToThePlayer) {
  const FloorGrid floors = Floors(M());
  const auto places = GamePlaces();
  const int player = floors.CellOf(places[0].Map());
  for (const Place& place : places) {
    if (place.radius == 0) continue;
    EXPECT_TRUE(Reachable(floors, floors.CellOf(place.Map()))[player])
        << place.name << " cannot walk to the player";
  }
  // And the player can walk to every spawn point and sound (the streets form one network).
  const auto fromPlayer = Reachable(floors, player);
  for (const Place& place : places)
    EXPECT_TRUE(fromPlayer[floors.CellOf(place.Map())]) << place.name;
}

TEST(ReferenceMap, PassesTheSameChecksAndWindsFacesTheSameWay) {
  const char* source = std::getenv("KX_SOURCE_DIR");
  const std::string path =
      std::string(source ? source : ".") + "/../shared/testdata/q2map/mp_lobby_q2.bsp";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "reference map not available";
  ReadBSPQuake reader;
  ASSERT_TRUE(ReadWholeMap(reader, path));
  EXPECT_EQ(CheckStructure(reader), std::vector<std::string>{});
  EXPECT_EQ(reader.GetFaces().size(), 24u);
  EXPECT_EQ(reader.GetLighting().size(), 12414u);
  for (size_t f = 0; f < reader.GetFaces().size(); ++f)
    EXPECT_TRUE(
        WindsClockwise(FacePoints(reader, f), FaceNormal(reader.GetMap(), reader.GetFaces()[f])));
}

}  // namespace
}  // namespace kxtest
