#pragma once
// The vertex formats of the renderable meshes: which one a section is drawn in, how many bytes a
// vertex takes, which shader program draws it, the primitive a point ordering makes, and the
// packing of a mesh section's vertices into the bytes of a vertex buffer. Everything but
// SetupVertexDeclaration is plain computation (no GL).
#include <cstdint>
#include <vector>

class MaterialX;
class MeshX;

// The vertex types; the values are the flexible-vertex-format codes the engine has always used.
enum VertexTypeX : uint32_t {
  VERTEXTYPE_ANIMATED = 2,        // position per key frame, plus a shared uv stream
  VERTEXTYPE_COLOR = 66,          // position, colour (4 bytes)
  VERTEXTYPE_TEXTURED = 258,      // position, uv
  VERTEXTYPE_LIGHTMAPPED = 514,   // position, uv and lightmap uv as one float4
  VERTEXTYPE_CUBEMAPPED = 65794,  // position, cube coordinate (3 floats)
};

// Primitive types; the values are the engine's Direct3D-era codes.
enum PrimitiveTypeCodeX : uint32_t {
  PRIMITIVETYPE_POINTLIST = 1,
  PRIMITIVETYPE_LINELIST = 2,
  PRIMITIVETYPE_LINESTRIP = 3,
  PRIMITIVETYPE_TRIANGLELIST = 4,
  PRIMITIVETYPE_TRIANGLESTRIP = 5,
  PRIMITIVETYPE_TRIANGLEFAN = 6,
};

// Vertex declarations (attribute layouts), by index.
enum VertexDeclarationX : uint32_t {
  VERTEXDECLARATION_POSITION = 0,
  VERTEXDECLARATION_TWO_POSITIONS = 1,
  VERTEXDECLARATION_COLOR = 2,
  VERTEXDECLARATION_TEXCOORD2 = 3,
  VERTEXDECLARATION_TEXCOORD3 = 4,
  VERTEXDECLARATION_FLOAT4 = 5,
  VERTEXDECLARATION_ANIMATED = 6,
  VERTEXDECLARATION_COUNT = 7,
};

struct PrimitiveX {
  uint32_t mType = PRIMITIVETYPE_TRIANGLELIST;
  uint32_t mCount = 0;
};

namespace VertexFormatsX {

// Attribute locations shared by every shader program of the renderable meshes.
constexpr uint32_t sPositionLocation = 0;
constexpr uint32_t sSecondPositionLocation = 1;
constexpr uint32_t sAttributeLocation = 2;  // colour, uv, uv + lightmap uv or cube coordinate

// The type a section with this material is drawn in.
uint32_t ChooseVertexType(const MaterialX* material, bool cubeMapped);
// Bytes per vertex (per position stream for the animated type); 0 for an unknown type.
uint32_t GetStride(uint32_t vertexType);
// The declaration a type is drawn with; VERTEXDECLARATION_COUNT for an unknown type.
uint32_t GetDeclarationIndex(uint32_t vertexType);
// The shader program a type gives a material that has none; null for the textured type, which
// draws with its material's own shader.
const char* GetShaderProgram(uint32_t vertexType);
// What the textured type draws with when its material has no shader either.
const char* GetTexturedFallbackProgram();

// The primitive a point ordering makes of n vertices (reports orderings it cannot draw and
// lists whose size does not divide).
PrimitiveX GetPrimitive(uint32_t pointOrdering, uint32_t n);
// How many vertices a draw of the primitive reads.
uint32_t GetDrawnVertexCount(const PrimitiveX& primitive);
// The GL primitive mode of a primitive type code.
uint32_t GetGLMode(uint32_t primitiveType);

// The number of vertices of a section (index range, or vertex range without an index list).
uint32_t GetSectionSize(const MeshX& mesh, uint32_t section);
// The section's vertices in the layout of the type (not the animated type). Vertices named by
// an index outside the vertex list are written as zero (and reported once).
std::vector<uint8_t> PackVertices(const MeshX& mesh, uint32_t section, uint32_t vertexType);
// An animated key frame: the section's positions (3 floats each).
std::vector<float> PackPositions(const MeshX& mesh, uint32_t section);
// The section's texture coordinates (2 floats each).
std::vector<float> PackTexCoords(const MeshX& mesh, uint32_t section);

// Points the attributes of a declaration at the GL array buffer bound now (the animated
// declaration sets only its uv stream; its positions are pointed per draw). Render thread.
void SetupVertexDeclaration(uint32_t declarationIndex);

}  // namespace VertexFormatsX
