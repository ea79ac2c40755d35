// The renderable meshes on a real GL context (Mesa's software renderer under the test run's X
// server, or SDL's offscreen driver), checked on frames read back from the render thread: the
// formats and their programs, the winding of front faces and back-face culling, the clear
// rules, the lightmap's modulate-by-four, key frames blended on the GPU and the sharing of
// buffers. (Fill modes are the device's own state: RenderDeviceTest.)
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <string>

#include "PlainTextureX.h"
#include "RenderHarnessX.h"
#include "ReportCaptureX.h"
#include "WorkspaceX.h"
#include "assets/AssetManagerBaseX.h"
#include "assets/MaterialX.h"
#include "assets/ShaderX.h"
#include "assets/TextureX.h"
#include "game/ObjectMoveableX.h"
#include "geometry/MeshX.h"
#include "loaders/Object3DX.h"
#include "render/RenderDirectXX.h"
#include "render/RenderableManagerX.h"
#include "render/RenderableMeshDX.h"
#include "render/VertexFormatsX.h"

namespace {

using namespace VertexFormatsX;

RenderDirectXX* sDevice = nullptr;

::testing::AssertionResult ColorIs(Rgb c, int r, int g, int b, int tolerance = 12) {
  if (Near(c, r, g, b, tolerance)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "colour " << c.r << "," << c.g << "," << c.b
                                       << " expected " << r << "," << g << "," << b;
}

VertexX Corner(float x, float y, float z, float u, float v, uint32_t colour) {
  VertexX vertex;
  vertex.position = {x, y, z};
  vertex.texCoord = {u, v};
  vertex.lightmapCoord = {u, v};
  vertex.colour = colour;
  return vertex;
}

// A square of half-size s at depth z around (cx, cy), as a triangle list; clockwise on screen
// (a front face) or counter-clockwise (a back face).
void AddQuad(MeshX& mesh, float cx, float cy, float z, float s, bool clockwise, uint32_t colour,
             MaterialX* material) {
  SectionX section;
  section.first = mesh.mIndexList.Size();
  const VertexX corners[4] = {
      Corner(cx - s, cy - s, z, 0, 0, colour), Corner(cx - s, cy + s, z, 0, 1, colour),
      Corner(cx + s, cy + s, z, 1, 1, colour), Corner(cx + s, cy - s, z, 1, 0, colour)};
  const int order[2][6] = {{0, 1, 2, 0, 2, 3}, {0, 2, 1, 0, 3, 2}};
  const int32_t base = mesh.mVertexList.Size();
  for (const VertexX& corner : corners) mesh.mVertexList.Add(corner);
  for (int i : order[clockwise ? 0 : 1]) mesh.mIndexList.Add(base + i);
  section.end = mesh.mIndexList.Size();
  mesh.mSections.Add(section);
  mesh.mMaterials.Add(material);
}

class RenderableMeshTest : public ::testing::Test {
 protected:
  // Everything the suite draws with, made once: the shader programs in a workspace, the
  // registry of shared resources and the device on the engine's drawing.
  struct SuiteX {
    WorkspaceX workspace;
    bool programs = workspace.CopyShaderPrograms();
    ReportCaptureX log;
    RenderableManagerX registry;
    RenderHarnessX gl{workspace.Assets()};
    bool ready = [this] {
      if (programs) gl.UseEngineDrawing(registry);
      return programs && gl.Started();
    }();
  };
  static void SetUpTestSuite() {
    sSuite = std::make_unique<SuiteX>();
    sDevice = &sSuite->gl.Device();
  }
  // The render thread lets go of every renderable before the device goes.
  static void TearDownTestSuite() { sSuite.reset(); }
  void SetUp() override {
    if (!sSuite->ready) GTEST_SKIP() << "no GL 3.3 context or no sources";
    sSuite->gl.Host().mRunning = false;
    sSuite->log.Clear();
  }
  void TearDown() override {
    if (!sSuite->ready) return;
    for (const auto& object : mObjects) sDevice->RemoveObject3D(object.get());
    for (const auto& moveable : mMovers) sDevice->RemoveObjectMoveable(moveable.get());
    Capture();  // the removals are applied before the objects go
    while (sDevice->GetFillMode() != RenderDirectXX::FILLMODE_SOLID) sDevice->CycleFillMode();
    if (!sDevice->IsCullingBackFaces()) sDevice->ToggleBackfaceCulling();
    if (sDevice->IsFullClear()) sDevice->ToggleFullClearBackBuffer();
    sDevice->SetBrightness(1.0f);
    EXPECT_EQ(sSuite->registry.GetCount() > 0, false)
        << "shared resources left after every removal";
  }

  static FrameCaptureX Capture() { return sSuite->gl.Capture(); }
  static Rgb At(const FrameCaptureX& f, float x, float y) { return ColorAtPoint(f, x, y); }

  static MaterialX* Material(const std::string& name, TextureX* diffuse, TextureX* lightmap) {
    MaterialX* material = GetAssetImpl<MaterialX>(StringX(name.c_str()));
    if (diffuse) material->AddTexture(diffuse->GetName());
    if (lightmap) material->SetLightmap(lightmap->GetName());
    return material;
  }

  MeshX* NewMesh() {
    mMeshes.push_back(std::make_unique<MeshX>());
    return mMeshes.back().get();
  }
  Object3DX* Show(MeshX* mesh) {
    mObjects.push_back(std::make_unique<Object3DX>(mesh));
    sDevice->AddObject3D(mObjects.back().get());
    return mObjects.back().get();
  }
  ObjectMoveableX* ShowMoving(Object3DX* object) {
    mMovers.push_back(std::make_unique<ObjectMoveableX>(object));
    sDevice->AddObjectMoveable(mMovers.back().get());
    return mMovers.back().get();
  }
  static RenderableObjectXDX* Made(const Object3DX* object) {
    return static_cast<RenderableObjectXDX*>(sSuite->gl.Made(object));
  }
  static RenderableObjectXDX* Made(const IRenderSnapshotX* moveable) {
    return static_cast<RenderableObjectXDX*>(sSuite->gl.Made(moveable));
  }

  static inline std::unique_ptr<SuiteX> sSuite;
  std::vector<std::unique_ptr<MeshX>> mMeshes;
  std::vector<std::unique_ptr<Object3DX>> mObjects;
  std::vector<std::unique_ptr<ObjectMoveableX>> mMovers;
};

TEST_F(RenderableMeshTest, EveryProgramCompilesWithItsUniforms) {
  // The program of every format, and the one for textured sections without a program.
  const char* programs[] = {GetShaderProgram(VERTEXTYPE_COLOR),
                            GetShaderProgram(VERTEXTYPE_LIGHTMAPPED),
                            GetShaderProgram(VERTEXTYPE_CUBEMAPPED),
                            GetShaderProgram(VERTEXTYPE_ANIMATED), GetTexturedFallbackProgram()};
  for (const char* program : programs) {
    ASSERT_NE(program, nullptr);
    ShaderX* shader = GetAssetImpl<ShaderX>(StringX(program));
    ASSERT_NE(shader, nullptr) << program;
    EXPECT_FALSE(shader->GetProgramText(0).Empty()) << program;
    EXPECT_FALSE(shader->GetProgramText(1).Empty()) << program;
    EXPECT_FALSE(shader->GetConstantTable(0).Empty()) << program;
  }
  // Drawn, the colour format links its program and shows the vertex colour.
  MeshX* mesh = NewMesh();
  AddQuad(*mesh, 0, 0, -100, 20, true, 0xFF20C040u, nullptr);
  Object3DX* object = Show(mesh);
  const FrameCaptureX frame = Capture();
  EXPECT_TRUE(ColorIs(At(frame, 0, 0), 0x20, 0xC0, 0x40));
  RenderableObjectXDX* made = Made(object);
  ASSERT_NE(made, nullptr);
  ASSERT_EQ(made->GetMeshes().size(), 1u);
  EXPECT_NE(made->GetMeshes()[0]->GetProgram(), 0u);
  EXPECT_EQ(made->GetMeshes()[0]->GetVertexType(), uint32_t{VERTEXTYPE_COLOR});
}

TEST_F(RenderableMeshTest, BackFacesAreCulledUntilCullingIsSwitchedOff) {
  MeshX* mesh = NewMesh();
  AddQuad(*mesh, -30, 0, -100, 10, true, 0xFFFF0000u, nullptr);
  AddQuad(*mesh, 30, 0, -100, 10, false, 0xFF0000FFu, nullptr);
  Show(mesh);
  FrameCaptureX frame = Capture();
  EXPECT_TRUE(ColorIs(At(frame, -30, 0), 255, 0, 0));
  EXPECT_TRUE(IsBlack(At(frame, 30, 0)));
  sDevice->ToggleBackfaceCulling();
  frame = Capture();
  EXPECT_TRUE(ColorIs(At(frame, -30, 0), 255, 0, 0));
  EXPECT_TRUE(ColorIs(At(frame, 30, 0), 0, 0, 255));
}

TEST_F(RenderableMeshTest, ColourIsClearedWhileLoadingAndOnAFullClear) {
  MeshX* mesh = NewMesh();
  AddQuad(*mesh, 0, 0, -100, 20, true, 0xFF00FF00u, nullptr);
  Object3DX* object = Show(mesh);
  EXPECT_FALSE(IsBlack(At(Capture(), 0, 0)));
  // Loading: every frame clears the colour, so a removed object leaves nothing behind.
  sDevice->RemoveObject3D(object);
  Capture();
  EXPECT_TRUE(IsBlack(At(Capture(), 0, 0)));
  // Running with the full clear switched on: the same.
  sDevice->AddObject3D(object);
  EXPECT_FALSE(IsBlack(At(Capture(), 0, 0)));
  sDevice->ToggleFullClearBackBuffer();
  sSuite->gl.Host().mRunning = true;
  sDevice->RemoveObject3D(object);
  Capture();
  EXPECT_TRUE(IsBlack(At(Capture(), 0, 0)));
  EXPECT_EQ(CountNonBlack(Capture()), 0);
}

TEST_F(RenderableMeshTest, TheLightmapModulatesTheDiffuseColourByFour) {
  TextureX* diffuse = PlainTexture("LightmapDiffuse", 200, 120, 40);
  MaterialX* quarter = Material("LitQuarter", diffuse, PlainTexture("LightQuarter", 64, 64, 64));
  MaterialX* eighth = Material("LitEighth", diffuse, PlainTexture("LightEighth", 32, 32, 32));
  MaterialX* full = Material("LitFull", diffuse, PlainTexture("LightFull", 255, 255, 255));
  MaterialX* unlit = Material("Unlit", diffuse, nullptr);
  MeshX* mesh = NewMesh();
  AddQuad(*mesh, -45, 0, -100, 10, true, 0xFF000000u, quarter);
  AddQuad(*mesh, -15, 0, -100, 10, true, 0xFF000000u, eighth);
  AddQuad(*mesh, 15, 0, -100, 10, true, 0xFF000000u, full);
  AddQuad(*mesh, 45, 0, -100, 10, true, 0xFF000000u, unlit);
  Object3DX* object = Show(mesh);
  FrameCaptureX frame = Capture();
  // What the textures hold after block compression (5-6-5 bits a colour).
  const Rgb plain = At(frame, 45, 0);
  EXPECT_TRUE(ColorIs(plain, 200, 120, 40, 8));
  // 0.25 grey times four leaves the diffuse colour as it is; 0.125 halves it; white saturates.
  EXPECT_TRUE(ColorIs(At(frame, -45, 0), plain.r, plain.g, plain.b, 10));
  EXPECT_TRUE(ColorIs(At(frame, -15, 0), plain.r / 2, plain.g / 2, plain.b / 2, 10));
  EXPECT_TRUE(ColorIs(At(frame, 15, 0), 255, 255, std::min(255, plain.b * 4), 10));
  // The brightness scales the lit colour.
  sDevice->SetBrightness(0.5f);
  frame = Capture();
  EXPECT_TRUE(ColorIs(At(frame, -45, 0), plain.r / 2, plain.g / 2, plain.b / 2, 10));

  RenderableObjectXDX* made = Made(object);
  ASSERT_NE(made, nullptr);
  ASSERT_EQ(made->GetMeshes().size(), 4u);
  EXPECT_EQ(made->GetMeshes()[0]->GetVertexType(), uint32_t{VERTEXTYPE_LIGHTMAPPED});
  EXPECT_EQ(made->GetMeshes()[3]->GetVertexType(), uint32_t{VERTEXTYPE_TEXTURED});
  // The lightmapped format gives its program to a material that had none.
  ASSERT_NE(quarter->GetShader(), nullptr);
  EXPECT_EQ(quarter->GetShaderName(),
            StringX("Resources\\ShaderPrograms\\SimpleTexturedLightmap.glsl"));
  EXPECT_EQ(unlit->GetShader(), nullptr);
}

TEST_F(RenderableMeshTest, KeyFramesAreBlendedOnTheGPU) {
  // A two-frame model: frame 0 left of the centre, frame 1 right of it.
  MeshX* mesh = NewMesh();
  MaterialX* skin = Material("Skin", PlainTexture("SkinTexture", 240, 200, 40), nullptr);
  AddQuad(*mesh, -40, 0, -100, 8, true, 0xFF000000u, skin);
  AddQuad(*mesh, 40, 0, -100, 8, true, 0xFF000000u, skin);
  Object3DX model(mesh);
  model.mFlag = 1;  // bound to a bot: drawn animated
  const float blends[] = {0.0f, 0.5f, 1.0f};
  const float expectedX[] = {-40.0f, 0.0f, 40.0f};
  for (int i = 0; i < 3; ++i) {
    auto mover = std::make_unique<ObjectMoveableX>(&model);
    mover->mFrameFrom = 0;
    mover->mFrameTo = 1;
    mover->mFrameFraction = blends[i];
    mover->TakeRenderSnapshotBoth();  // the renderer draws the snapshot, not the live fields
    sDevice->AddObjectMoveable(mover.get());
    const FrameCaptureX frame = Capture();
    for (float x : {-40.0f, 0.0f, 40.0f}) {
      EXPECT_EQ(IsBlack(At(frame, x, 0)), x != expectedX[i])
          << "blend " << blends[i] << " at " << x;
    }
    RenderableObjectXDX* made = Made(mover.get());
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsAnimated());
    ASSERT_EQ(made->GetMeshes().size(), 1u);
    EXPECT_EQ(made->GetMeshes()[0]->GetFrameCount(), 2u);
    sDevice->RemoveObjectMoveable(mover.get());
    Capture();
  }
}

TEST_F(RenderableMeshTest, BuffersOfOneMeshAreSharedAndFreedWithTheLastUser) {
  MeshX* single = NewMesh();
  AddQuad(*single, -30, 0, -100, 10, true, 0xFFFF0000u, nullptr);
  MeshX* twoSections = NewMesh();
  AddQuad(*twoSections, 20, 0, -100, 5, true, 0xFF00FF00u, nullptr);
  AddQuad(*twoSections, 40, 0, -100, 5, true, 0xFF0000FFu, nullptr);
  Object3DX* first = Show(single);
  Object3DX* second = Show(single);
  Object3DX* split = Show(twoSections);
  Object3DX* splitAgain = Show(twoSections);
  MeshX* frames = NewMesh();
  MaterialX* skin =
      Material("SharedSkin", PlainTexture("SharedSkinTexture", 255, 255, 255), nullptr);
  AddQuad(*frames, 0, 20, -100, 5, true, 0, skin);
  AddQuad(*frames, 0, 30, -100, 5, true, 0, skin);
  Object3DX model(frames);
  model.mFlag = 1;
  ObjectMoveableX* bot = ShowMoving(&model);
  ObjectMoveableX* otherBot = ShowMoving(&model);
  Capture();

  const RenderableMeshDX* a = Made(first)->GetMeshes()[0];
  const RenderableMeshDX* b = Made(second)->GetMeshes()[0];
  EXPECT_EQ(a->GetVertexBuffer(), b->GetVertexBuffer());
  const auto& splitMeshes = Made(split)->GetMeshes();
  const auto& splitAgainMeshes = Made(splitAgain)->GetMeshes();
  ASSERT_EQ(splitMeshes.size(), 2u);
  EXPECT_NE(splitMeshes[0]->GetVertexBuffer(), splitMeshes[1]->GetVertexBuffer());
  EXPECT_NE(splitMeshes[0]->GetVertexBuffer(), splitAgainMeshes[0]->GetVertexBuffer());
  // Two bots on one model share its key frames.
  const RenderableMeshDX* botMesh = Made(bot)->GetMeshes()[0];
  const RenderableMeshDX* otherBotMesh = Made(otherBot)->GetMeshes()[0];
  EXPECT_EQ(botMesh->GetFrameBuffer(0), otherBotMesh->GetFrameBuffer(0));
  EXPECT_EQ(botMesh->GetFrameBuffer(1), otherBotMesh->GetFrameBuffer(1));
  EXPECT_NE(botMesh->GetFrameBuffer(0), botMesh->GetFrameBuffer(1));
  // Shared: the quad's buffer, the two key frames, the uv, the colour and animated programs.
  EXPECT_EQ(sSuite->registry.GetCount(), 6u);
  EXPECT_EQ(sSuite->registry.GetReferences({reinterpret_cast<uintptr_t>(single),
                                            RenderableManagerX::PART_STATIC, VERTEXTYPE_COLOR}),
            2u);
  EXPECT_FALSE(sSuite->log.HasText("Object has no vertexlist"));
  // One user gone: the buffer stays for the other.
  sDevice->RemoveObject3D(first);
  sDevice->RemoveObjectMoveable(bot);
  const FrameCaptureX frame = Capture();
  EXPECT_TRUE(IsBlack(At(frame, -30, 0)) == false);
  EXPECT_EQ(sSuite->registry.GetCount(), 6u);
}

TEST_F(RenderableMeshTest, ObjectsWithoutVerticesAreLoggedAndNotKept) {
  MeshX* empty = NewMesh();
  Object3DX* object = Show(empty);
  Object3DX moving(empty);
  ObjectMoveableX moveable(&moving);
  sDevice->AddObjectMoveable(&moveable);
  Capture();
  EXPECT_TRUE(sSuite->log.HasText("Object has no vertexlist"));
  EXPECT_TRUE(sSuite->log.HasText("Moveable object has not vertex list!"));
  EXPECT_EQ(Made(object), nullptr);
  EXPECT_EQ(sDevice->GetRenderableCount(), 0u);
  sDevice->RemoveObjectMoveable(&moveable);
  Capture();
}

}  // namespace
