#pragma once
// Shared pieces of the render device tests: a host standing in for the engine, and small
// renderables that draw with their own GL programs on the render thread.
#include <epoxy/gl.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "render/IRenderableObjectX.h"
#include "render/RenderDirectXX.h"
#include "render/RenderHostX.h"

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

// The next frame the device draws; an empty capture (and a test failure) when none comes.
FrameCaptureX NextFrame(RenderDirectXX& device);

// Where a world point (camera at the origin looking down -z) lands on the screen under the
// device's projection.
void ToPixel(const FrameCaptureX& f, float x, float y, float z, uint32_t& px, uint32_t& py);

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
