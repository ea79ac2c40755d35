// The object manager: shared and always-new primitive meshes, object naming, objects over mesh
// assets, folders and the file search. Everything it hands out is freed with it. (Real model and
// map files through the mesh loader are RealDataTest's.)
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ReportCaptureX.h"
#include "WorkspaceX.h"
#include "assets/MaterialX.h"
#include "loaders/MeshLoaderX.h"
#include "loaders/Object3DManagerX.h"

namespace {
class Object3DManagerTest : public ::testing::Test {
 protected:
  ~Object3DManagerTest() override { SetMeshLoaderFunction(nullptr); }

  ReportCaptureX mCapture;
  WorkspaceX mWorld;
  std::unique_ptr<Object3DManagerX> mManager =
      std::make_unique<Object3DManagerX>(StringX("Resources\\"), mWorld.Assets());
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

  const std::string dir = mWorld.Folder().Path();
  WriteBytes(dir + "/second/thing.md2", {});
  mManager->AddFolder(StringX(dir.c_str()));
  mManager->AddFolder(StringX((dir + "/second").c_str()));
  EXPECT_EQ(folders[4], (dir + "/second\\").c_str());
  EXPECT_EQ(mManager->FindFile(StringX("thing.md2")), (dir + "/second\\thing.md2").c_str());
  EXPECT_TRUE(mManager->FindFile(StringX("absent.md2")).Empty());
}
