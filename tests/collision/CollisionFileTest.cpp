// The ".bpX" file: round trip, the structure manager's load/build/stale decisions, refused
// saves, and a sweep of hostile files (every truncation, flipped bytes, huge counts) that must
// all be rejected without a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <random>

#include "CollisionTestSupport.h"
#include "ReportCaptureX.h"
#include "ScratchFolderX.h"
#include "collision/CollisionBSPX.h"
#include "collision/CollisionDataStructureManagerX.h"
#include "collision/CollisionHandlerX.h"
#include "collision/ReadCollisionBSPX.h"
#include "collision/SaveCollisionBSPX.h"

using namespace colltest;

namespace {

MeshX SmallTown() {
  std::vector<TriangleX> triangles;
  AddTiledQuad(triangles, {0, 0, 0}, {0, 0, 400}, {400, 0, 0}, 2);
  AddBox(triangles, {100, 0, 100}, {200, 120, 200});
  AddBox(triangles, {250, 0, 250}, {300, 60, 380});
  return MeshFromTriangles(triangles);
}

void BuildSmallTown(CollisionBSPX& tree) {
  tree.CreateFromMesh(SmallTown());
  tree.BuildTree();
}

const CollisionFileStampX kStamp{1234, 0xABCDEF};

std::vector<uint8_t> SavedImage(const CollisionBSPX& tree) {
  ScratchFolderX folder;
  SaveCollisionBSPX saver(FilesFolder(folder));
  EXPECT_TRUE(saver.Save(tree, StringX("town"), kStamp));
  return ReadBytes(folder.File("town.bpX"));
}

// The tree a file image holds (null when the image is refused).
std::unique_ptr<CollisionBSPX> Load(const std::vector<uint8_t>& image, size_t length = SIZE_MAX) {
  ReadCollisionBSPX reader(image.data(), uint32_t(std::min(length, image.size())));
  return std::unique_ptr<CollisionBSPX>(reader.GetBSPTree(kStamp));
}

// `image` with `bytes` written over it from `at` on.
std::vector<uint8_t> Patched(std::vector<uint8_t> image, size_t at,
                             std::initializer_list<uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), image.begin() + std::ptrdiff_t(at));
  return image;
}

void ExpectSameTrees(const CollisionBSPX& a, const CollisionBSPX& b) {
  ASSERT_EQ(a.mMainVertexList.Size(), b.mMainVertexList.Size());
  for (uint32_t i = 0; i < a.mMainVertexList.Size(); ++i) {
    EXPECT_TRUE(a.mMainVertexList[i].IsSame(b.mMainVertexList[i]));
  }
  ASSERT_EQ(a.mAllPolygons.Size(), b.mAllPolygons.Size());
  for (uint32_t i = 0; i < a.mAllPolygons.Size(); ++i) {
    EXPECT_EQ(a.mAllPolygons[i].mCollisionFlags, b.mAllPolygons[i].mCollisionFlags);
    for (uint32_t k = 0; k < 3; ++k) {
      EXPECT_EQ(a.mAllPolygons[i].mIndexList[k], b.mAllPolygons[i].mIndexList[k]);
    }
    EXPECT_EQ(b.mAllPolygons[i].mMainVertexList, &b.mMainVertexList);
  }
  ASSERT_EQ(a.mPlanes.Size(), b.mPlanes.Size());
  for (uint32_t i = 0; i < a.mPlanes.Size(); ++i) EXPECT_TRUE(Equal(a.mPlanes[i], b.mPlanes[i]));
  ASSERT_EQ(a.mBoundingVolumes.Size(), b.mBoundingVolumes.Size());
  ASSERT_EQ(a.mNodes.Size(), b.mNodes.Size());
  for (uint32_t i = 0; i < a.mNodes.Size(); ++i) {
    const CollisionBSPNodeX& x = a.mNodes[i];
    const CollisionBSPNodeX& y = b.mNodes[i];
    EXPECT_EQ(x.mSplitPlaneIndex, y.mSplitPlaneIndex);
    EXPECT_EQ(x.mFrontIndex, y.mFrontIndex);
    EXPECT_EQ(x.mBackIndex, y.mBackIndex);
    EXPECT_EQ(x.mBoundingVolumeIndex, y.mBoundingVolumeIndex);
    // Interior nodes come back without their lists.
    EXPECT_EQ(y.mPolygonIndices.Size(), x.IsLeaf() ? x.mPolygonIndices.Size() : 0u);
  }
}

}  // namespace

TEST(CollisionFileTest, SavedTreeReadsBackAndAnswersTheSame) {
  CollisionBSPX built;
  BuildSmallTown(built);
  const std::vector<uint8_t> image = SavedImage(built);
  ASSERT_FALSE(image.empty());
  EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "BSPX");
  ReadCollisionBSPX reader(image.data(), uint32_t(image.size()));
  std::unique_ptr<CollisionBSPX> loaded(reader.GetBSPTree(kStamp));
  ASSERT_TRUE(loaded);
  ExpectSameTrees(built, *loaded);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coordinate(-50.f, 450.f);
  for (int i = 0; i < 500; ++i) {
    const Vector3fX from{coordinate(random), coordinate(random) * 0.3f, coordinate(random)};
    const Vector3fX to{coordinate(random), coordinate(random) * 0.3f, coordinate(random)};
    CollisionResultX a;
    CollisionResultX b;
    const bool hitA = built.TestSweptSphere(from, to, 5, a);
    ASSERT_EQ(hitA, loaded->TestSweptSphere(from, to, 5, b));
    if (hitA) {
      EXPECT_TRUE(Equal(a.mPoint, b.mPoint, 0.f));
    }
  }
  // A different source stamp makes the file stale.
  EXPECT_EQ(reader.GetBSPTree(CollisionFileStampX{1235, 0xABCDEF}), nullptr);
}

TEST(CollisionFileTest, HostileFilesAreRejected) {
  CollisionBSPX built;
  BuildSmallTown(built);
  const std::vector<uint8_t> image = SavedImage(built);
  ASSERT_GT(image.size(), 100u);
  ReportCaptureX log;
  for (size_t length = 0; length < image.size(); ++length)
    EXPECT_FALSE(Load(image, length)) << "length " << length;
  // Every byte flipped: the file is rejected or, where the change is harmless (a coordinate,
  // a flags byte), reads as a tree whose every index is in range.
  size_t accepted = 0;
  for (size_t at = 0; at < image.size(); ++at) {
    std::unique_ptr<CollisionBSPX> tree = Load(Patched(image, at, {uint8_t(image[at] ^ 0xFF)}));
    if (!tree) continue;
    ++accepted;
    CollisionResultX result;
    tree->TestSweptSphere({-10, 50, -10}, {450, 50, 450}, 20, result);
    tree->TestRayIntersect({-10, 50, -10}, {1, 0, 1}, result);
    tree->TestSphereOverlap({200, 0, 200}, 300);
  }
  EXPECT_LT(accepted, image.size());
  // Wrong magic, wrong version, huge vertex and polygon counts, trailing bytes.
  const size_t header = ReadWriteEngineFilesX::sHeaderSize;
  const size_t polygons = header + 2 + 12 * built.mMainVertexList.Size();
  EXPECT_FALSE(Load(Patched(image, 0, {'X'})));
  EXPECT_FALSE(Load(Patched(image, 4, {1})));
  EXPECT_TRUE(log.Has("wrong version"));
  EXPECT_FALSE(Load(Patched(image, header, {0xFF, 0xFF})));
  EXPECT_FALSE(Load(Patched(image, polygons, {0xFF, 0xFF})));
  std::vector<uint8_t> longer = image;
  longer.push_back(0);
  EXPECT_FALSE(Load(longer));
  EXPECT_TRUE(log.Has("ReadCollisionBSPX, rejected"));
}

TEST(CollisionFileTest, PolygonWithFourIndicesOrAChildLoopIsRejected) {
  CollisionBSPX built;
  built.AddMeshTriangles(
      MeshFromTriangles({{Vector3fX{0, 0, 0}, Vector3fX{1, 0, 0}, Vector3fX{1, 1, 0}},
                         {Vector3fX{0, 0, 0}, Vector3fX{1, 1, 0}, Vector3fX{0, 1, 0}}}));
  built.BuildTree();
  const std::vector<uint8_t> image = SavedImage(built);
  const size_t polygons =
      ReadWriteEngineFilesX::sHeaderSize + 2 + 12 * built.mMainVertexList.Size();
  EXPECT_FALSE(Load(Patched(image, polygons + 2 + 1, {4})));  // index count of the first polygon
  // The root's front child pointing back at the root.
  const size_t nodes = image.size() - (8 + 8 + 2 + 2 + 8 + 2 + 2);
  EXPECT_FALSE(Load(Patched(image, nodes + 4, {0, 0})));
}

TEST(CollisionFileTest, TreesThatWouldMakeQueriesRunAwayAreRejected) {
  // A hand-made chain deeper than any build makes, and a node reached through both links.
  auto image = [](uint32_t chain, bool twoParents) {
    CollisionBSPX tree;
    tree.AddMeshTriangles(
        MeshFromTriangles({{Vector3fX{0, 0, 0}, Vector3fX{1, 0, 0}, Vector3fX{0, 1, 0}}}));
    tree.mPlanes.Add(PlaneX({0, 0, 1}, 5));
    for (uint32_t i = 0; i < chain; ++i) {
      CollisionBSPNodeX node;
      if (i + 1 < chain) {
        node.mSplitPlaneIndex = 0;
        node.mFrontIndex = uint16_t(i + 1);
        if (twoParents) node.mBackIndex = uint16_t(i + 1);
      } else {
        node.mPolygonIndices.Add(0);
      }
      tree.mNodes.Add(node);
    }
    return SavedImage(tree);
  };
  ReportCaptureX log;
  std::unique_ptr<CollisionBSPX> tree = Load(image(30, false));
  ASSERT_TRUE(tree);
  CollisionResultX result;
  EXPECT_TRUE(tree->TestRayIntersect({0.2f, 0.2f, 10}, {0, 0, -1}, result));
  EXPECT_FALSE(Load(image(40, false)));
  EXPECT_TRUE(log.Has("tree deeper than a build makes"));
  EXPECT_FALSE(Load(image(30, true)));
  EXPECT_TRUE(log.Has("node with two parents"));
}

TEST(CollisionFileTest, SaveRefusesWhatTheFileCannotHoldAndFailedWrites) {
  ScratchFolderX folder;
  CollisionBSPX big;
  for (uint32_t i = 0; i < 70000; ++i) big.mMainVertexList.Add(Vector3fX{float(i), 0, 0});
  PolygonLightX polygon(&big.mMainVertexList);
  polygon.AddVertex(uint16_t(0));
  polygon.AddVertex(uint16_t(1));
  polygon.AddVertex(uint16_t(2));
  big.mAllPolygons.Add(polygon);
  SaveCollisionBSPX saver(FilesFolder(folder));
  EXPECT_FALSE(saver.Save(big, StringX("big"), kStamp));
  EXPECT_FALSE(std::filesystem::exists(folder.File("big.bpX")));
  // A folder that cannot be created: nothing is written, the save reports failure.
  CollisionBSPX small;
  BuildSmallTown(small);
  WriteBytes(folder.File("blocker"), {1, 2, 3});
  SaveCollisionBSPX blocked(StringX(folder.File("blocker/").c_str()));
  EXPECT_FALSE(blocked.Save(small, StringX("town"), kStamp));
  // Only the one plain file is left in the folder: no temporary files.
  const auto entries = std::filesystem::directory_iterator(folder.Path());
  EXPECT_EQ(std::distance(begin(entries), end(entries)), 1);
}

TEST(CollisionFileTest, ManagerBuildsLoadsAndRebuildsStaleOrBadFiles) {
  ScratchFolderX folder;
  const std::string file = folder.File("maps_town.bsp.bpX");
  const StringX map("maps\\town.bsp");
  const MeshX town = SmallTown();
  ArrayX<const MeshX*> meshes;
  meshes.Add(&town);
  {
    ReportCaptureX log;
    CollisionDataStructureManagerX manager(FilesFolder(folder));
    CollisionDataStructureBaseX* first = manager.GetWorldDataStructure(map, meshes, 77);
    ASSERT_TRUE(first);
    EXPECT_TRUE(log.Has("CollisionBSPX, creating a BSP tree : maps\\town.bsp"));
    EXPECT_TRUE(log.Has("CollisionDataStructureManagerX, Created KorvelX-BSP: maps\\town.bsp"));
    EXPECT_TRUE(std::filesystem::exists(file));
    // The same name again: the same object, no file touched.
    std::filesystem::remove(file);
    EXPECT_EQ(manager.GetWorldDataStructure(map, meshes, 77), first);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(manager.GetBuiltCount(), 1u);
    // A mesh structure of another name, through the typed request.
    EXPECT_TRUE(manager.GetDataStructure(StringX("group#0"), CollisionHandlerX::BSP, town));
  }
  // A later run of the program with a new manager: {built, loaded}.
  auto run = [&](const ArrayX<const MeshX*>& list, int64_t sourceTime) {
    CollisionDataStructureManagerX manager(FilesFolder(folder));
    EXPECT_TRUE(manager.GetWorldDataStructure(map, list, sourceTime));
    return std::make_pair(manager.GetBuiltCount(), manager.GetLoadedCount());
  };
  using CountsX = std::pair<uint32_t, uint32_t>;
  EXPECT_EQ(run(meshes, 77), CountsX(1, 0));  // writes the file
  {
    ReportCaptureX log;
    EXPECT_EQ(run(meshes, 77), CountsX(0, 1));
    EXPECT_TRUE(log.Has("CollisionDataStructureManagerX, Loaded KorvelX-BSP file: maps\\town.bsp"));
  }
  // The map's time changed: the file is stale and is built again.
  EXPECT_EQ(run(meshes, 78), CountsX(1, 0));
  // The map's geometry changed under the same time.
  MeshX changed = town;
  changed.mVertexList[0].position.x += 1.f;
  ArrayX<const MeshX*> changedList;
  changedList.Add(&changed);
  EXPECT_EQ(run(changedList, 78), CountsX(1, 0));
  EXPECT_EQ(run(changedList, 78), CountsX(0, 1));
  // A truncated file is rejected, built again and overwritten with a good one.
  std::vector<uint8_t> bytes = ReadBytes(file);
  bytes.resize(bytes.size() / 2);
  WriteBytes(file, bytes);
  {
    ReportCaptureX log;
    EXPECT_EQ(run(changedList, 78), CountsX(1, 0));
    EXPECT_TRUE(log.Has("ReadCollisionBSPX, rejected"));
  }
  EXPECT_EQ(run(changedList, 78), CountsX(0, 1));
}
