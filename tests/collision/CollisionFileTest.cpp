// The ".bpX" file: round trip, the structure manager's load/build/stale decisions, refused
// saves, and a sweep of hostile files (every truncation, flipped bytes, huge counts) that must
// all be rejected without a crash.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "CollisionTestSupport.h"
#include "ReportCaptureX.h"
#include "collision/CollisionBSPX.h"
#include "collision/CollisionDataStructureManagerX.h"
#include "collision/CollisionHandlerX.h"
#include "collision/ReadCollisionBSPX.h"
#include "collision/SaveCollisionBSPX.h"

using namespace colltest;

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

MeshX SmallTown() {
  std::vector<TriangleX> triangles;
  AddTiledQuad(triangles, {0, 0, 0}, {0, 0, 400}, {400, 0, 0}, 2);
  AddBox(triangles, {100, 0, 100}, {200, 120, 200});
  AddBox(triangles, {250, 0, 250}, {300, 60, 380});
  return MeshFromTriangles(triangles);
}

const CollisionFileStampX kStamp{1234, 0xABCDEF};

std::vector<uint8_t> SavedImage(const CollisionBSPX& tree) {
  const std::string folder = TempFolder("image");
  SaveCollisionBSPX saver(StringX(folder.c_str()));
  EXPECT_TRUE(saver.Save(tree, StringX("town"), kStamp));
  return ReadAll(folder + "town.bpX");
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
  built.CreateFromMesh(SmallTown());
  built.BuildTree();
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
  built.CreateFromMesh(SmallTown());
  built.BuildTree();
  const std::vector<uint8_t> image = SavedImage(built);
  ASSERT_GT(image.size(), 100u);
  ReportCaptureX log;
  // Every truncation.
  for (size_t length = 0; length < image.size(); ++length) {
    ReadCollisionBSPX reader(image.data(), uint32_t(length));
    EXPECT_EQ(reader.GetBSPTree(kStamp), nullptr) << "length " << length;
  }
  // Every byte flipped: the file is rejected or, where the change is harmless (a coordinate,
  // a flags byte), reads as a tree whose every index is in range.
  size_t accepted = 0;
  for (size_t at = 0; at < image.size(); ++at) {
    std::vector<uint8_t> bad = image;
    bad[at] ^= 0xFF;
    ReadCollisionBSPX reader(bad.data(), uint32_t(bad.size()));
    std::unique_ptr<CollisionBSPX> tree(reader.GetBSPTree(kStamp));
    if (!tree) continue;
    ++accepted;
    CollisionResultX result;
    tree->TestSweptSphere({-10, 50, -10}, {450, 50, 450}, 20, result);
    tree->TestRayIntersect({-10, 50, -10}, {1, 0, 1}, result);
    tree->TestSphereOverlap({200, 0, 200}, 300);
  }
  EXPECT_LT(accepted, image.size());
  // Huge counts in every count field.
  const uint32_t header = ReadWriteEngineFilesX::sHeaderSize;
  for (size_t at : {size_t(header), size_t(header + 2 + 12 * built.mMainVertexList.Size())}) {
    std::vector<uint8_t> bad = image;
    bad[at] = 0xFF;
    bad[at + 1] = 0xFF;
    ReadCollisionBSPX reader(bad.data(), uint32_t(bad.size()));
    EXPECT_EQ(reader.GetBSPTree(kStamp), nullptr);
  }
  // Wrong magic, wrong version, trailing bytes.
  std::vector<uint8_t> bad = image;
  bad[0] = 'X';
  EXPECT_EQ(ReadCollisionBSPX(bad.data(), uint32_t(bad.size())).GetBSPTree(kStamp), nullptr);
  bad = image;
  bad[4] = 1;
  EXPECT_EQ(ReadCollisionBSPX(bad.data(), uint32_t(bad.size())).GetBSPTree(kStamp), nullptr);
  EXPECT_TRUE(log.Has("wrong version"));
  bad = image;
  bad.push_back(0);
  EXPECT_EQ(ReadCollisionBSPX(bad.data(), uint32_t(bad.size())).GetBSPTree(kStamp), nullptr);
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
  std::vector<uint8_t> bad = image;
  bad[polygons + 2 + 1] = 4;  // index count of the first polygon
  EXPECT_EQ(ReadCollisionBSPX(bad.data(), uint32_t(bad.size())).GetBSPTree(kStamp), nullptr);
  // The root's front child pointing back at the root.
  const size_t nodes = image.size() - (8 + 8 + 2 + 2 + 8 + 2 + 2);
  bad = image;
  bad[nodes + 4] = 0;
  bad[nodes + 5] = 0;
  EXPECT_EQ(ReadCollisionBSPX(bad.data(), uint32_t(bad.size())).GetBSPTree(kStamp), nullptr);
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
  const std::vector<uint8_t> fine = image(30, false);
  std::unique_ptr<CollisionBSPX> tree(
      ReadCollisionBSPX(fine.data(), uint32_t(fine.size())).GetBSPTree(kStamp));
  ASSERT_TRUE(tree);
  CollisionResultX result;
  EXPECT_TRUE(tree->TestRayIntersect({0.2f, 0.2f, 10}, {0, 0, -1}, result));
  const std::vector<uint8_t> deep = image(40, false);
  EXPECT_EQ(ReadCollisionBSPX(deep.data(), uint32_t(deep.size())).GetBSPTree(kStamp), nullptr);
  EXPECT_TRUE(log.Has("tree deeper than a build makes"));
  const std::vector<uint8_t> shared = image(30, true);
  EXPECT_EQ(ReadCollisionBSPX(shared.data(), uint32_t(shared.size())).GetBSPTree(kStamp), nullptr);
  EXPECT_TRUE(log.Has("node with two parents"));
}

TEST(CollisionFileTest, SaveRefusesWhatTheFileCannotHoldAndFailedWrites) {
  const std::string folder = TempFolder("refuse");
  CollisionBSPX big;
  for (uint32_t i = 0; i < 70000; ++i) big.mMainVertexList.Add(Vector3fX{float(i), 0, 0});
  PolygonLightX polygon(&big.mMainVertexList);
  polygon.AddVertex(uint16_t(0));
  polygon.AddVertex(uint16_t(1));
  polygon.AddVertex(uint16_t(2));
  big.mAllPolygons.Add(polygon);
  SaveCollisionBSPX saver(StringX(folder.c_str()));
  EXPECT_FALSE(saver.Save(big, StringX("big"), kStamp));
  EXPECT_FALSE(std::filesystem::exists(folder + "big.bpX"));
  // A folder that cannot be created: nothing is written, the save reports failure.
  CollisionBSPX small;
  small.CreateFromMesh(SmallTown());
  small.BuildTree();
  const std::string blocker = folder + "blocker";
  WriteAll(blocker, {1, 2, 3});
  SaveCollisionBSPX blocked(StringX((blocker + "/").c_str()));
  EXPECT_FALSE(blocked.Save(small, StringX("town"), kStamp));
  // Only the one plain file is left in the folder: no temporary files.
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}

TEST(CollisionFileTest, ManagerBuildsLoadsAndRebuildsStaleOrBadFiles) {
  const std::string folder = TempFolder("manager");
  const MeshX town = SmallTown();
  ArrayX<const MeshX*> meshes;
  meshes.Add(&town);
  {
    ReportCaptureX log;
    CollisionDataStructureManagerX manager(StringX(folder.c_str()));
    CollisionDataStructureBaseX* first =
        manager.GetWorldDataStructure(StringX("maps\\town.bsp"), meshes, 77);
    ASSERT_TRUE(first);
    EXPECT_TRUE(log.Has("CollisionBSPX, creating a BSP tree : maps\\town.bsp"));
    EXPECT_TRUE(log.Has("CollisionDataStructureManagerX, Created KorvelX-BSP: maps\\town.bsp"));
    EXPECT_TRUE(std::filesystem::exists(folder + "maps_town.bsp.bpX"));
    // The same name again: the same object, no file touched.
    std::filesystem::remove(folder + "maps_town.bsp.bpX");
    EXPECT_EQ(manager.GetWorldDataStructure(StringX("maps\\town.bsp"), meshes, 77), first);
    EXPECT_FALSE(std::filesystem::exists(folder + "maps_town.bsp.bpX"));
    EXPECT_EQ(manager.GetBuiltCount(), 1u);
    // A mesh structure of another name, through the typed request.
    EXPECT_TRUE(manager.GetDataStructure(StringX("group#0"), CollisionHandlerX::BSP, town));
  }
  {
    CollisionDataStructureManagerX manager(StringX(folder.c_str()));
    manager.GetWorldDataStructure(StringX("maps\\town.bsp"), meshes, 77);  // writes the file
  }
  {
    ReportCaptureX log;
    CollisionDataStructureManagerX manager(StringX(folder.c_str()));
    ASSERT_TRUE(manager.GetWorldDataStructure(StringX("maps\\town.bsp"), meshes, 77));
    EXPECT_EQ(manager.GetLoadedCount(), 1u);
    EXPECT_TRUE(log.Has("CollisionDataStructureManagerX, Loaded KorvelX-BSP file: maps\\town.bsp"));
  }
  {
    // The map's time changed: the file is stale and is built again.
    CollisionDataStructureManagerX manager(StringX(folder.c_str()));
    manager.GetWorldDataStructure(StringX("maps\\town.bsp"), meshes, 78);
    EXPECT_EQ(manager.GetBuiltCount(), 1u);
  }
  {
    // The map's geometry changed under the same time.
    MeshX changed = town;
    changed.mVertexList[0].position.x += 1.f;
    ArrayX<const MeshX*> changedList;
    changedList.Add(&changed);
    CollisionDataStructureManagerX manager(StringX(folder.c_str()));
    manager.GetWorldDataStructure(StringX("maps\\town.bsp"), changedList, 78);
    EXPECT_EQ(manager.GetBuiltCount(), 1u);
  }
  {
    // A truncated file is rejected, built again and overwritten with a good one.
    const std::string path = folder + "maps_town.bsp.bpX";
    std::vector<uint8_t> bytes = ReadAll(path);
    bytes.resize(bytes.size() / 2);
    WriteAll(path, bytes);
    ReportCaptureX log;
    CollisionDataStructureManagerX manager(StringX(folder.c_str()));
    ASSERT_TRUE(manager.GetWorldDataStructure(StringX("maps\\town.bsp"), meshes, 78));
    EXPECT_EQ(manager.GetBuiltCount(), 1u);
    EXPECT_TRUE(log.Has("ReadCollisionBSPX, rejected"));
    CollisionDataStructureManagerX again(StringX(folder.c_str()));
    again.GetWorldDataStructure(StringX("maps\\town.bsp"), meshes, 78);
    EXPECT_EQ(again.GetLoadedCount(), 1u);
  }
}
