// The overlay, the sky box and the debug drawings on a real GL context (Mesa's software
// renderer under the test run's X server, or SDL's offscreen driver), checked on frames read
// back from the render thread: the console shows the last log line with the font's glyphs, the
// crosshair sits in the middle, the sky fills the background where no wall is, and each debug
// switch changes the picture.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "OverlayResources.h"
#include "PlainTextureX.h"
#include "RenderHarnessX.h"
#include "assets/FontTrueTypeX.h"
#include "assets/TextureX.h"
#include "engine/ErrorHandlerX.h"
#include "engine/ReportHooksX.h"
#include "geometry/MeshX.h"
#include "loaders/Object3DX.h"
#include "render/DebugRenderablesX.h"
#include "render/RenderDirectX2DX.h"
#include "render/RenderDirectXX.h"
#include "render/RenderableManagerX.h"

namespace {

RenderDirectXX* sDevice = nullptr;

// The sky faces +x, -x, +y, -y, +z, -z in six plain colours.
const uint8_t kFaceColors[6][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                                   {255, 255, 0}, {255, 0, 255}, {0, 255, 255}};

class OverlayScreenTest : public testing::Test {
 protected:
  // Made once for the suite: the overlay's resources in a workspace, the log, and the device on
  // the engine's drawing with the overlay listening to the log.
  // The overlay goes with the device (first) and lets go of the log itself.
  struct SuiteX {
    WorkspaceX workspace;
    bool resources = CopyOverlayResources(workspace);
    struct LogX {
      LogX() { ErrorHandlerX::Create(); }
      ~LogX() { ErrorHandlerX::Destory(); }
    } log;
    RenderableManagerX registry;
    std::unique_ptr<RenderHarnessX> gl = std::make_unique<RenderHarnessX>(GetAssetManager());
  };
  static void SetUpTestSuite() {
    sSuite = std::make_unique<SuiteX>();
    sGL = sSuite->gl.get();
    sDevice = &sGL->Device();
    StringX family;
    if (!sSuite->resources || !sGL->Started() ||
        FontTrueTypeX::FindFontFile("Lucida Console", family).Empty())
      return;
    sGL->UseEngineDrawing(sSuite->registry);
    sDevice->InitRender();
    sOverlay = dynamic_cast<RenderDirectX2DX*>(sDevice->Get2DRender());
    if (sOverlay) GetErrorHandler()->SetListener(sOverlay);
  }
  static void TearDownTestSuite() {
    sOverlay = nullptr;
    sDevice = nullptr;
    sGL = nullptr;
    sSuite.reset();
  }
  void SetUp() override {
    if (!sOverlay) GTEST_SKIP() << "no GL 3.3 context, font or generated resources";
    sGL->Host().mRunning = false;
  }
  void TearDown() override {
    if (!sOverlay) return;
    sGL->HideAll();
    sGL->Host().WaitFrames(2);
  }

  static FrameCaptureX Capture() {
    sGL->Host().WaitFrames(1);
    return sGL->Capture();
  }
  static void Show(IRenderableObjectX* renderable) {
    sGL->Show([renderable] { return renderable; });
  }
  static void SetSky() {
    if (sDevice->HasSkyBox()) return;
    std::vector<TextureX*> faces;
    for (int face = 0; face < 6; ++face) {
      const uint8_t* rgb = kFaceColors[face];
      faces.push_back(PlainTexture("sky face " + std::to_string(face), rgb[0], rgb[1], rgb[2], 32));
      ASSERT_NE(faces.back(), nullptr);
    }
    sDevice->SetSkyBoxTextures(faces);
    for (int i = 0; i < 100 && !sDevice->HasSkyBox(); ++i) sGL->Host().WaitFrames(1);
    ASSERT_TRUE(sDevice->HasSkyBox());
  }
  // A log line reaches the console at once; lines leave it after two seconds.
  static bool InConsole(const char* text) {
    for (const StringX& line : sOverlay->GetConsoleLines()) {
      if (line == text) return true;
    }
    return false;
  }

  static inline std::unique_ptr<SuiteX> sSuite;
  static inline RenderHarnessX* sGL = nullptr;
  static inline RenderDirectX2DX* sOverlay = nullptr;
};

// Pixels in [x0, x1) x [y0, y1) that pass `test`.
template <class F>
int CountIn(const FrameCaptureX& f, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, F test) {
  int count = 0;
  for (uint32_t y = y0; y < y1; ++y) {
    for (uint32_t x = x0; x < x1; ++x) count += test(ColorAt(f, x, y));
  }
  return count;
}
bool Lit(Rgb c) { return c.r + c.g + c.b > 60; }

// Turns the scene off for one test: a black picture with only the overlay on it.
struct SceneOff {
  SceneOff() {
    if (sDevice->IsDrawingScene()) sDevice->DebugDrawNormalToggle();
  }
  ~SceneOff() {
    if (!sDevice->IsDrawingScene()) sDevice->DebugDrawNormalToggle();
  }
};

TEST_F(OverlayScreenTest, ConsoleShowsTheLastLogLineInTheFontsGlyphs) {
  SceneOff sceneOff;
  const std::string text = "Last line: Wq@19 #kx";
  // The overlay's first frames load its textures (and log it); then the line comes last.
  sGL->Host().WaitFrames(3);
  LogMessage(text.c_str());
  const FrameCaptureX frame = Capture();
  const std::vector<StringX> lines = sOverlay->GetConsoleLines();
  int index = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (text == lines[i].GetCharArray()) index = static_cast<int>(i);
  }
  ASSERT_GE(index, 0) << "the line is not in the console";
  EXPECT_EQ(index, static_cast<int>(lines.size()) - 1) << lines.back().GetCharArray();

  // Every pixel of the line's glyph cells is white exactly where the atlas is.
  const FontBaseX* font = sOverlay->GetConsoleFont().GetFont();
  ASSERT_NE(font, nullptr);
  BitmapX atlas(StringX("Resources\\Textures\\Fonts\\AutoGenerated\\Lucida Console.bmp"));
  ASSERT_TRUE(atlas.IsValid() && atlas.ConvertInto32Bitmap());
  const int top = index * font->GetCharHeight();
  int penX = 0, lit = 0, mismatches = 0, total = 0;
  for (char c : text) {
    CharRectX rect;
    font->GetCharRect(rect, c);
    for (int dy = 0; dy < rect.bottom - rect.top; ++dy) {
      for (int dx = 0; dx < rect.right - rect.left; ++dx) {
        const bool inAtlas =
            atlas.GetPixel(uint32_t(rect.left + dx), uint32_t(255 - (rect.top + dy))).r > 128;
        const bool onScreen = ColorAt(frame, uint32_t(penX + dx), uint32_t(top + dy)).r > 128;
        lit += onScreen;
        mismatches += inAtlas != onScreen;
        ++total;
      }
    }
    penX += rect.right - rect.left;
  }
  EXPECT_GT(lit, 40);
  EXPECT_LT(mismatches, total / 50) << mismatches << " of " << total;
}

TEST_F(OverlayScreenTest, CrosshairSitsInTheMiddleOfTheScreen) {
  SceneOff sceneOff;
  const FrameCaptureX frame = Capture();
  const int cx = int(frame.mWidth / 2), cy = int(frame.mHeight / 2);
  int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
  for (int y = cy - 30; y < cy + 30; ++y) {
    for (int x = cx - 30; x < cx + 30; ++x) {
      const Rgb c = ColorAt(frame, uint32_t(x), uint32_t(y));
      if (c.r + c.g + c.b < 60) continue;
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y);
    }
  }
  ASSERT_GE(maxX, 0) << "no crosshair";
  EXPECT_LE(maxX - minX, 22);
  EXPECT_LE(maxY - minY, 22);
  EXPECT_NEAR((minX + maxX + 1) / 2.0, cx, 2.0);
  EXPECT_NEAR((minY + maxY + 1) / 2.0, cy, 2.0);
}

TEST_F(OverlayScreenTest, CountersShowOnlyWhenSet) {
  SceneOff sceneOff;
  const int bannerHeight = sOverlay->GetBannerFont().GetCharHeight();
  auto litInCorner = [&](const FrameCaptureX& frame) {
    return CountIn(frame, 0, frame.mHeight - uint32_t(bannerHeight),
                   uint32_t(3 * sOverlay->GetBannerFont().GetCharWidth()), frame.mHeight, Lit);
  };
  sOverlay->mHitCounter = -1;
  EXPECT_EQ(litInCorner(Capture()), 0);
  sOverlay->mHitCounter = 100;
  EXPECT_GT(litInCorner(Capture()), 10);
  sOverlay->mHitCounter = -1;
}

TEST_F(OverlayScreenTest, SkyFillsTheBackgroundWhereNoWallIsAndMovesWithTheCamera) {
  SetSky();
  Show(new TriangleRenderable({-20, -20, -100, -20, 20, -100, 20, 20, -100}, 1.0f, 0.0f, 0.0f));
  // Running with the normal clear: the colour buffer is not cleared, the sky covers it.
  sGL->Host().mRunning = true;
  sGL->Host().WaitFrames(3);
  const FrameCaptureX frame = Capture();
  sGL->Host().mRunning = false;
  const uint32_t w = frame.mWidth, h = frame.mHeight;
  // Straight ahead (below the console, away from the wall) the camera sees the -z face.
  EXPECT_TRUE(Near(ColorAt(frame, w / 8, h * 3 / 4), 0, 255, 255))
      << std::hex << frame.At(w / 8, h * 3 / 4);
  // The wall covers the sky.
  EXPECT_TRUE(Near(ColorAt(frame, w / 2 - w / 20, h / 2 - h / 40), 255, 0, 0));
  // Nowhere in the lower half is the background left black.
  int black = 0;
  for (uint32_t y = h / 2 + 20; y < h - 40; y += 7) {
    for (uint32_t x = 0; x < w; x += 7) {
      const Rgb c = ColorAt(frame, x, y);
      black += c.r + c.g + c.b < 30;
    }
  }
  EXPECT_EQ(black, 0);

  // Far outside the cube the sky would have stayed at: it is still all around the camera.
  sGL->PlaceCamera(2500.0f, 300.0f, 1800.0f);
  sGL->Host().WaitFrames(2);
  const FrameCaptureX away = Capture();
  sGL->PlaceCamera(0.0f, 0.0f, 0.0f);
  EXPECT_TRUE(Near(ColorAt(away, w / 8, h * 3 / 4), 0, 255, 255))
      << std::hex << away.At(w / 8, h * 3 / 4);
}

TEST_F(OverlayScreenTest, SkyKeepsTheFramesCullingForBackFaces) {
  SetSky();
  // A back-facing wall: culled while culling is on, drawn when it is off, sky box or not.
  Show(new TriangleRenderable({-20, -20, -100, 20, 20, -100, -20, 20, -100}, 1.0f, 0.0f, 0.0f));
  sGL->Host().WaitFrames(2);
  const FrameCaptureX culled = Capture();
  const uint32_t x = culled.mWidth / 2 - culled.mWidth / 20,
                 y = culled.mHeight / 2 - culled.mHeight / 40;
  EXPECT_FALSE(Near(ColorAt(culled, x, y), 255, 0, 0));
  sDevice->ToggleBackfaceCulling();
  const FrameCaptureX drawn = Capture();
  sDevice->ToggleBackfaceCulling();
  EXPECT_TRUE(Near(ColorAt(drawn, x, y), 255, 0, 0));
}

TEST_F(OverlayScreenTest, NormalSwitchHidesSkyAndObjectsButNotTheOverlay) {
  SetSky();
  const FrameCaptureX withScene = Capture();
  const uint32_t x = withScene.mWidth / 8, y = withScene.mHeight * 3 / 4;
  EXPECT_TRUE(Near(ColorAt(withScene, x, y), 0, 255, 255));
  sDevice->DebugDrawNormalToggle();
  EXPECT_TRUE(InConsole("Debug : Stopped drawing Normal"));
  const FrameCaptureX without = Capture();
  sDevice->DebugDrawNormalToggle();
  EXPECT_TRUE(Near(ColorAt(without, x, y), 0, 0, 0, 10));
  // The crosshair is still drawn.
  const uint32_t cx = without.mWidth / 2, cy = without.mHeight / 2;
  EXPECT_GT(CountIn(without, cx - 11, cy - 11, cx + 11, cy + 11, Lit), 5);
}

TEST_F(OverlayScreenTest, EdgeAndBSPSwitchesDrawTheirLines) {
  SceneOff sceneOff;
  // A mesh with two edges below the middle of the screen.
  MeshX mesh(StringX("edge mesh"));
  EdgeX across, down;
  across.SetStart({-30, -12, -100});
  across.SetEnd({30, -12, -100});
  down.SetStart({-12, -30, -100});
  down.SetEnd({-12, 0, -100});
  mesh.mEdgeList.Add(across);
  mesh.mEdgeList.Add(down);
  Object3DX object(&mesh);
  auto* edges = new RenderableEdgeDebugDX(sDevice);
  ASSERT_TRUE(edges->Init(&object));
  EXPECT_EQ(edges->GetPrimitiveCount(), 2u);
  sDevice->AddEdgeDebugRenderable(edges);
  auto* tree = new RenderableBSPTreeDebugDX(sDevice, {{-30, 12, -100}, {30, 12, -100}},
                                            {{20, -20, -100}, {20, 20, -100}});
  sDevice->AddBSPDebugRenderable(tree);

  const FrameCaptureX none = Capture();
  EXPECT_EQ(CountPixels(none, 0, 255, 0), 0);
  EXPECT_EQ(CountPixels(none, 255, 255, 0), 0);

  sDevice->DebugDrawEdgesToggle();
  EXPECT_TRUE(InConsole("Debug : Drawing Edges"));
  const FrameCaptureX withEdges = Capture();
  EXPECT_GT(CountPixels(withEdges, 0, 255, 0), 50);
  EXPECT_EQ(CountPixels(withEdges, 255, 255, 0), 0);
  sDevice->DebugDrawEdgesToggle();
  EXPECT_TRUE(InConsole("Debug : Stopped drawing Edges"));

  sDevice->DebugDrawBSPTreeToggle();
  EXPECT_TRUE(InConsole("Debug : Drawing BSP-Tree"));
  const FrameCaptureX withTree = Capture();
  EXPECT_EQ(CountPixels(withTree, 0, 255, 0), 0);
  EXPECT_GT(CountPixels(withTree, 255, 255, 0), 50);
  EXPECT_GT(CountPixels(withTree, 255, 0, 255), 20);
  sDevice->DebugDrawBSPTreeToggle();
  EXPECT_TRUE(InConsole("Debug : Stopped drawing BSP-Tree"));
}

// Counts the pixels of one colour in the middle half of the top third, where the test's edge
// lies: the overlay's frame rate (top right corner) is drawn in a colour near the edge lines'.
int CountPixelsInTopThird(const FrameCaptureX& frame, int r, int g, int b) {
  return CountIn(frame, frame.mWidth / 4, 0, frame.mWidth * 3 / 4, frame.mHeight / 3,
                 [&](Rgb c) { return Near(c, r, g, b, 60); });
}

TEST_F(OverlayScreenTest, AddedObjectGetsItsEdgeLinesUntilItIsRemoved) {
  SceneOff sceneOff;
  // A mesh with one edge high above the middle of the screen.
  MeshX mesh(StringX("object edges"));
  EdgeX edge;
  edge.SetStart({-20, 25, -100});
  edge.SetEnd({20, 25, -100});
  mesh.mEdgeList.Add(edge);
  Object3DX object(&mesh);
  sGL->MakeWith(&object, [] {
    return new TriangleRenderable({0, 0, -100, 1, 0, -100, 0, 1, -100}, 1, 0, 0);
  });
  sDevice->AddObject3D(&object);
  sGL->Host().WaitFrames(2);
  ASSERT_EQ(sDevice->GetRenderableCount(), 1u);
  EXPECT_EQ(sDevice->GetEdgeDebugCount(), 1u);

  EXPECT_EQ(CountPixelsInTopThird(Capture(), 0, 255, 0), 0);
  sDevice->DebugDrawEdgesToggle();
  EXPECT_GT(CountPixelsInTopThird(Capture(), 0, 255, 0), 50);
  sDevice->DebugDrawEdgesToggle();
  EXPECT_EQ(CountPixelsInTopThird(Capture(), 0, 255, 0), 0);

  // Removed with the object: its edge drawing goes with it.
  sDevice->RemoveObject3D(&object);
  sGL->Host().WaitFrames(2);
  EXPECT_EQ(sDevice->GetRenderableCount(), 0u);
  EXPECT_EQ(sDevice->GetEdgeDebugCount(), 0u);
}

}  // namespace
