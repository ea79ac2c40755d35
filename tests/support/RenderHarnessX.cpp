#include "RenderHarnessX.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "HeadlessVideoX.h"
#include "render/DeviceTextureX.h"
#include "render/RenderDeviceSetUpX.h"
#include "render/RenderableMeshDX.h"

namespace {
GLuint Compile(GLenum type, const char* source) {
  GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}
}  // namespace

void TestHost::Quit() {
  std::lock_guard<std::mutex> lock(mLock);
  mQuit = true;
  mChanged.notify_all();
}

void TestHost::RenderThreadDoneWithFrame() {
  std::unique_lock<std::mutex> lock(mLock);
  ++mFramesDone;
  mChanged.notify_all();
  mChanged.wait(lock, [this] { return !mHeld || mQuit; });
}

void TestHost::Hold() {
  std::unique_lock<std::mutex> lock(mLock);
  mHeld = true;
  const int target = mFramesDone + 1;
  mChanged.wait(lock, [&] { return mFramesDone >= target || mQuit; });
}

void TestHost::Release() {
  std::lock_guard<std::mutex> lock(mLock);
  mHeld = false;
  mChanged.notify_all();
}

void TestHost::WaitFrames(int count) {
  std::unique_lock<std::mutex> lock(mLock);
  const int target = mFramesDone + count;
  mChanged.wait(lock, [&] { return mFramesDone >= target || mQuit; });
}

int CountPixels(const FrameCaptureX& frame, int r, int g, int b) {
  int count = 0;
  for (uint32_t y = 0; y < frame.mHeight; ++y) {
    for (uint32_t x = 0; x < frame.mWidth; ++x) count += Near(ColorAt(frame, x, y), r, g, b, 60);
  }
  return count;
}

int CountNonBlack(const FrameCaptureX& frame) {
  int count = 0;
  for (uint32_t y = 0; y < frame.mHeight; ++y) {
    for (uint32_t x = 0; x < frame.mWidth; ++x) count += !IsBlack(ColorAt(frame, x, y));
  }
  return count;
}

void ToPixel(const FrameCaptureX& f, float x, float y, float z, uint32_t& px, uint32_t& py) {
  const Matrix4X p =
      Matrix4X::PerspectiveFovRH(0.7853982f, float(f.mWidth) / f.mHeight, 10.0f, 4000.0f);
  const float w = -z;
  px = static_cast<uint32_t>((x * p.m[0][0] / w * 0.5f + 0.5f) * f.mWidth);
  py = static_cast<uint32_t>((0.5f - y * p.m[1][1] / w * 0.5f) * f.mHeight);
}

GLuint BuildProgram(const char* vertexSource, const char* fragmentSource) {
  GLuint vs = Compile(GL_VERTEX_SHADER, vertexSource);
  GLuint fs = Compile(GL_FRAGMENT_SHADER, fragmentSource);
  if (!vs || !fs) return 0;
  GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

TriangleRenderable::TriangleRenderable(std::vector<float> positions, float r, float g, float b)
    : mPositions(std::move(positions)), mColor{r, g, b} {}

TriangleRenderable::~TriangleRenderable() {
  glDeleteProgram(mProgram);
  glDeleteBuffers(1, &mBuffer);
  glDeleteVertexArrays(1, &mVertexArray);
}

void TriangleRenderable::Prepare(const Matrix4X& viewProjection, int32_t) {
  mViewProjection = viewProjection;
}

void TriangleRenderable::Draw() {
  if (!mProgram) {
    mProgram = BuildProgram(
        "#version 330 core\n"
        "layout(location = 0) in vec3 aPosition;\n"
        "uniform mat4 sWorldViewProjection;\n"
        "void main() { gl_Position = sWorldViewProjection * vec4(aPosition, 1.0); }\n",
        "#version 330 core\n"
        "uniform vec3 uColor;\n"
        "out vec4 oColor;\n"
        "void main() { oColor = vec4(uColor, 1.0); }\n");
    glGenVertexArrays(1, &mVertexArray);
    glBindVertexArray(mVertexArray);
    glGenBuffers(1, &mBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, mBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mPositions.size() * sizeof(float)),
                 mPositions.data(), GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    glEnableVertexAttribArray(0);
  }
  glUseProgram(mProgram);
  glUniformMatrix4fv(glGetUniformLocation(mProgram, "sWorldViewProjection"), 1, GL_FALSE,
                     mViewProjection.Data());
  glUniform3fv(glGetUniformLocation(mProgram, "uColor"), 1, mColor);
  glBindVertexArray(mVertexArray);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(mPositions.size() / 3));
}

ScreenQuadRenderable::~ScreenQuadRenderable() {
  glDeleteProgram(mProgram);
  glDeleteBuffers(1, &mBuffer);
  glDeleteVertexArrays(1, &mVertexArray);
}

void ScreenQuadRenderable::Draw() {
  if (!mProgram) {
    mProgram = BuildProgram(
        "#version 330 core\n"
        "layout(location = 0) in vec2 aPosition;\n"
        "out vec2 vUv;\n"
        "void main() {\n"
        "  vUv = vec2(aPosition.x * 0.5 + 0.5, 0.5 - aPosition.y * 0.5);\n"
        "  gl_Position = vec4(aPosition, 0.5, 1.0);\n"
        "}\n",
        "#version 330 core\n"
        "in vec2 vUv;\n"
        "uniform sampler2D sDiffuse;\n"
        "out vec4 oColor;\n"
        "void main() { oColor = texture(sDiffuse, vUv); }\n");
    // Clockwise on screen, so the quad is a front face.
    const float corners[] = {-1, -1, -1, 1, 1, 1, -1, -1, 1, 1, 1, -1};
    glGenVertexArrays(1, &mVertexArray);
    glBindVertexArray(mVertexArray);
    glGenBuffers(1, &mBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, mBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(corners), corners, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float), nullptr);
    glEnableVertexAttribArray(0);
  }
  glUseProgram(mProgram);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, mTexture->GetName());
  glUniform1i(glGetUniformLocation(mProgram, "sDiffuse"), 0);
  glBindVertexArray(mVertexArray);
  glDrawArrays(GL_TRIANGLES, 0, 6);
}

RenderHarnessX::RenderHarnessX(AssetManagerBaseX* assets) {
  UseOffscreenVideoWithoutDisplay();
  mDevice = std::make_unique<RenderDirectXX>(&mHost, assets);
  mDevice->SetCamera(&mCamera);
  mDevice->SetRenderableFactory(
      [this](Object3DX* object, IRenderSnapshotX* moveable) { return Make(object, moveable); });
}

RenderHarnessX::~RenderHarnessX() {
  mHost.Quit();
  mDevice.reset();  // the render thread lets go of every renderable before it stops
}

void RenderHarnessX::UseEngineDrawing(RenderableManagerX& registry) {
  SetUpRenderDevice(*mDevice, registry);
  mEngineRenderables = RenderableObjectXDX::MakeFactory(mDevice.get(), &registry);
  mDevice->SetRenderableFactory(
      [this](Object3DX* object, IRenderSnapshotX* moveable) { return Make(object, moveable); });
}

IRenderableObjectX* RenderHarnessX::Make(Object3DX* object, IRenderSnapshotX* moveable) {
  ++mFactoryCalls;
  const void* key = object ? static_cast<const void*>(object) : static_cast<const void*>(moveable);
  CreatorX creator;
  {
    std::lock_guard<std::mutex> lock(mLock);
    auto it = mCreators.find(key);
    if (it != mCreators.end()) creator = it->second;
  }
  IRenderableObjectX* made = creator              ? creator()
                             : mEngineRenderables ? mEngineRenderables(object, moveable)
                                                  : nullptr;
  std::lock_guard<std::mutex> lock(mLock);
  mMade[key] = made;
  return made;
}

void RenderHarnessX::MakeWithKey(const void* key, CreatorX creator) {
  std::lock_guard<std::mutex> lock(mLock);
  mCreators[key] = std::move(creator);
}

Object3DX* RenderHarnessX::Show(CreatorX creator) {
  mStandIns.push_back(std::make_unique<Object3DX>(StringX("stand-in")));
  Object3DX* object = mStandIns.back().get();
  MakeWith(object, std::move(creator));
  mDevice->AddObject3D(object);
  mShown.push_back(object);
  return object;
}

void RenderHarnessX::HideAll() {
  for (Object3DX* object : mShown) mDevice->RemoveObject3D(object);
  mShown.clear();
}

IRenderableObjectX* RenderHarnessX::MadeFor(const void* key) const {
  std::lock_guard<std::mutex> lock(mLock);
  auto it = mMade.find(key);
  return it == mMade.end() ? nullptr : it->second;
}

void RenderHarnessX::PlaceCamera(float x, float y, float z) {
  if (Started()) mHost.Hold();
  mCamera.mPosition = {x, y, z};
  mCamera.mMatrix = Matrix4X::Identity();
  mCamera.mMatrix.m[3][0] = -x;
  mCamera.mMatrix.m[3][1] = -y;
  mCamera.mMatrix.m[3][2] = -z;
  if (Started()) mHost.Release();
}

FrameCaptureX RenderHarnessX::Capture() {
  std::future<FrameCaptureX> frame = mDevice->CaptureNextFrame();
  if (frame.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    ADD_FAILURE() << "no frame drawn";
    return {};
  }
  return frame.get();
}
