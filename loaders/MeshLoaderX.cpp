#include "loaders/MeshLoaderX.h"

#include <algorithm>
#include <map>

#include "assets/AssetManagerImplX.h"
#include "engine/ReportHooksX.h"
#include "geometry/MeshX.h"
#include "loaders/Read3DSX.h"
#include "loaders/ReadBSPQuakeX.h"
#include "loaders/ReadMD2X.h"
#include "streams/FileSystemX.h"

MeshLoaderX* sMeshLoaderX = nullptr;

namespace {
bool LoadThroughEngineLoader(MeshX& mesh) {
  MeshLoaderX* loader = GetMeshLoader();
  return loader && loader->LoadMesh(mesh.GetName(), mesh);
}

void DeleteAll(ArrayX<MeshX*>& meshes) {
  for (MeshX* mesh : meshes) delete mesh;
  meshes.Clear();
}
}  // namespace

MeshLoaderX::MeshLoaderX(const MeshLoaderX&) {
  KX_ASSERT_MSG(false, "MeshLoaderX::MeshLoaderX", "Forbidden");
}

void MeshLoaderX::CreateSingleton() {
  KX_ASSERT(!sMeshLoaderX, "MeshLoaderX::CreateSingleton");
  if (sMeshLoaderX) return;
  sMeshLoaderX = new MeshLoaderImplX;
  SetMeshLoaderFunction(&LoadThroughEngineLoader);
}

void MeshLoaderX::DestroySingleton() {
  SetMeshLoaderFunction(nullptr);
  delete sMeshLoaderX;
  sMeshLoaderX = nullptr;
}

uint32_t MeshLoaderX::GetMeshType(const StringX& fileName) {
  StringX extension = FileSystemX::GetExtension(fileName);
  extension.ToLower();
  if (extension == "3ds") return MESHTYPE_3DS;
  if (extension == "bsp") return MESHTYPE_BSP;
  if (extension == "md2") return MESHTYPE_MD2;
  return MESHTYPE_UNKNOWN;
}

bool MeshLoaderImplX::ReadSubMeshes(uint32_t type, const StringX& path, AssetManagerBaseX* assets,
                                    ArrayX<MeshX*>& outMeshes) {
  switch (type) {
    case MESHTYPE_BSP: {
      ReadBSPQuake reader(assets);
      if (!reader.ReadFile(path)) return false;
      reader.GetMeshes(outMeshes);
      return true;
    }
    case MESHTYPE_MD2: {
      ReadMD2X reader(assets);
      if (!reader.Read(path)) return false;
      reader.GetMeshes(outMeshes);
      return true;
    }
    case MESHTYPE_3DS: {
      Read3DSX reader(assets);
      if (!reader.Read(path)) return false;
      reader.GetMeshes(outMeshes);
      return true;
    }
    default:
      KX_ASSERT_MSG(false, "MeshLoaderImplX::LoadMesh", "Unhandled mesh type");
      return false;
  }
}

bool MeshLoaderImplX::LoadMesh(const StringX& fileName, MeshX& mesh) {
  KX_ASSERT(mesh.mPolygonList.Empty(), "MeshLoaderImplX::LoadMesh");
  KX_ASSERT(mesh.mVertexList.Empty(), "MeshLoaderImplX::LoadMesh");
  KX_ASSERT(mesh.mIndexList.Empty(), "MeshLoaderImplX::LoadMesh");
  const uint32_t type = GetMeshType(fileName);
  if (type == MESHTYPE_UNKNOWN) {
    LogMessage(StringX("Could not load ") + fileName);
    return false;
  }
  const StringX path = AssetManagerImplX::FindSourcePath(fileName);
  if (path.Empty()) {
    LogMessage(StringX("Could not load ") + fileName);
    return false;
  }
  ArrayX<MeshX*> subMeshes;
  if (!ReadSubMeshes(type, path, mesh.GetManager(), subMeshes)) {
    DeleteAll(subMeshes);
    LogMessage(StringX("Could not load ") + fileName + ": the file is damaged or not of its type");
    return false;
  }
  CombineMeshes(subMeshes, fileName, mesh);
  if (mesh.mSections.Empty()) {
    LogMessage(StringX("Could not load ") + fileName + ": it holds no geometry");
    return false;
  }
  return true;
}

void MeshLoaderImplX::CombineMeshes(ArrayX<MeshX*>& subMeshes, const StringX& fileName,
                                    MeshX& mesh) {
  mesh = MeshX(fileName);
  uint32_t vertexTotal = 0, indexTotal = 0, polygonTotal = 0;
  for (const MeshX* part : subMeshes) {
    vertexTotal += part->mVertexList.Size();
    indexTotal += part->mIndexList.Size();
    polygonTotal += part->mPolygonList.Size();
  }
  mesh.mPolygonList.IncreaseSize(std::min(polygonTotal, GENERAL_MAX_SIZE));
  mesh.mVertexList.IncreaseSize(std::min(vertexTotal, GENERAL_MAX_SIZE));
  mesh.mIndexList.IncreaseSize(std::min(indexTotal, GENERAL_MAX_SIZE));

  // Vertex to its index in the combined list: exact comparison of every field.
  std::map<VertexX, int32_t> verticesLookup;
  ArrayX<int32_t> translate;
  for (MeshX* part : subMeshes) {
    const MeshX& meshChunch = *part;
    if (meshChunch.mIndexList.Empty()) continue;
    translate.Resize(meshChunch.mVertexList.Size());
    for (uint32_t v = 0; v < meshChunch.mVertexList.Size(); ++v) {
      const VertexX& vertex = meshChunch.mVertexList[v];
      auto vertIte = verticesLookup.find(vertex);
      if (vertIte == verticesLookup.end()) {
        if (!mesh.mVertexList.Add(vertex)) {
          LogMessage(StringX("CombineMeshes, ") + fileName +
                     " has more vertices than a mesh holds");
          mesh = MeshX(fileName);
          DeleteAll(subMeshes);
          return;
        }
        vertIte = verticesLookup.emplace(vertex, int32_t(mesh.mVertexList.Size() - 1)).first;
      }
      KX_ASSERT(vertIte != verticesLookup.end(), "MeshLoaderImplX::CombineMeshes");
      translate[v] = vertIte->second;
    }
    SectionX section;
    section.first = mesh.mIndexList.Size();
    for (int32_t index : meshChunch.mIndexList) {
      const bool inside = index >= 0 && uint32_t(index) < translate.Size();
      KX_ASSERT_MSG(inside, "MeshLoaderImplX::CombineMeshes", "index < mVertexList.Size()");
      if (inside) mesh.mIndexList.Add(translate[uint32_t(index)]);
    }
    section.end = mesh.mIndexList.Size();
    // The triangles keep their planes and surface flags, which the collision code reads.
    for (const PolygonX& polygon : meshChunch.mPolygonList) mesh.mPolygonList.Add(polygon);
    mesh.mSections.Add(section);
    // A sub-mesh without a material gets none (null) so sections and materials stay paired.
    mesh.mMaterials.Add(meshChunch.mMaterials.Empty() ? nullptr : meshChunch.mMaterials[0]);
    KX_ASSERT(section.end > section.first, "MeshLoaderImplX::CombineMeshes");
  }
  DeleteAll(subMeshes);
}
