// The object manager: shared and always-new primitive meshes, object naming, objects over mesh
// assets, folders and the file search. Everything it hands out is freed with it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ReportCaptureX.h"
#include "assets/AssetManagerBaseX.h"
#include "assets/MaterialX.h"
#include "engine/ThreadManagerX.h"
#include "loaders/MeshLoaderX.h"
#include "loaders/Object3DManagerX.h"

namespace {
class Object3DManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AssetManagerBaseX::CreateSingleton();
    mManager = new Object3DManagerX(StringX("Resources\\"), GetAssetManager());
  }
  void TearDown() override {
    delete mManager;
    mManager = nullptr;
    AssetManagerBaseX::DestroySingleton();
    SetMeshLoaderFunction(nullptr);
  }

  ReportCaptureX mCapture;
  Object3DManagerX* mManager = nullptr;
};
}  // namespace

TEST_F(Object3DManagerTest, PrimitiveMeshesAreSharedByParameters) {
  MeshX* sphere = mManager->GetPrimitiveMeshX(PRIMITIVE_SPHERE, 16, 12, false);
  ASSERT_NE(sphere, nullptr);
  EXPECT_EQ(sphere->GetName(), "PRIMITIVE_SPHERE - 1612");
  EXPECT_EQ(mManager->GetPrimitiveMeshX(PRIMITIVE_SPHERE, 16, 12, false), sphere);
  EXPECT_EQ(mCapture.CountLog("Object3DManager, Created Primitive Mesh: PRIMITIVE_SPHERE - 1612"),
            1u);
  ASSERT_EQ(sphere->mMaterials.Size(), 1u);
  EXPECT_EQ(sphere->mMaterials[0]->GetName(), "MaterialPRIMITIVE_SPHERE - 1612");
  EXPECT_EQ(mManager->GetMeshX(StringX("PRIMITIVE_SPHERE - 1612")), sphere);

  MeshX* disc = mManager->GetPrimitiveMeshX(PRIMITIVE_DISC, 8, 4, false);
  MeshX* torus = mManager->GetPrimitiveMeshX(PRIMITIVE_TORUS, 8, 4, false);
  EXPECT_NE(disc, torus);
  EXPECT_TRUE(disc->IsPrimitive(PRIMITIVE_DISC, 8, 4));

  // The numbers of a name run together: (1, 12) and (11, 2) still get their own meshes.
  MeshX* first = mManager->GetPrimitiveMeshX(PRIMITIVE_BOX, 1, 12, false);
  MeshX* second = mManager->GetPrimitiveMeshX(PRIMITIVE_BOX, 11, 2, false);
  EXPECT_NE(first, second);
  EXPECT_TRUE(first->IsPrimitive(PRIMITIVE_BOX, 1, 12));
  EXPECT_TRUE(second->IsPrimitive(PRIMITIVE_BOX, 11, 2));
  EXPECT_EQ(mManager->GetPrimitiveMeshX(PRIMITIVE_BOX, 11, 2, false), second);
  EXPECT_EQ(mManager->GetPrimitiveMeshX(PRIMITIVE_BOX, 1, 12, false), first);

  MeshX* always0 = mManager->GetPrimitiveMeshX(PRIMITIVE_SPHERE, 16, 12, true);
  MeshX* always1 = mManager->GetPrimitiveMeshX(PRIMITIVE_SPHERE, 16, 12, true);
  EXPECT_NE(always0, sphere);
  EXPECT_NE(always0, always1);
  EXPECT_TRUE(always0->mMaterials.Empty());
  EXPECT_EQ(mCapture.CountLog(
                "Object3DManager, Created Primitive Mesh (always): PRIMITIVE_SPHERE - 1612"),
            2u);
  // An always mesh under a free name is entered and found by name.
  MeshX* plane = mManager->GetPrimitiveMeshX(PRIMITIVE_PLANE, 2, 2, true);
  EXPECT_EQ(mManager->GetMeshX(StringX("PRIMITIVE_PLANE - 22")), plane);
  EXPECT_EQ(mManager->GetPrimitiveMeshX(PRIMITIVE_PLANE, 2, 2, false), plane);

  EXPECT_EQ(mManager->GetMeshX(StringX("no such mesh")), nullptr);
  EXPECT_EQ(mCapture.CountText(ReportCaptureX::KindX::Assert, "ite != mMeshes.end()"), 1u);
  EXPECT_EQ(mManager->GetPrimitiveMeshX(12, 1, 1, false), nullptr);
  EXPECT_EQ(mCapture.CountText(ReportCaptureX::KindX::Assert, "Unknown primitive type!"), 1u);
}

TEST_F(Object3DManagerTest, ObjectNamesAndUniqueObjects) {
  Object3DX* ball0 =
      mManager->GetPrimitiveObject3DX(PRIMITIVE_SPHERE, StringX("Ball"), 8, 8, true, false);
  Object3DX* ball1 =
      mManager->GetPrimitiveObject3DX(PRIMITIVE_SPHERE, StringX("Ball"), 8, 8, true, false);
  ASSERT_NE(ball0, ball1);
  const std::string name0 = ball0->GetName().GetCharArray();
  const std::string name1 = ball1->GetName().GetCharArray();
  ASSERT_EQ(name0.rfind("Ball - ", 0), 0u);
  EXPECT_EQ(std::stoul(name1.substr(7)), std::stoul(name0.substr(7)) + 1);
  EXPECT_EQ(ball0->mMesh, ball1->mMesh);
  EXPECT_EQ(ball0->mFlag, 0u);

  Object3DX* box =
      mManager->GetPrimitiveObject3DX(PRIMITIVE_BOX, StringX("Crate"), 1, 1, false, false);
  EXPECT_EQ(box->GetName(), "Crate");
  EXPECT_EQ(mManager->GetPrimitiveObject3DX(PRIMITIVE_BOX, StringX("Crate"), 1, 1, false, false),
            box);
  EXPECT_EQ(mManager->GetObject3DX(StringX("Crate")), box);
  // Always-new meshes for an object.
  Object3DX* own =
      mManager->GetPrimitiveObject3DX(PRIMITIVE_BOX, StringX("Own"), 1, 1, false, true);
  EXPECT_NE(own->mMesh, box->mMesh);
  // Unnamed objects are never looked up; each call makes a new one.
  Object3DX* unnamed0 =
      mManager->GetPrimitiveObject3DX(PRIMITIVE_DISC, StringX(), 5, 0, false, false);
  Object3DX* unnamed1 =
      mManager->GetPrimitiveObject3DX(PRIMITIVE_DISC, StringX(), 5, 0, false, false);
  EXPECT_NE(unnamed0, unnamed1);
  EXPECT_EQ(unnamed0->mMesh, unnamed1->mMesh);
  EXPECT_EQ(mManager->GetObject3DX(StringX()), nullptr);
}

TEST_F(Object3DManagerTest, ObjectsOverMeshAssets) {
  // A mesh that cannot be read gives no object, and the log says why, every time it is asked.
  EXPECT_EQ(mManager->GetObject3DX(StringX("missing.bsp")), nullptr);
  EXPECT_EQ(mManager->GetObject3DX(StringX("missing.bsp")), nullptr);
  EXPECT_GE(mCapture.CountLog("Could not load mesh!"), 2u);
  EXPECT_EQ(
      mCapture.CountLog("Object3DManager, no object for missing.bsp: its mesh could not be loaded"),
      2u);

  SetMeshLoaderFunction([](MeshX& mesh) {
    MeshX part(PRIMITIVE_PLANE, 1, 1);
    mesh.AddMesh(part);
    return true;
  });
  Object3DX* model0 = mManager->GetObject3DX(StringX("model.md2"));
  Object3DX* model1 = mManager->GetObject3DX(StringX("model.md2"));
  ASSERT_NE(model0->mMesh, nullptr);
  EXPECT_NE(model0, model1);
  EXPECT_EQ(model0->mMesh, model1->mMesh);  // the asset is shared
  EXPECT_EQ(model0->mMesh->mSections.Size(), 1u);
}

TEST_F(Object3DManagerTest, FoldersAndFileSearch) {
  const ArrayX<StringX>& folders = mManager->GetFolders();
  ASSERT_EQ(folders.Size(), 3u);
  EXPECT_EQ(folders[0], "Resources\\");
  EXPECT_EQ(folders[1], "Resources\\Models\\");
  EXPECT_EQ(folders[2], "Resources\\maps\\");
  mManager->AddFolder(StringX());
  EXPECT_EQ(folders.Size(), 3u);

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kx-object3d-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "second");
  std::FILE* file = std::fopen((dir / "second" / "thing.md2").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  mManager->AddFolder(StringX(dir.c_str()));
  mManager->AddFolder(StringX((dir / "second").c_str()));
  EXPECT_EQ(folders[4], (dir.string() + "/second\\").c_str());
  EXPECT_EQ(mManager->FindFile(StringX("thing.md2")),
            (dir.string() + "/second\\thing.md2").c_str());
  EXPECT_TRUE(mManager->FindFile(StringX("absent.md2")).Empty());
  std::filesystem::remove_all(dir);
}

// Real model and map files made by other tools, loaded through the engine's mesh loader.
TEST_F(Object3DManagerTest, ObjectsOverRealModelAndMapFiles) {
  const char* source = std::getenv("KX_SOURCE_DIR");
  const std::filesystem::path data =
      std::filesystem::path(source ? source : ".") / ".." / "shared" / "testdata";
  if (!std::filesystem::exists(data / "models" / "sydney.md2")) GTEST_SKIP() << "no test data";
  ThreadManagerX::CreateSingleton(1);
  MeshLoaderX::CreateSingleton();
  for (const char* file : {"models/sydney.md2", "q2map/mp_lobby_q2.bsp", "models/fels.3ds"}) {
    SCOPED_TRACE(file);
    const StringX name((data / file).c_str());
    Object3DX* first = mManager->GetObject3DX(name);
    Object3DX* second = mManager->GetObject3DX(name);
    ASSERT_NE(first->mMesh, nullptr);
    EXPECT_EQ(first->mMesh, second->mMesh);
    MeshX& mesh = *first->mMesh;
    EXPECT_FALSE(mesh.mSections.Empty());
    EXPECT_FALSE(mesh.mIndexList.Empty());
    EXPECT_EQ(mesh.mMaterials.Size(), mesh.mSections.Size());
    for (const SectionX& section : mesh.mSections) EXPECT_LE(section.end, mesh.mIndexList.Size());
    for (int32_t index : mesh.mIndexList) {
      ASSERT_GE(index, 0);
      ASSERT_LT(uint32_t(index), mesh.mVertexList.Size());
    }
    // The collision polygons of the static meshes share their corners (a model holds all its
    // animation frames, too many for one shared position list).
    if (std::string(file).ends_with(".md2")) continue;
    ArrayX<PolygonLightX> lights;
    mesh.GetMeshAsPolygonLightList(lights);
    ASSERT_FALSE(lights.Empty());
    EXPECT_LE(lights[0].mMainVertexList->Size(), mesh.mVertexList.Size());
    delete lights[0].mMainVertexList;
  }
  MeshLoaderX::DestroySingleton();
  AssetManagerBaseX::DestroySingleton();  // the meshes go before the job threads
  AssetManagerBaseX::CreateSingleton();
  ThreadManagerX::DestroySingleton();
}
