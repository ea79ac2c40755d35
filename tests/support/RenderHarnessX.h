#pragma once
// A render device on a real GL context (Mesa's software renderer under the test run's X server,
// or SDL's offscreen driver) for tests that look at the frames it draws: a host standing in for
// the engine, a camera at the origin looking down -z, stand-in objects whose renderables the
// test makes, and helpers to read pixels back.
#include <epoxy/gl.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "loaders/Object3DX.h"
#include "render/IRenderSnapshotX.h"
#include "render/IRenderableObjectX.h"
#include "render/RenderDirectXX.h"
#include "render/RenderHostX.h"

class AssetManagerBaseX;
class RenderableManagerX;

// The engine side of the device: quit flag, frame time, running flag. Frames are not paced,
// but the test can hold the render thread between two frames to post requests that must be
// applied together.
class TestHost : public IRenderHostX {
 public:
  bool IsQuitting() const override { return mQuit.load(); }
  void Quit() override;
  float GetFrameTime() const override { return 0.01f; }
  bool IsRunning() const override { return mRunning.load(); }
  int32_t GetRenderBufferIndex() const override { return 1; }
  void WaitForInit() override {}
  void RenderThreadDoneWithFrame() override;
  void EngineThreadDoneWithFrame() override {}
  // Shutdown: a render thread held between frames goes on.
  void ReleaseGates() override { Quit(); }

  // Returns once the render thread has finished a frame and waits before its next one.
  void Hold();
  void Release();
  // Returns once the render thread has finished `count` more frames.
  void WaitFrames(int count);

  std::atomic<bool> mQuit{false};
  std::atomic<bool> mRunning{false};

 private:
  std::mutex mLock;
  std::condition_variable mChanged;
  bool mHeld = false;
  int mFramesDone = 0;
};

// Something that stands still: the same matrix, position and frames in both snapshot slots,
// drawing `mObject` (none: a camera). Change it only while the render thread is held.
class FixedSnapshotX : public IRenderSnapshotX {
 public:
  const Matrix4X& GetRenderMatrix(int32_t) const override { return mMatrix; }
  const Vector3fX& GetRenderPosition(int32_t) const override { return mPosition; }
  void GetRenderFrames(int32_t, uint32_t& from, uint32_t& to, float& fraction) const override {
    from = to = 0;
    fraction = 0.0f;
  }
  Object3DX* GetRenderObject() const override { return mObject; }

  Matrix4X mMatrix;
  Vector3fX mPosition;
  Object3DX* mObject = nullptr;
};

// A pixel of a captured frame and a colour test with a tolerance per channel.
struct Rgb {
  int r, g, b;
};
inline Rgb ColorAt(const FrameCaptureX& frame, uint32_t x, uint32_t y) {
  const uint32_t c = frame.At(x, y);
  return {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)};
}
inline bool Near(Rgb c, int r, int g, int b, int tolerance = 40) {
  return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
         std::abs(c.b - b) <= tolerance;
}
inline bool IsBlack(Rgb c) { return c.r < 8 && c.g < 8 && c.b < 8; }
// Pixels of one colour (within 60 a channel) in the frame.
int CountPixels(const FrameCaptureX& frame, int r, int g, int b);
int CountNonBlack(const FrameCaptureX& frame);

// Where a world point (camera at the origin looking down -z) lands on the screen under the
// device's projection.
void ToPixel(const FrameCaptureX& f, float x, float y, float z, uint32_t& px, uint32_t& py);
inline Rgb ColorAtPoint(const FrameCaptureX& f, float x, float y, float z = -100.0f) {
  uint32_t px, py;
  ToPixel(f, x, y, z, px, py);
  return ColorAt(f, px, py);
}

// A GL program from vertex and fragment source; 0 when it does not build.
GLuint BuildProgram(const char* vertexSource, const char* fragmentSource);

// Draws triangles given in world space through the frame's view x projection in one colour.
class TriangleRenderable : public IRenderableObjectX {
 public:
  TriangleRenderable(std::vector<float> positions, float r, float g, float b);
  ~TriangleRenderable() override;
  void Prepare(const Matrix4X& viewProjection, int32_t renderIndex) override;
  void Draw() override;

 private:
  std::vector<float> mPositions;
  float mColor[3];
  Matrix4X mViewProjection;
  GLuint mProgram = 0, mBuffer = 0, mVertexArray = 0;
};

// Covers the whole screen with a texture (unit 0), whatever the camera.
class ScreenQuadRenderable : public IRenderableObjectX {
 public:
  explicit ScreenQuadRenderable(const class DeviceTextureX* texture) : mTexture(texture) {}
  ~ScreenQuadRenderable() override;
  void Prepare(const Matrix4X&, int32_t) override {}
  void Draw() override;

 private:
  const class DeviceTextureX* mTexture;
  GLuint mProgram = 0, mBuffer = 0, mVertexArray = 0;
};

// The device with its host and camera. The renderable of an added object or moveable comes
// from the creator registered for its address when there is one, else from the engine's
// renderables once UseEngineDrawing was called; the harness remembers what was made.
class RenderHarnessX {
 public:
  using CreatorX = std::function<IRenderableObjectX*()>;

  // Without a display SDL's offscreen driver is asked for. Shaders, fonts and images come from
  // `assets` (may be null).
  explicit RenderHarnessX(AssetManagerBaseX* assets = nullptr);
  // Quits the render thread and deletes the device.
  ~RenderHarnessX();
  RenderHarnessX(const RenderHarnessX&) = delete;
  RenderHarnessX& operator=(const RenderHarnessX&) = delete;

  bool Started() const { return mDevice->IsStarted(); }
  RenderDirectXX& Device() { return *mDevice; }
  TestHost& Host() { return mHost; }

  // Everything the engine draws with: its renderables (buffers shared through `registry`), edge
  // lines, sky box and overlay.
  void UseEngineDrawing(RenderableManagerX& registry);
  // The renderable made for an object or a moving object when its addition is applied.
  void MakeWith(const Object3DX* object, CreatorX creator) { MakeWithKey(object, creator); }
  void MakeWith(const IRenderSnapshotX* moveable, CreatorX creator) {
    MakeWithKey(moveable, creator);
  }
  // A new stand-in object, added to the device, drawn by what `creator` makes.
  Object3DX* Show(CreatorX creator);
  // Removes every object Show added (applied at the next frame).
  void HideAll();
  // The last renderable made for an object or a moving object, null when none was.
  IRenderableObjectX* Made(const Object3DX* object) const { return MadeFor(object); }
  IRenderableObjectX* Made(const IRenderSnapshotX* moveable) const { return MadeFor(moveable); }
  int GetFactoryCalls() const { return mFactoryCalls.load(); }

  // Puts the camera at a point (no turn), between two frames.
  void PlaceCamera(float x, float y, float z);
  // The next frame the device draws; an empty capture (and a test failure) when none comes.
  FrameCaptureX Capture();

 private:
  IRenderableObjectX* Make(Object3DX* object, IRenderSnapshotX* moveable);
  // Objects and moving objects are told apart by address, each as the type the device sees.
  void MakeWithKey(const void* key, CreatorX creator);
  IRenderableObjectX* MadeFor(const void* key) const;

  TestHost mHost;
  FixedSnapshotX mCamera;
  std::unique_ptr<RenderDirectXX> mDevice;
  RenderDirectXX::RenderableFactoryX mEngineRenderables;
  mutable std::mutex mLock;
  std::map<const void*, CreatorX> mCreators;
  std::map<const void*, IRenderableObjectX*> mMade;
  std::atomic<int> mFactoryCalls{0};
  std::vector<std::unique_ptr<Object3DX>> mStandIns;
  std::vector<Object3DX*> mShown;
};
