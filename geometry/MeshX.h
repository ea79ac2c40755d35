#pragma once
// MeshX: the engine's mesh asset. A vertex list with an index list split into sections (one
// material each), or a polygon list, plus the edge list of the polygons. Made by the mesh loader
// (the mesh's name is a model or map file), by the primitive builders, or by copying and merging.
#include <cstdint>

#include "assets/AssetX.h"
#include "foundation/ArrayX.h"
#include "geometry/BoundingVolumesX.h"
#include "geometry/EdgeX.h"
#include "geometry/Matrix4X.h"
#include "geometry/PolygonX.h"

class MaterialX;
class MeshX;

// How the index (or vertex) list forms faces; the values are shared with the renderer.
enum PointOrderingX : uint32_t {
  POINTORDER_POINTLIST = 0,
  POINTORDER_FACELIST = 1,
  POINTORDER_FACESTRIP = 2,
  POINTORDER_FACEFAN = 3,
  POINTORDER_LINELIST = 4,
  POINTORDER_LINESTRIP = 5,
  POINTORDER_TRIANGLELIST = 6,
  POINTORDER_TRIANGLESTRIP = 7,
  POINTORDER_TRIANGLEFAN = 8,
};

// Primitive kinds, shared with the object manager.
enum PrimitiveTypeX : uint32_t {
  PRIMITIVE_PLANE = 0,
  PRIMITIVE_SPHERE = 1,
  PRIMITIVE_CYLENDER = 2,
  PRIMITIVE_BOX = 3,
  PRIMITIVE_STAR = 4,
  PRIMITIVE_TORUS = 5,
  PRIMITIVE_DISC = 6,
};

// A range [first, end) of the index list drawn with one material.
struct SectionX {
  uint32_t first = 0;
  uint32_t end = 0;
};

// Loads the model or map file named by the mesh's name into the mesh. The mesh loader installs
// itself here when the engine starts.
using MeshLoaderFunctionX = bool (*)(MeshX& mesh);
void SetMeshLoaderFunction(MeshLoaderFunctionX loader);

class MeshX : public AssetX {
 public:
  MeshX();
  explicit MeshX(const StringX& name);
  // A primitive of the given kind with the two size parameters; named by GetPrimitiveName.
  MeshX(uint32_t kind, uint32_t a, uint32_t b);
  MeshX(const MeshX& mesh);
  MeshX& operator=(const MeshX& mesh);
  ~MeshX() override = default;

  // Loads the file named by the mesh's name through the mesh loader.
  bool GenerateAsset(const void* parameters) override;

  // The kind's prefix followed by a and b as decimal numbers ("PRIMITIVE_SPHERE - 1612"); the
  // star is "PRIMITIVE_STAR" alone. Empty (and reported) for an unknown kind.
  static StringX GetPrimitiveName(uint32_t kind, uint32_t a, uint32_t b);
  // True when this mesh was built as the primitive (kind, a, b).
  bool IsPrimitive(uint32_t kind, uint32_t a, uint32_t b) const {
    return mPrimitiveKind == kind && mPrimitiveA == a && mPrimitiveB == b;
  }

  // Appends the other mesh's materials, sections, polygons, vertices and (offset) indices.
  void AddMesh(const MeshX& other);
  // Rebuilds unshared vertex and index lists from the triangle polygon list.
  void CreateVertexListIndexLists();
  // Builds the polygon list from the vertex/index lists when it is empty.
  void CreatePolygonList(bool keepLists);
  // Flat normals from the polygon planes, unless the mesh has its own normals.
  void CreateNormals();
  void CreateEdgeList();
  // The polygons as compact triangles on a shared position list (see the definition).
  void GetMeshAsPolygonLightList(ArrayX<PolygonLightX>& outList) const;
  // Transforms positions (with the perspective divide) and normals (as directions).
  void TransformMesh(const Matrix4X& matrix);
  void CleanRemoveDuplicateVerts();

  // A position through a row-vector matrix, divided by w.
  static Vector3fX TransformPosition(const Matrix4X& m, const Vector3fX& p);

  uint32_t mPointOrdering = POINTORDER_TRIANGLELIST;
  ArrayX<PolygonX> mPolygonList;
  ArrayX<EdgeX> mEdgeList;  // points into mPolygonList
  ArrayX<VertexX> mVertexList;
  ArrayX<int32_t> mIndexList;
  ArrayX<SectionX> mSections;
  ArrayX<MaterialX*> mMaterials;  // one per section, not owned
  BoundingAxisAllignedBoxX mBoundingBox;
  bool mHasNormals = false;

 private:
  void CopyFrom(const MeshX& mesh);
  // Points the edges copied from source's polygons at the same polygons of this mesh.
  void RebaseEdges(uint32_t firstEdge, const PolygonX* sourceBase, uint32_t sourceCount,
                   uint32_t firstPolygon);
  // Builds the primitive's indexed triangle list.
  void BuildPrimitive(uint32_t kind, uint32_t a, uint32_t b);
  void CreatePlaneMesh(uint32_t numberX, uint32_t numberY);
  void CreateSphereMesh(uint32_t latitude, uint32_t longitude);
  void CreateCylenderMesh(uint32_t latitude, uint32_t longitude);
  void CreateBoxMesh(uint32_t numberX, uint32_t numberY);
  void CreateStarMesh();
  void CreateTorusMesh(uint32_t latitude, uint32_t longitude);
  void CreateDiscMesh(uint32_t numbOfVerts);

  uint32_t mPrimitiveKind = INVALID32;
  uint32_t mPrimitiveA = 0;
  uint32_t mPrimitiveB = 0;
};
