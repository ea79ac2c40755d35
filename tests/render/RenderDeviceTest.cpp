// The render device on a real GL context (Mesa's software renderer under the test run's X server
// or SDL's offscreen driver): its thread, clear rules, fill modes, clipping, the request queues,
// the frame's order and texture upload, checked on pixels read back from the frame. (Culling is
// checked on the engine's meshes: RenderableMeshTest.)
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "RenderHarnessX.h"
#include "ReportCaptureX.h"
#include "engine/WindowX.h"
#include "render/IRenderDevice2DX.h"
#include "render/RenderDirectXX.h"

namespace {

std::atomic<int> sDestroyed{0};
std::atomic<bool> sDestroyedOnRenderThread{true};
RenderDirectXX* sDevice = nullptr;

// Counts its own deletion and checks where it happens.
class CountingRenderable : public TriangleRenderable {
 public:
  using TriangleRenderable::TriangleRenderable;
  ~CountingRenderable() override {
    if (!sDevice->IsRenderThread()) sDestroyedOnRenderThread = false;
    ++sDestroyed;
  }
};

// A triangle 40 units wide at 100 units in front of the camera, clockwise on screen (a front
// face) or counter-clockwise (a back face).
// Farther triangles are as much larger, so they cover the same part of the screen.
std::vector<float> Triangle(bool clockwise, float z = -100.0f) {
  const float s = 20.0f * std::fabs(z) / 100.0f;
  if (clockwise) return {-s, -s, z, -s, s, z, s, s, z};
  return {-s, -s, z, s, s, z, -s, s, z};
}
RenderHarnessX::CreatorX Red() {
  return [] { return new TriangleRenderable(Triangle(true), 1, 0, 0); };
}

class RenderDeviceTest : public ::testing::Test {
 protected:
  // Every test has a device of its own.
  void SetUp() override {
    sDevice = &mGL.Device();
    if (!mGL.Started()) GTEST_SKIP() << "no GL 3.3 context on this machine";
    mLog.Clear();
  }
  void TearDown() override { sDevice = nullptr; }

  // Takes every shown object off the screen and gives the texture back (true when it was
  // taken), then lets a frame apply both.
  bool HideAllAndRelease(DeviceTextureX* texture) {
    mGL.HideAll();
    const bool released = sDevice->ReleaseResource(texture);
    Capture();
    return released;
  }
  FrameCaptureX Capture() { return mGL.Capture(); }
  // The colour at a point inside the triangles above.
  static uint32_t AtTriangle(const FrameCaptureX& f, float z = -100.0f) {
    uint32_t px, py;
    ToPixel(f, -10.0f * -z / 100.0f, 5.0f * -z / 100.0f, z, px, py);
    return f.At(px, py);
  }
  // The six sky faces: stand-in addresses the device only counts.
  std::vector<TextureX*> SkyFaces() {
    std::vector<TextureX*> faces;
    for (int& face : mFaces) faces.push_back(reinterpret_cast<TextureX*>(&face));
    return faces;
  }

  ReportCaptureX mLog;
  RenderHarnessX mGL;
  int mFaces[6] = {};
};

TEST_F(RenderDeviceTest, ColourIsClearedOnlyWhenTheSkyCannotCoverIt) {
  using R = RenderDirectXX;
  const uint32_t depthStencil = GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;
  const uint32_t all = depthStencil | GL_COLOR_BUFFER_BIT;
  EXPECT_EQ(R::GetClearFlags(R::FILLMODE_SOLID, false, true), depthStencil);
  EXPECT_EQ(R::GetClearFlags(R::FILLMODE_SOLID, false, false), all);  // loading
  EXPECT_EQ(R::GetClearFlags(R::FILLMODE_SOLID, true, true), all);
  EXPECT_EQ(R::GetClearFlags(R::FILLMODE_WIREFRAME, false, true), all);
  EXPECT_EQ(R::GetClearFlags(R::FILLMODE_POINT, false, true), all);
}

TEST_F(RenderDeviceTest, LoadingFramesAreClearedToOpaqueBlack) {
  const FrameCaptureX frame = Capture();
  ASSERT_FALSE(frame.mPixels.empty());
  for (uint32_t y : {0u, frame.mHeight / 2, frame.mHeight - 1}) {
    for (uint32_t x : {0u, frame.mWidth / 2, frame.mWidth - 1})
      EXPECT_EQ(frame.At(x, y), 0xFF000000u);
  }
}

TEST_F(RenderDeviceTest, GeometryBehindTheCameraOrBeyondTheFarPlaneIsNotDrawn) {
  mGL.Show([] { return new TriangleRenderable(Triangle(true, -3900.0f), 1, 1, 1); });
  mGL.Show([] { return new TriangleRenderable(Triangle(true, -4100.0f), 1, 0, 0); });
  mGL.Show([] { return new TriangleRenderable(Triangle(true, 100.0f), 0, 1, 0); });
  const FrameCaptureX frame = Capture();
  EXPECT_EQ(AtTriangle(frame, -3900.0f), 0xFFFFFFFFu);
  // Nothing red or green anywhere: the far triangle and the one behind the camera are clipped.
  for (uint32_t y = 0; y < frame.mHeight; y += 5) {
    for (uint32_t x = 0; x < frame.mWidth; x += 5) {
      const uint32_t c = frame.At(x, y);
      ASSERT_TRUE(c == 0xFF000000u || c == 0xFFFFFFFFu) << x << "," << y;
    }
  }
}

TEST_F(RenderDeviceTest, WireframeAndPointModesDrawBackFacesWithoutFillingThem) {
  mGL.Show([] { return new TriangleRenderable(Triangle(false), 1, 1, 1); });
  sDevice->CycleFillMode();
  ASSERT_EQ(sDevice->GetFillMode(), RenderDirectXX::FILLMODE_WIREFRAME);
  mGL.Host().mRunning = true;  // the colour buffer is still cleared in this mode
  FrameCaptureX frame = Capture();
  EXPECT_EQ(AtTriangle(frame), 0xFF000000u);  // the inside stays empty
  uint32_t x0, y0, x1, y1;
  ToPixel(frame, -20.0f, 0.0f, -100.0f, x0, y0);  // the left edge
  bool edgeDrawn = false;
  for (uint32_t x = x0 - 2; x <= x0 + 2; ++x) edgeDrawn |= frame.At(x, y0) == 0xFFFFFFFFu;
  EXPECT_TRUE(edgeDrawn);

  sDevice->CycleFillMode();
  ASSERT_EQ(sDevice->GetFillMode(), RenderDirectXX::FILLMODE_POINT);
  frame = Capture();
  ToPixel(frame, -20.0f, 20.0f, -100.0f, x1, y1);  // a corner
  bool cornerDrawn = false;
  for (uint32_t y = y1 - 1; y <= y1 + 1; ++y) {
    for (uint32_t x = x1 - 1; x <= x1 + 1; ++x) cornerDrawn |= frame.At(x, y) == 0xFFFFFFFFu;
  }
  EXPECT_TRUE(cornerDrawn);
  bool edgeMiddleEmpty = true;
  for (uint32_t x = x0 - 2; x <= x0 + 2; ++x) edgeMiddleEmpty &= frame.At(x, y0) == 0xFF000000u;
  EXPECT_TRUE(edgeMiddleEmpty);

  sDevice->CycleFillMode();
  EXPECT_EQ(sDevice->GetFillMode(), RenderDirectXX::FILLMODE_SOLID);
}

TEST_F(RenderDeviceTest, AddAndRemoveOfOneObjectInOneFrameLeaveNothing) {
  // For a moving object and for a plain one: the engine may free either right after removing it.
  FixedSnapshotX moveable;
  Object3DX object(StringX("plain"));
  mGL.MakeWith(&moveable, Red());
  mGL.MakeWith(&object, Red());
  mGL.Host().Hold();
  sDevice->AddObjectMoveable(&moveable);
  sDevice->RemoveObjectMoveable(&moveable);
  sDevice->AddObject3D(&object);
  sDevice->RemoveObject3D(&object);
  mGL.Host().Release();
  EXPECT_EQ(AtTriangle(Capture()), 0xFF000000u);
  EXPECT_EQ(mGL.GetFactoryCalls(), 0);
  EXPECT_EQ(sDevice->GetRenderableCount(), 0u);
}

TEST_F(RenderDeviceTest, RemovedObjectsAreDestroyedOnTheRenderThreadAndUnknownOnesIgnored) {
  const int destroyedBefore = sDestroyed;
  Object3DX* object = mGL.Show([] { return new CountingRenderable(Triangle(true), 1, 0, 0); });
  Object3DX neverAdded(StringX("never added"));
  sDevice->RemoveObject3D(&neverAdded);
  Capture();
  EXPECT_EQ(sDevice->GetRenderableCount(), 1u);
  sDevice->AddObject3D(object);  // already there: no second renderable
  sDevice->RemoveObject3D(object);
  const FrameCaptureX frame = Capture();
  EXPECT_EQ(AtTriangle(frame), 0xFF000000u);
  EXPECT_EQ(sDestroyed, destroyedBefore + 1);
  EXPECT_TRUE(sDestroyedOnRenderThread);
  EXPECT_EQ(sDevice->GetRenderableCount(), 0u);
}

TEST_F(RenderDeviceTest, SkyBoxIsMadeOnlyFromExactlySixTextures) {
  std::atomic<int> made{0};
  sDevice->SetSkyBoxFactory([&made](const std::vector<TextureX*>& textures) -> IRenderableObjectX* {
    ++made;
    EXPECT_EQ(textures.size(), 6u);
    return new TriangleRenderable({}, 0, 0, 0);
  });
  const std::vector<TextureX*> textures = SkyFaces();
  sDevice->SetSkyBoxTextures(std::vector<TextureX*>(textures.begin(), textures.begin() + 5));
  Capture();
  Capture();
  EXPECT_EQ(made, 0);
  sDevice->SetSkyBoxTextures(textures);
  Capture();
  Capture();
  EXPECT_EQ(made, 1);
  EXPECT_TRUE(sDevice->HasSkyBox());
  EXPECT_EQ(mLog.CountText("Creating skybox"), 1u);
  sDevice->SetSkyBoxTextures({});  // ignored once the sky box exists
  Capture();
  EXPECT_TRUE(sDevice->HasSkyBox());
  sDevice->SetSkyBoxFactory(nullptr);
}

TEST_F(RenderDeviceTest, WindowSizeChangesReachTheDevice) {
  const uint32_t width = sDevice->GetWidth(), height = sDevice->GetHeight();
  EXPECT_EQ(width, uint32_t(RenderDirectXX::GetScreenWidth()));  // the window starts screen-sized
  EXPECT_EQ(height, uint32_t(RenderDirectXX::GetScreenHeight()));
  auto resize = [](int32_t w, int32_t h) {
    SDL_Event size{};
    size.type = SDL_WINDOWEVENT;
    size.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    size.window.data1 = w;
    size.window.data2 = h;
    SDL_PushEvent(&size);
    PumpMessages(*sDevice->GetWindow(), nullptr);
  };
  resize(640, 360);
  EXPECT_EQ(sDevice->GetWidth(), 640u);
  EXPECT_EQ(sDevice->GetHeight(), 360u);
  mGL.Show(Red());
  // The frame is drawn (and read back) at the new size, with the new aspect.
  const FrameCaptureX frame = Capture();
  EXPECT_EQ(frame.mWidth, 640u);
  EXPECT_EQ(frame.mHeight, 360u);
  EXPECT_EQ(AtTriangle(frame), 0xFF0000FFu);
  resize(int32_t(width), int32_t(height));
}

// Writes its name into a shared list when drawn (render thread; read while it is held).
std::vector<std::string> sDrawOrder;
class NamedRenderable : public IRenderableObjectX {
 public:
  explicit NamedRenderable(std::string name) : mName(std::move(name)) {}
  void Prepare(const Matrix4X&, int32_t) override {}
  void Draw() override { sDrawOrder.push_back(mName); }
  std::string mName;
};
class NamedOverlay : public IRenderDevice2DX {
 public:
  void Update(float) override { sDrawOrder.push_back("overlay update"); }
  void DrawInScene() override { sDrawOrder.push_back("overlay in scene"); }
  void Draw() override { sDrawOrder.push_back("overlay"); }
  void AddText(const char*) override {}
};

// The overlay is made once by InitRender. A frame draws the sky, the objects by renderable
// address, then the overlay; with the scene switched off only the overlay is updated and drawn.
TEST_F(RenderDeviceTest, FrameDrawsSkyObjectsAndOverlayInOrderAndOnlyTheOverlayWithTheSceneOff) {
  // Runs alone in its process, so the sky box and the overlay are this test's.
  sDevice->SetSkyBoxFactory([](const std::vector<TextureX*>&) -> IRenderableObjectX* {
    return new NamedRenderable("sky");
  });
  int overlays = 0;
  sDevice->Set2DRenderFactory([&overlays](RenderDirectXX*) {
    ++overlays;
    return new NamedOverlay();
  });
  sDevice->InitRender();
  sDevice->InitRender();
  EXPECT_EQ(overlays, 1);
  ASSERT_NE(sDevice->Get2DRender(), nullptr);
  sDevice->SetSkyBoxTextures(SkyFaces());
  std::vector<std::pair<const IRenderableObjectX*, std::string>> made;
  std::mutex madeLock;
  for (const char* name : {"a", "b", "c", "d"}) {
    mGL.Show([&made, &madeLock, name] {
      auto* renderable = new NamedRenderable(name);
      std::lock_guard<std::mutex> lock(madeLock);
      made.emplace_back(renderable, name);
      return renderable;
    });
  }
  Capture();
  // What the frames after this point draw (the first of them leads the list).
  auto drawn = [this] {
    mGL.Host().Hold();
    sDrawOrder.clear();
    mGL.Host().Release();
    Capture();
    mGL.Host().Hold();  // no frame runs while the list is read
    const std::vector<std::string> order = sDrawOrder;
    mGL.Host().Release();
    return order;
  };
  std::sort(made.begin(), made.end());
  std::vector<std::string> expected = {"overlay update", "sky"};
  for (const auto& entry : made) expected.push_back(entry.second);
  expected.insert(expected.end(), {"overlay in scene", "overlay"});
  std::vector<std::string> order = drawn();
  ASSERT_GE(order.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + expected.size()), expected);

  sDevice->DebugDrawNormalToggle();
  EXPECT_TRUE(mLog.HasText("Debug : Stopped drawing Normal"));
  Capture();  // the switch is seen from this frame on
  order = drawn();
  EXPECT_NE(std::find(order.begin(), order.end(), "overlay"), order.end());
  for (const std::string& call : order) EXPECT_TRUE(call == "overlay update" || call == "overlay");
  sDevice->DebugDrawNormalToggle();
  EXPECT_TRUE(mLog.HasText("Debug : Drawing Normal"));
  Capture();
  order = drawn();
  EXPECT_NE(std::find(order.begin(), order.end(), "a"), order.end());
}

// One DXT1 block of one colour (RGB 565), all pixels on the first colour.
void PutBlock(std::vector<uint8_t>& data, size_t block, uint16_t color) {
  data[block * 8 + 0] = color & 0xFF;
  data[block * 8 + 1] = color >> 8;
  // The second colour below the first keeps the block in four-colour mode.
  data[block * 8 + 2] = data[block * 8 + 3] = 0;
  for (int i = 4; i < 8; ++i) data[block * 8 + i] = 0;
}

// 8x8 texture: red, blue on the top row of blocks; green, white below.
std::vector<uint8_t> QuadrantBlocks() {
  std::vector<uint8_t> data(4 * 8);
  PutBlock(data, 0, 0xF800);
  PutBlock(data, 1, 0x001F);
  PutBlock(data, 2, 0x07E0);
  PutBlock(data, 3, 0xFFFF);
  return data;
}

DeviceTextureX* QuadrantTexture() {
  const std::vector<uint8_t> blocks = QuadrantBlocks();
  return sDevice->TextureCreate(nullptr, 8, 8, blocks.data(), static_cast<uint32_t>(blocks.size()));
}

void ExpectQuadrants(const FrameCaptureX& f) {
  ASSERT_FALSE(f.mPixels.empty());
  const uint32_t w = f.mWidth, h = f.mHeight;
  EXPECT_EQ(f.At(w / 4, h / 4), 0xFF0000FFu) << "top left red";
  EXPECT_EQ(f.At(3 * w / 4, h / 4), 0xFFFF0000u) << "top right blue";
  EXPECT_EQ(f.At(w / 4, 3 * h / 4), 0xFF00FF00u) << "bottom left green";
  EXPECT_EQ(f.At(3 * w / 4, 3 * h / 4), 0xFFFFFFFFu) << "bottom right white";
}

// The same four quadrants as DXT1 blocks (uploaded compressed where the driver has S3TC, else
// unpacked) and as A8R8G8B8 pixels (alpha, red, green, blue from the high byte down).
TEST_F(RenderDeviceTest, TexturesShowOnAQuadWithTheirColoursAndRowOrder) {
  enum { kDxt1, kUnpackedDxt1, kA8R8G8B8 };
  for (const int format : {kDxt1, kA8R8G8B8, kUnpackedDxt1}) {
    SCOPED_TRACE(format);
    if (format == kUnpackedDxt1) sDevice->ForceDXT1Unpacking();
    const uint32_t pixels[4] = {0xFFFF0000, 0xFF0000FF, 0xFF00FF00, 0xFFFFFFFF};
    DeviceTextureX* texture =
        format == kA8R8G8B8 ? sDevice->TextureCreate(nullptr, 2, 2, pixels) : QuadrantTexture();
    ASSERT_NE(texture, nullptr);
    mGL.Show([texture] { return new ScreenQuadRenderable(texture); });
    ExpectQuadrants(Capture());
    EXPECT_NE(texture->GetName(), 0u);
    if (format != kA8R8G8B8) {
      EXPECT_EQ(texture->IsStoredCompressed(), format == kDxt1 && sDevice->HasS3TC());
    }
    EXPECT_TRUE(HideAllAndRelease(texture));
  }
}

TEST_F(RenderDeviceTest, TextureRequestsWithTooLittleDataOrNonSquareCubesAreRefused) {
  const std::vector<uint8_t> blocks = QuadrantBlocks();
  EXPECT_EQ(sDevice->TextureCreate(nullptr, 16, 16, blocks.data(), 32), nullptr);
  EXPECT_EQ(sDevice->TextureCreate(nullptr, 0, 8, blocks.data(), 32), nullptr);
  EXPECT_EQ(sDevice->TextureCreate(nullptr, 8, 8, nullptr, 32), nullptr);
  EXPECT_EQ(sDevice->TextureCubeCreate(nullptr, 8, 8, blocks.data(), 32), nullptr);  // one face
  EXPECT_EQ(sDevice->TextureCubeCreate(nullptr, 8, 4, blocks.data(), 32), nullptr);
  EXPECT_TRUE(mLog.HasText("width == height"));

  std::vector<uint8_t> faces(6 * 32);
  for (int face = 0; face < 6; ++face)
    std::copy(blocks.begin(), blocks.end(), faces.begin() + face * 32);
  DeviceTextureX* cube = sDevice->TextureCubeCreate(nullptr, 8, 8, faces.data(), 6 * 32);
  ASSERT_NE(cube, nullptr);
  // Given back before the render thread made it: dropped with its request.
  mGL.Host().Hold();
  DeviceTextureX* early = sDevice->TextureCreate(nullptr, 8, 8, blocks.data(), 32);
  EXPECT_TRUE(sDevice->ReleaseResource(early));
  mGL.Host().Release();
  Capture();
  EXPECT_NE(cube->GetName(), 0u);
  EXPECT_EQ(cube->GetKind(), TEXTUREKIND_CUBE);
  sDevice->ReleaseResource(cube);
}

TEST(TextureUploader, UnpacksDXT1OfAnySizeWithinTheImage) {
  const std::vector<uint8_t> blocks = QuadrantBlocks();
  const std::vector<uint8_t> rgba = TextureUploaderX::DecompressDXT1(blocks.data(), 5, 6);
  ASSERT_EQ(rgba.size(), 5u * 6u * 4u);
  auto at = [&](int x, int y) {
    return std::vector<uint8_t>(&rgba[(y * 5 + x) * 4], &rgba[(y * 5 + x) * 4] + 4);
  };
  EXPECT_EQ(at(0, 0), (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(at(4, 0), (std::vector<uint8_t>{0, 0, 255, 255}));
  EXPECT_EQ(at(0, 5), (std::vector<uint8_t>{0, 255, 0, 255}));
  EXPECT_EQ(at(4, 5), (std::vector<uint8_t>{255, 255, 255, 255}));
  EXPECT_EQ(TextureUploaderX::RequiredBytes(TEXTUREKIND_2D, TEXTUREFORMAT_DXT1, 5, 6), 32u);
  EXPECT_EQ(TextureUploaderX::RequiredBytes(TEXTUREKIND_CUBE, TEXTUREFORMAT_A8R8G8B8, 4, 4), 384u);
}

TEST(RenderDeviceStart, WithoutAGLWindowTheEngineIsToldToQuitAndNoThreadRuns) {
  const char* previous = std::getenv("SDL_VIDEODRIVER");
  const std::string saved = previous ? previous : "";
  setenv("SDL_VIDEODRIVER", "dummy", 1);  // a video driver without GL
  ReportCaptureX log;
  TestHost host;
  {
    RenderDirectXX device(&host, nullptr);
    EXPECT_FALSE(device.IsStarted());
    EXPECT_TRUE(host.IsQuitting());
    EXPECT_TRUE(log.HasText("mWindow"));
    EXPECT_FALSE(log.HasText("RenderThread entering render-loop"));
    device.InitRender();  // reported, harmless
    EXPECT_TRUE(log.HasText("mD3ddev"));
    // A request is still queued, and freed with the device.
    const std::vector<uint8_t> block(8);
    EXPECT_NE(device.TextureCreate(nullptr, 4, 4, block.data(), 8), nullptr);
  }
  if (previous) {
    setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
  } else {
    unsetenv("SDL_VIDEODRIVER");
  }
}

}  // namespace
