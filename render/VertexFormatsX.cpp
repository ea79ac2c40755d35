#include "render/VertexFormatsX.h"

#include <epoxy/gl.h>

#include <cstring>

#include "assets/MaterialX.h"
#include "engine/ReportHooksX.h"
#include "geometry/MeshX.h"

namespace VertexFormatsX {

uint32_t ChooseVertexType(const MaterialX* material, bool cubeMapped) {
  if (cubeMapped) return VERTEXTYPE_CUBEMAPPED;
  if (material && material->GetDiffuseTexture()) {
    return material->GetLightmap() ? VERTEXTYPE_LIGHTMAPPED : VERTEXTYPE_TEXTURED;
  }
  return VERTEXTYPE_COLOR;
}

uint32_t GetStride(uint32_t vertexType) {
  switch (vertexType) {
    case VERTEXTYPE_COLOR:
      return 16;
    case VERTEXTYPE_TEXTURED:
      return 20;
    case VERTEXTYPE_LIGHTMAPPED:
      return 28;
    case VERTEXTYPE_CUBEMAPPED:
      return 24;
    case VERTEXTYPE_ANIMATED:
      return 12;
    default:
      return 0;
  }
}

uint32_t GetDeclarationIndex(uint32_t vertexType) {
  switch (vertexType) {
    case VERTEXTYPE_COLOR:
      return VERTEXDECLARATION_COLOR;
    case VERTEXTYPE_TEXTURED:
      return VERTEXDECLARATION_TEXCOORD2;
    case VERTEXTYPE_LIGHTMAPPED:
      return VERTEXDECLARATION_FLOAT4;
    case VERTEXTYPE_CUBEMAPPED:
      return VERTEXDECLARATION_TEXCOORD3;
    case VERTEXTYPE_ANIMATED:
      return VERTEXDECLARATION_ANIMATED;
    default:
      return VERTEXDECLARATION_COUNT;
  }
}

const char* GetShaderProgram(uint32_t vertexType) {
  switch (vertexType) {
    case VERTEXTYPE_COLOR:
      return "Resources\\ShaderPrograms\\SimpleColor.glsl";
    case VERTEXTYPE_LIGHTMAPPED:
      return "Resources\\ShaderPrograms\\SimpleTexturedLightmap.glsl";
    case VERTEXTYPE_CUBEMAPPED:
      return "Resources\\ShaderPrograms\\SimpleCubemapped.glsl";
    case VERTEXTYPE_ANIMATED:
      return "Resources\\ShaderPrograms\\SimpleAnimatedTextured.glsl";
    default:
      return nullptr;
  }
}

const char* GetTexturedFallbackProgram() {
  return "Resources\\ShaderPrograms\\SimpleTextured.glsl";
}

PrimitiveX GetPrimitive(uint32_t pointOrdering, uint32_t n) {
  const char* function = "RenderableMeshDX::SetPrimitiveType";
  PrimitiveX primitive{PRIMITIVETYPE_POINTLIST, n};
  switch (pointOrdering) {
    case POINTORDER_POINTLIST:
      break;
    case POINTORDER_FACELIST:
      KX_ASSERT_MSG(false, function,
                    "No suitable primitive type found for current mesh - POINTORDER_FACELIST");
      break;
    case POINTORDER_FACESTRIP:
      KX_ASSERT_MSG(false, function,
                    "No suitable primitive type found for current mesh - POINTORDER_FACESTRIP");
      break;
    case POINTORDER_FACEFAN:
      KX_ASSERT_MSG(false, function,
                    "No suitable primitive type found for current mesh - POINTORDER_FACEFAN");
      break;
    case POINTORDER_LINELIST:
      KX_ASSERT_MSG(n % 2 == 0, function, "section.Size() % 2 == 0");
      primitive = {PRIMITIVETYPE_LINELIST, n / 2};
      break;
    case POINTORDER_LINESTRIP:
      primitive = {PRIMITIVETYPE_LINESTRIP, n >= 2 ? n - 1 : 0};
      break;
    case POINTORDER_TRIANGLELIST:
      KX_ASSERT_MSG(n % 3 == 0, function, "section.Size() % 3 == 0");
      primitive = {PRIMITIVETYPE_TRIANGLELIST, n / 3};
      break;
    case POINTORDER_TRIANGLESTRIP:
      primitive = {PRIMITIVETYPE_TRIANGLESTRIP, n >= 3 ? n - 2 : 0};
      break;
    case POINTORDER_TRIANGLEFAN:
      primitive = {PRIMITIVETYPE_TRIANGLEFAN, n >= 3 ? n - 2 : 0};
      break;
    default:
      KX_ASSERT_MSG(false, function, "No suitable primitive type found for current mesh!");
      break;
  }
  return primitive;
}

uint32_t GetDrawnVertexCount(const PrimitiveX& primitive) {
  if (primitive.mCount == 0) return 0;
  switch (primitive.mType) {
    case PRIMITIVETYPE_LINELIST:
      return primitive.mCount * 2;
    case PRIMITIVETYPE_LINESTRIP:
      return primitive.mCount + 1;
    case PRIMITIVETYPE_TRIANGLELIST:
      return primitive.mCount * 3;
    case PRIMITIVETYPE_TRIANGLESTRIP:
    case PRIMITIVETYPE_TRIANGLEFAN:
      return primitive.mCount + 2;
    default:
      return primitive.mCount;
  }
}

uint32_t GetGLMode(uint32_t primitiveType) {
  switch (primitiveType) {
    case PRIMITIVETYPE_LINELIST:
      return GL_LINES;
    case PRIMITIVETYPE_LINESTRIP:
      return GL_LINE_STRIP;
    case PRIMITIVETYPE_TRIANGLELIST:
      return GL_TRIANGLES;
    case PRIMITIVETYPE_TRIANGLESTRIP:
      return GL_TRIANGLE_STRIP;
    case PRIMITIVETYPE_TRIANGLEFAN:
      return GL_TRIANGLE_FAN;
    default:
      return GL_POINTS;
  }
}

namespace {

// The range of the index list (or of the vertex list) a section covers, clipped to the list.
struct RangeX {
  uint32_t first = 0, end = 0;
};
RangeX GetSectionRange(const MeshX& mesh, uint32_t section) {
  const uint32_t listSize =
      mesh.mIndexList.Empty() ? mesh.mVertexList.Size() : mesh.mIndexList.Size();
  if (mesh.mSections.Empty()) return {0, listSize};
  if (section >= mesh.mSections.Size()) return {};
  const SectionX& range = mesh.mSections[section];
  if (range.first > range.end || range.end > listSize) {
    LogMessage("RenderableMesh, a section reaches past the mesh's lists; drawn clipped");
  }
  const uint32_t end = range.end < listSize ? range.end : listSize;
  return {range.first < end ? range.first : end, end};
}

// Calls visit(vertex) for every vertex of the section in drawing order; a bad index visits a
// zero vertex.
template <typename VisitX>
void ForEachVertex(const MeshX& mesh, uint32_t section, VisitX visit) {
  static const VertexX sZeroVertex{};
  const RangeX range = GetSectionRange(mesh, section);
  bool reported = false;
  for (uint32_t i = range.first; i < range.end; ++i) {
    uint32_t vertex = i;
    if (!mesh.mIndexList.Empty()) vertex = static_cast<uint32_t>(mesh.mIndexList[i]);
    if (vertex >= mesh.mVertexList.Size()) {
      if (!reported) LogMessage("RenderableMesh, an index points past the vertex list");
      reported = true;
      visit(sZeroVertex);
    } else {
      visit(mesh.mVertexList[vertex]);
    }
  }
}

void Append(std::vector<uint8_t>& out, const void* data, size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  out.insert(out.end(), bytes, bytes + size);
}

}  // namespace

uint32_t GetSectionSize(const MeshX& mesh, uint32_t section) {
  const RangeX range = GetSectionRange(mesh, section);
  return range.end - range.first;
}

std::vector<uint8_t> PackVertices(const MeshX& mesh, uint32_t section, uint32_t vertexType) {
  std::vector<uint8_t> out;
  const uint32_t stride = GetStride(vertexType);
  if (stride == 0 || vertexType == VERTEXTYPE_ANIMATED) return out;
  out.reserve(size_t{GetSectionSize(mesh, section)} * stride);
  ForEachVertex(mesh, section, [&](const VertexX& v) {
    const float position[3] = {v.position.x, v.position.y, v.position.z};
    Append(out, position, sizeof(position));
    switch (vertexType) {
      case VERTEXTYPE_COLOR: {
        // ARGB to the bytes red, green, blue, alpha that the shader reads normalised.
        const uint8_t color[4] = {uint8_t(v.colour >> 16), uint8_t(v.colour >> 8),
                                  uint8_t(v.colour), uint8_t(v.colour >> 24)};
        Append(out, color, sizeof(color));
        break;
      }
      case VERTEXTYPE_TEXTURED: {
        const float uv[2] = {v.texCoord.u, v.texCoord.v};
        Append(out, uv, sizeof(uv));
        break;
      }
      case VERTEXTYPE_LIGHTMAPPED: {
        const float uv[4] = {v.texCoord.u, v.texCoord.v, v.lightmapCoord.u, v.lightmapCoord.v};
        Append(out, uv, sizeof(uv));
        break;
      }
      case VERTEXTYPE_CUBEMAPPED: {
        // The direction from the mesh's origin is the cube coordinate.
        Append(out, position, sizeof(position));
        break;
      }
      default:
        break;
    }
  });
  return out;
}

std::vector<float> PackPositions(const MeshX& mesh, uint32_t section) {
  std::vector<float> out;
  out.reserve(size_t{GetSectionSize(mesh, section)} * 3);
  ForEachVertex(mesh, section, [&](const VertexX& v) {
    out.insert(out.end(), {v.position.x, v.position.y, v.position.z});
  });
  return out;
}

std::vector<float> PackTexCoords(const MeshX& mesh, uint32_t section) {
  std::vector<float> out;
  out.reserve(size_t{GetSectionSize(mesh, section)} * 2);
  ForEachVertex(mesh, section, [&](const VertexX& v) {
    out.insert(out.end(), {v.texCoord.u, v.texCoord.v});
  });
  return out;
}

void SetupVertexDeclaration(uint32_t declarationIndex) {
  auto attribute = [](uint32_t location, GLint size, GLenum type, GLboolean normalised,
                      GLsizei stride, size_t offset) {
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, size, type, normalised, stride,
                          reinterpret_cast<const void*>(offset));
  };
  // Three floats of position, then one attribute.
  auto positionAnd = [&](GLint size, GLenum type, GLboolean normalised, GLsizei stride) {
    attribute(sPositionLocation, 3, GL_FLOAT, GL_FALSE, stride, 0);
    attribute(sAttributeLocation, size, type, normalised, stride, 12);
  };
  switch (declarationIndex) {
    case VERTEXDECLARATION_POSITION:
      attribute(sPositionLocation, 3, GL_FLOAT, GL_FALSE, 12, 0);
      break;
    case VERTEXDECLARATION_TWO_POSITIONS:
      attribute(sPositionLocation, 3, GL_FLOAT, GL_FALSE, 24, 0);
      attribute(sSecondPositionLocation, 3, GL_FLOAT, GL_FALSE, 24, 12);
      break;
    case VERTEXDECLARATION_COLOR:
      positionAnd(4, GL_UNSIGNED_BYTE, GL_TRUE, 16);
      break;
    case VERTEXDECLARATION_TEXCOORD2:
      positionAnd(2, GL_FLOAT, GL_FALSE, 20);
      break;
    case VERTEXDECLARATION_TEXCOORD3:
      positionAnd(3, GL_FLOAT, GL_FALSE, 24);
      break;
    case VERTEXDECLARATION_FLOAT4:
      positionAnd(4, GL_FLOAT, GL_FALSE, 28);
      break;
    case VERTEXDECLARATION_ANIMATED:
      attribute(sAttributeLocation, 2, GL_FLOAT, GL_FALSE, 8, 0);
      break;
    default:
      KX_ASSERT_MSG(false, "RenderableMeshDX::GetVertexDeclaration",
                    "No vertex declaration found with the given type");
      break;
  }
}

}  // namespace VertexFormatsX
