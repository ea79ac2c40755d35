#include "render/DebugRenderablesX.h"

#include <epoxy/gl.h>

#include "engine/ReportHooksX.h"
#include "geometry/MeshX.h"
#include "loaders/Object3DX.h"
#include "render/IRenderSnapshotX.h"
#include "render/RenderDirectXX.h"

RenderableDebugX::RenderableDebugX(RenderDirectXX* device, float red, float green, float blue)
    : mDevice(device), mColor{red, green, blue} {}

RenderableDebugX::~RenderableDebugX() { Release(); }

void RenderableDebugX::SetLines(std::vector<Vector3fX> points) {
  if (points.size() % 2 != 0) points.pop_back();
  mPoints = std::move(points);
  mBufferBuilt = false;
}

void RenderableDebugX::Release() {
  if (mVertexBuffer) glDeleteBuffers(1, &mVertexBuffer);
  if (mVertexArray) glDeleteVertexArrays(1, &mVertexArray);
  mVertexBuffer = 0;
  mVertexArray = 0;
  mBufferBuilt = false;
}

void RenderableDebugX::Reinitialise() {
  Release();
  mProgram.Release();
}

void RenderableDebugX::Prepare(const Matrix4X&, int32_t renderIndex) {
  mWorld = mWorldSource ? mWorldSource(renderIndex) : Matrix4X::Identity();
}

void RenderableDebugX::Draw() {
  if (mPoints.empty() || !mProgram.Use(mDevice ? mDevice->GetAssets() : nullptr)) return;
  if (!mBufferBuilt) {
    glGenVertexArrays(1, &mVertexArray);
    glGenBuffers(1, &mVertexBuffer);
    glBindVertexArray(mVertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, mVertexBuffer);
    std::vector<float> data;
    data.reserve(mPoints.size() * 3);
    for (const Vector3fX& p : mPoints) data.insert(data.end(), {p.x, p.y, p.z});
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(float)), data.data(),
                 GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, static_cast<GLsizei>(mStride), nullptr);
    mBufferBuilt = true;
  }
  // Lines have no back faces; culling is put back as the frame set it.
  const GLboolean culling = glIsEnabled(GL_CULL_FACE);
  glDisable(GL_CULL_FACE);
  glBindTexture(GL_TEXTURE_2D, 0);
  const Matrix4X worldViewProjection =
      Matrix4X::Multiply(mWorld, mDevice ? mDevice->GetViewProjection() : Matrix4X::Identity());
  glUniformMatrix4fv(mProgram.Uniform("uWorldViewProjection"), 1, GL_FALSE,
                     worldViewProjection.Data());
  glUniform4f(mProgram.Uniform("uColor"), mColor[0], mColor[1], mColor[2], 1.0f);
  GLint previousVertexArray = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &previousVertexArray);
  glBindVertexArray(mVertexArray);
  glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(GetPrimitiveCount() * 2));
  glBindVertexArray(static_cast<GLuint>(previousVertexArray));
  if (culling) glEnable(GL_CULL_FACE);
  glUseProgram(0);
}

RenderableEdgeDebugDX::RenderableEdgeDebugDX(RenderDirectXX* device)
    : RenderableDebugX(device, 0.0f, 1.0f, 0.0f) {}

std::function<IRenderableObjectX*(Object3DX*, IRenderSnapshotX*)>
RenderableEdgeDebugDX::MakeFactory(RenderDirectXX* device) {
  return [device](Object3DX* object, IRenderSnapshotX* moveable) -> IRenderableObjectX* {
    if (moveable) object = moveable->GetRenderObject();
    if (!object || !object->GetMesh() || object->GetMesh()->mEdgeList.Empty()) return nullptr;
    auto* edges = new RenderableEdgeDebugDX(device);
    edges->Init(object);
    if (moveable) {
      edges->SetWorldMatrixSource(
          [moveable](int32_t renderIndex) { return moveable->GetRenderMatrix(renderIndex); });
    }
    return edges;
  };
}

bool RenderableEdgeDebugDX::Init(Object3DX* object) {
  mObject3DX = object;
  const MeshX* mesh = object ? object->GetMesh() : nullptr;
  KX_ASSERT_MSG(mesh, "RenderableEdgeDebugDX::Init", "mObject3DX->mMesh");
  if (!mesh) return false;
  std::vector<Vector3fX> points;
  points.reserve(static_cast<size_t>(mesh->mEdgeList.Size()) * 2);
  for (const EdgeX& edge : mesh->mEdgeList) {
    points.push_back(edge.GetStart());
    points.push_back(edge.GetEnd());
  }
  KX_ASSERT_MSG((points.size() % 2) == 0, "RenderableEdgeDebugDX::Init",
                "(points.Size() % 2) == 0");
  SetLines(std::move(points));
  return !mPoints.empty();
}

RenderableBSPTreeDebugDX::RenderableBSPTreeDebugDX(RenderDirectXX* device,
                                                   std::vector<Vector3fX> outlines,
                                                   std::vector<Vector3fX> normals)
    : RenderableDebugX(device, 1.0f, 1.0f, 0.0f), mNormals(device, 1.0f, 0.0f, 1.0f) {
  SetLines(std::move(outlines));
  mNormals.SetLines(std::move(normals));
}

void RenderableBSPTreeDebugDX::Reinitialise() {
  RenderableDebugX::Reinitialise();
  mNormals.Reinitialise();
}

void RenderableBSPTreeDebugDX::Prepare(const Matrix4X& viewProjection, int32_t renderIndex) {
  RenderableDebugX::Prepare(viewProjection, renderIndex);
  mNormals.Prepare(viewProjection, renderIndex);
}

void RenderableBSPTreeDebugDX::Draw() {
  RenderableDebugX::Draw();
  mNormals.Draw();
}
