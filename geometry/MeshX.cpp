#include "geometry/MeshX.h"

#include <cstdint>

#include "engine/ReportHooksX.h"
#include "foundation/BinarySearchTreeX.h"

namespace {
MeshLoaderFunctionX sMeshLoader = nullptr;

// Where an index list entry points, or INVALID32 when it is outside the vertex list.
uint32_t CheckedIndex(int32_t index, uint32_t vertexCount) {
  return index >= 0 && uint32_t(index) < vertexCount ? uint32_t(index) : INVALID32;
}
}  // namespace

void SetMeshLoaderFunction(MeshLoaderFunctionX loader) { sMeshLoader = loader; }

// An unnamed mesh (a loader's part or a mesh built in code) takes its name later, if ever;
// the base is given a placeholder so the empty name is not reported as an error.
MeshX::MeshX() : AssetX(StringX("MeshX")) { mName = StringX(); }

MeshX::MeshX(const StringX& name) : AssetX(name) {}

MeshX::MeshX(uint32_t kind, uint32_t a, uint32_t b) : MeshX() {
  mName = GetPrimitiveName(kind, a, b);
  mPrimitiveKind = kind;
  mPrimitiveA = a;
  mPrimitiveB = b;
  BuildPrimitive(kind, a, b);
  KX_ASSERT(!mIndexList.Empty(), "MeshX::MeshX");
  mSections.Add(SectionX{0, mIndexList.Size()});
}

MeshX::MeshX(const MeshX& mesh) : AssetX(mesh) { CopyFrom(mesh); }

MeshX& MeshX::operator=(const MeshX& mesh) {
  if (this != &mesh) {
    AssetX::operator=(mesh);
    CopyFrom(mesh);
  }
  return *this;
}

void MeshX::CopyFrom(const MeshX& mesh) {
  mPointOrdering = mesh.mPointOrdering;
  mVertexList = mesh.mVertexList;
  mIndexList = mesh.mIndexList;
  mSections = mesh.mSections;
  mMaterials = mesh.mMaterials;
  mPolygonList = mesh.mPolygonList;
  mBoundingBox = mesh.mBoundingBox;
  mHasNormals = mesh.mHasNormals;
  mPrimitiveKind = mesh.mPrimitiveKind;
  mPrimitiveA = mesh.mPrimitiveA;
  mPrimitiveB = mesh.mPrimitiveB;
  // The copied edges must refer to this mesh's polygons, not to the source's.
  mEdgeList = mesh.mEdgeList;
  RebaseEdges(0, mesh.mPolygonList.begin(), mesh.mPolygonList.Size(), 0);
}

void MeshX::RebaseEdges(uint32_t firstEdge, const PolygonX* sourceBase, uint32_t sourceCount,
                        uint32_t firstPolygon) {
  const uintptr_t base = reinterpret_cast<uintptr_t>(sourceBase);
  auto rebase = [&](PolygonX*& polygon) {
    if (!polygon) return;
    const uintptr_t address = reinterpret_cast<uintptr_t>(polygon);
    const uintptr_t offset = (address - base) / sizeof(PolygonX);
    const bool inside = address >= base && offset < sourceCount;
    polygon = inside ? &mPolygonList[firstPolygon + uint32_t(offset)] : nullptr;
  };
  for (uint32_t i = firstEdge; i < mEdgeList.Size(); ++i) {
    rebase(mEdgeList[i].mPolygonFirst);
    rebase(mEdgeList[i].mPolygonLast);
  }
}

bool MeshX::GenerateAsset(const void* parameters) {
  (void)parameters;
  KX_ASSERT(!GetName().Empty(), "MeshX::GenerateAsset");
  if (GetName().Empty() || !sMeshLoader || !sMeshLoader(*this)) {
    LogMessage("Could not load mesh!");
    return false;
  }
  return true;
}

void MeshX::AddMesh(const MeshX& other) {
  if (&other == this) {
    const MeshX copy(other);
    AddMesh(copy);
    return;
  }
  const uint32_t vertexOffset = mVertexList.Size();
  const uint32_t indexOffset = mIndexList.Size();
  const uint32_t polygonOffset = mPolygonList.Size();
  const uint32_t edgeOffset = mEdgeList.Size();
  const PolygonX* oldBase = mPolygonList.begin();
  for (MaterialX* material : other.mMaterials) mMaterials.Add(material);
  for (const PolygonX& polygon : other.mPolygonList) mPolygonList.Add(polygon);
  for (const VertexX& vertex : other.mVertexList) mVertexList.Add(vertex);
  for (int32_t index : other.mIndexList) mIndexList.Add(index + int32_t(vertexOffset));
  // The appended indices are drawn with the other mesh's materials.
  for (const SectionX& section : other.mSections) {
    mSections.Add(SectionX{section.first + indexOffset, section.end + indexOffset});
  }
  // Growing the polygon list may have moved the polygons under the existing edges.
  RebaseEdges(0, oldBase, polygonOffset, 0);
  for (const EdgeX& edge : other.mEdgeList) mEdgeList.Add(edge);
  RebaseEdges(edgeOffset, other.mPolygonList.begin(), other.mPolygonList.Size(), polygonOffset);
}

void MeshX::CreateVertexListIndexLists() {
  mVertexList.Clear();
  mIndexList.Clear();
  mVertexList.IncreaseSize(mPolygonList.Size() * 3);
  mIndexList.IncreaseSize(mPolygonList.Size() * 3);
  for (const PolygonX& tempPoly : mPolygonList) {
    KX_ASSERT(tempPoly.vertexList.Size() == 3, "MeshX::CreateVertexListIndexLists");
    if (tempPoly.vertexList.Size() != 3) continue;
    for (const VertexX& vertex : tempPoly.vertexList) {
      mIndexList.Add(int32_t(mVertexList.Size()));
      mVertexList.Add(vertex);
    }
  }
}

void MeshX::CreatePolygonList(bool keepLists) {
  if (mPolygonList.Empty()) {
    const bool useIndices = !mIndexList.Empty();
    const uint32_t maxLength = useIndices ? mIndexList.Size() : mVertexList.Size();
    const uint32_t vertexCount = mVertexList.Size();
    auto source = [&](uint32_t k) {
      return useIndices ? CheckedIndex(mIndexList[k], vertexCount) : k;
    };
    auto addTriangle = [&](uint32_t k0, uint32_t k1, uint32_t k2) {
      const uint32_t i0 = source(k0), i1 = source(k1), i2 = source(k2);
      if (i0 == INVALID32 || i1 == INVALID32 || i2 == INVALID32) {
        KX_ASSERT_MSG(false, "MeshX::CreatePolygonList", "index < mVertexList.Size()");
        return;
      }
      PolygonX polygon;
      polygon.vertexList.Add(mVertexList[i0]);
      polygon.vertexList.Add(mVertexList[i1]);
      polygon.vertexList.Add(mVertexList[i2]);
      polygon.CreatePlaneSafe();
      mPolygonList.Add(polygon);
    };
    if (mPointOrdering == POINTORDER_TRIANGLELIST) {
      KX_ASSERT((maxLength % 3) == 0, "MeshX::CreatePolygonList");
      mPolygonList.IncreaseSize(maxLength / 3);
      for (uint32_t i = 0; i + 3 <= maxLength; i += 3) addTriangle(i, i + 1, i + 2);
    } else if (mPointOrdering == POINTORDER_TRIANGLESTRIP) {
      for (uint32_t i = 0; i + 2 < maxLength; ++i) addTriangle(i, i + 1, i + 2);
    } else {
      KX_ASSERT_MSG(false, "MeshX::CreatePolygonList", "No such pointOrdering");
    }
  }
  // The lists are only dropped when the polygons hold the mesh.
  if (!keepLists && !mPolygonList.Empty()) {
    mVertexList.Clear();
    mIndexList.Clear();
  }
}

void MeshX::CreateNormals() {
  if (mHasNormals) return;
  for (PolygonX& polygon : mPolygonList) {
    if (!polygon.CreatePlaneSafe()) continue;
    for (VertexX& vertex : polygon.vertexList) vertex.normal = polygon.plane.normal;
  }
}

void MeshX::CreateEdgeList() {
  if (!mEdgeList.Empty()) {
    LogMessage(StringX("Edgelist already created! meshName=") + GetName());
    return;
  }
  CreatePolygonList(true);
  if (mPolygonList.Empty()) {
    LogMessage(StringX("Can't create EdgeList, PolygonList need to have at least 2 items, "
                       "meshName=") +
               GetName());
    return;
  }
  CreateNormals();
  BinarySearchTreeX<uint32_t, EdgeX> edgeIndices;
  for (PolygonX& polygon : mPolygonList) {
    if (!polygon.IsAPolygon()) continue;
    const uint32_t count = polygon.vertexList.Size();
    if (count >= INVALID8) continue;  // edge indices are 8-bit
    for (uint32_t k = 0; k < count; ++k) {
      const uint8_t first = uint8_t(k);
      const uint8_t second = uint8_t((k + 1) % count);
      const EdgeX edge(first, second, &polygon);
      if (const uint32_t* found = edgeIndices.FindValue(edge)) {
        mEdgeList[*found].AddPolygon(&polygon, first, second);
      } else {
        edgeIndices.Add(mEdgeList.Size(), edge);
        mEdgeList.Add(edge);
      }
    }
  }
}

void MeshX::GetMeshAsPolygonLightList(ArrayX<PolygonLightX>& outList) const {
  ArrayX<Vector3fX>* mainVertexList = outList.Empty() ? nullptr : outList[0].mMainVertexList;
  const bool ownList = outList.Empty();
  if (ownList) mainVertexList = new ArrayX<Vector3fX>();
  KX_ASSERT(mainVertexList, "MeshX::GetMeshAsPolygonLightList");
  if (!mainVertexList) return;
  const uint32_t startSize = outList.Size();
  if (mPolygonList.Empty()) {
    if (!mIndexList.Empty()) {
      KX_ASSERT(mIndexList.Size() % 3 == 0, "MeshX::GetMeshAsPolygonLightList");
      const uint32_t vertexCount = mVertexList.Size();
      mainVertexList->IncreaseSize(mIndexList.Size());
      outList.IncreaseSize(mIndexList.Size() / 3);
      for (uint32_t i = 0; i + 3 <= mIndexList.Size(); i += 3) {
        PolygonLightX light(mainVertexList);
        bool valid = true;
        for (uint32_t k = 0; k < 3; ++k) {
          const uint32_t index = CheckedIndex(mIndexList[i + k], vertexCount);
          valid = valid && index != INVALID32 && light.AddVertex(mVertexList[index].position);
        }
        if (valid) outList.Add(light);
      }
    }
  } else {
    mainVertexList->IncreaseSize(mPolygonList.Size() * 3);
    outList.IncreaseSize(mPolygonList.Size());
    for (const PolygonX& polygon : mPolygonList) {
      if (polygon.surfaceFlags & (1u << 27)) continue;
      PolygonLightX light(mainVertexList);
      light = polygon;
      outList.Add(light);
    }
  }
  // A list that nothing refers to would be lost; it only goes to the caller with a polygon.
  if (ownList && outList.Size() == startSize) delete mainVertexList;
}

Vector3fX MeshX::TransformPosition(const Matrix4X& matrix, const Vector3fX& p) {
  const auto& m = matrix.m;
  const float w = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
  return {(p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0]) / w,
          (p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1]) / w,
          (p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]) / w};
}

void MeshX::TransformMesh(const Matrix4X& matrix) {
  const auto& m = matrix.m;
  auto transform = [&](VertexX& vertex) {
    vertex.position = TransformPosition(matrix, vertex.position);
    const Vector3fX& n = vertex.normal;
    struct {
      float X, Y, Z, W;
    } tempNorm = {n.x * m[0][0] + n.y * m[1][0] + n.z * m[2][0],
                  n.x * m[0][1] + n.y * m[1][1] + n.z * m[2][1],
                  n.x * m[0][2] + n.y * m[1][2] + n.z * m[2][2],
                  n.x * m[0][3] + n.y * m[1][3] + n.z * m[2][3]};
    KX_ASSERT(Equal(tempNorm.W, 0.f), "MeshX::TransformMesh");
    vertex.normal = {tempNorm.X, tempNorm.Y, tempNorm.Z};
  };
  for (PolygonX& polygon : mPolygonList) {
    for (VertexX& vertex : polygon.vertexList) transform(vertex);
    // A plane made before the move would no longer fit the polygon.
    if (polygon.planeCreated) polygon.CreatePlaneSafe();
  }
  for (VertexX& vertex : mVertexList) transform(vertex);
}

void MeshX::CleanRemoveDuplicateVerts() {
  CodeNotDone(__FILE__, "MeshX::CleanRemoveDuplicateVerts", __LINE__, "Not Done");
}
