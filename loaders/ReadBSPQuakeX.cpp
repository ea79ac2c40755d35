#include "loaders/ReadBSPQuakeX.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "assets/AssetManagerBaseX.h"
#include "assets/MaterialX.h"
#include "assets/TextureX.h"
#include "engine/ReportHooksX.h"
#include "foundation/BinarySearchTreeX.h"
#include "geometry/MeshX.h"
#include "streams/BinaryReaderX.h"
#include "streams/FileSystemX.h"

namespace {

constexpr uint32_t kHeaderSize = BspRecordSize<bsp_header>();

void Log(const StringX& text) { LogMessage(text); }

// The texinfo's texture name up to its terminator (the field need not hold one).
StringX TextureName(const bsp_texinfo& texinfo) {
  const std::string_view name = GetBspTextureName(texinfo);
  return StringX(name.data(), static_cast<unsigned>(name.size()));
}

// The map's file name without its folders, which keeps the names of its lightmaps and
// materials apart from those of other maps.
StringX MapTag(const StringX& fileName) {
  StringX path = fileName;
  FileSystemX::FixSlashes(path);
  return FileSystemX::GetFileName(path);
}

}  // namespace

// One mesh being built: its faces in order, and where each face's vertices start and end.
struct ReadBSPQuake::MeshBuildX {
  MeshX* mesh = nullptr;
  MaterialX* material = nullptr;
  TextureX* texture = nullptr;
  StringX textureName;  // the texinfo's name, the order of the output
  ArrayX<uint32_t> faces;
  ArrayX<uint32_t> faceFirstVertex;
  ArrayX<uint32_t> faceEndVertex;
  uint32_t litFaces = 0;
};

ReadBSPQuake::ReadBSPQuake(AssetManagerBaseX* assets) : mAssets(assets) {}
ReadBSPQuake::~ReadBSPQuake() = default;

bool ReadBSPQuake::ReadFile(const StringX& fileName, uint32_t lumps) {
  Log(StringX("ReadBSPQuake, Loading Quake2 map: ") + fileName);
  mFileName = fileName;
  mMap = QuakeBspX();
  mFaceStates.clear();
  BinaryReaderX reader;
  if (!reader.Open(fileName)) {
    Log(StringX("ReadBSPQuake, could not open ") + fileName);
    return false;
  }
  const bool result = reader.GetSize() >= kHeaderSize &&
                      std::memcmp(reader.GetData(), bsp_header().magic.data(), 4) == 0;
  if (!result) {
    Log(StringX("ReadBSPQuake, not a Quake2 map: ") + fileName);
    return false;
  }
  LoadBspRecord(reader.GetData(), mHeader);
  if (!ReadLumps(reader, lumps)) {
    // Nothing of a refused map stays, so no face is left without its state.
    mMap = QuakeBspX();
    return false;
  }
  ValidateFaces();
  reader.Close();
  return true;
}

bool ReadBSPQuake::checkChunk(uint32_t length, uint32_t size) {
  // A damaged lump: the whole records in it are read, the rest is left out.
  if (length % size == 0) return true;
  Log(StringX("ReadBSPQuake, a lump of ") + length + " bytes is not a whole number of " + size +
      "-byte records in " + mFileName);
  return false;
}

bool ReadBSPQuake::CountLump(const BinaryReaderX& reader, uint32_t lump, uint32_t size,
                             uint32_t& outCount) {
  const bsp_lump& entry = mHeader.lumps[lump];
  outCount = 0;
  if (entry.length == 0) return true;
  if (entry.offset > reader.GetSize() || entry.length > reader.GetSize() - entry.offset) {
    Log(StringX("ReadBSPQuake, lump ") + lump + " lies outside the file " + mFileName);
    return false;
  }
  checkChunk(entry.length, size);
  outCount = entry.length / size;
  if (outCount > GENERAL_MAX_SIZE) {
    Log(StringX("ReadBSPQuake, lump ") + lump + " has too many records in " + mFileName);
    return false;
  }
  return true;
}

bool ReadBSPQuake::ReadLumps(const BinaryReaderX& reader, uint32_t lumps) {
  for (const QuakeBspLumpX& lump : sQuakeBspLumps) {
    if (!(lumps & (1u << lump.id))) continue;
    uint32_t count = 0;
    if (!CountLump(reader, lump.id, lump.recordSize, count)) return false;
    lump.load(mMap, reader.GetData() + (count ? mHeader.lumps[lump.id].offset : 0), count);
  }
  return true;
}

bool ReadBSPQuake::FaceInsideLumps(const bsp_face& face) const {
  const uint32_t faceEdges = uint32_t(mMap.face_edges.size());
  if (face.texture_info >= mMap.texinfos.size() || face.num_edges < 3 ||
      face.first_edge > faceEdges || face.num_edges > faceEdges - face.first_edge) {
    return false;
  }
  for (uint32_t i = 0; i < face.num_edges; ++i) {
    const int32_t e = mMap.face_edges[face.first_edge + i];
    // -e of the smallest int32 does not exist; every edge index must name an edge.
    const int64_t index = e < 0 ? -int64_t(e) : int64_t(e);
    if (index >= int64_t(mMap.edges.size())) return false;
    const bsp_edge& edge = mMap.edges[size_t(index)];
    if (edge.v[0] >= mMap.vertices.size() || edge.v[1] >= mMap.vertices.size()) return false;
  }
  return true;
}

void ReadBSPQuake::ValidateFaces() {
  mBadFaces = 0;
  mFaceStates.assign(mMap.faces.size(), BspFaceStateX());
  for (size_t f = 0; f < mMap.faces.size(); ++f) {
    const bsp_face& face = mMap.faces[f];
    BspFaceStateX& state = mFaceStates[f];
    state.valid = FaceInsideLumps(face);
    if (!state.valid) {
      ++mBadFaces;
      continue;
    }
    BspLightmapBoundsX bounds(mMap.texinfos[face.texture_info]);
    for (uint32_t i = 0; i < face.num_edges; ++i) bounds.Add(GetVertexFromFaceByIndex(face, i));
    // Texture axes from a damaged file can put a face anywhere: far outside any real map it
    // gets no lightmap (the extents stay negative).
    bounds.GetExtent(state.lightmap);
    state.lit = HasLightmap(face, state);
  }
  if (mBadFaces) {
    Log(StringX("ReadBSPQuake, ") + mBadFaces +
        " faces point outside the map's lumps and are "
        "left out: " +
        mFileName);
  }
}

bool ReadBSPQuake::HasLightmap(const bsp_face& face, const BspFaceStateX& state) const {
  // -1 marks a face without lighting; sky, warped and invisible faces have none whatever
  // their offset says; and the luxels must lie inside the lighting lump.
  if (face.lightmap_offset < 0 || mMap.lighting.empty()) return false;
  if (mMap.texinfos[face.texture_info].flags & (sSurfaceSky | sSurfaceWarp | sSurfaceNoDraw)) {
    return false;
  }
  const bsp_lightmap_extent& extent = state.lightmap;
  if (extent.s_extent < 0 || extent.t_extent < 0) return false;
  const uint64_t bytes = uint64_t(extent.Width()) * extent.Height() * 3;
  return uint64_t(face.lightmap_offset) + bytes <= mMap.lighting.size();
}

Vector3fX ReadBSPQuake::GetVertexFromFaceByIndex(const bsp_face& face, uint32_t number) const {
  KX_ASSERT(number < face.num_edges, "ReadBSPQuake::GetVertexFromFaceByIndex");
  const uint64_t slot = uint64_t(face.first_edge) + number;
  if (number >= face.num_edges || slot >= mMap.face_edges.size()) return Vector3fX();
  const int32_t e = mMap.face_edges[size_t(slot)];
  const int64_t index = e < 0 ? -int64_t(e) : int64_t(e);
  if (index >= int64_t(mMap.edges.size())) return Vector3fX();
  const uint16_t vertex = mMap.edges[size_t(index)].v[e < 0 ? 1 : 0];
  return vertex < mMap.vertices.size() ? mMap.vertices[vertex] : Vector3fX();
}

StringX ReadBSPQuake::GetTextureAssetName(const bsp_texinfo& texinfo) {
  StringX name = TextureName(texinfo);
  FileSystemX::FixSlashes(name);
  return name + ".WAL";
}

TexCoordX ReadBSPQuake::GetTextureCoord(const bsp_texinfo& texinfo,
                                        const Vector3fX& position) const {
  // The texture was loaded when its mesh was made: this finds that same asset.
  TextureX* texture = GetAssetFrom<TextureX>(mAssets, GetTextureAssetName(texinfo));
  KX_ASSERT(texture, "ReadBSPQuake::GetTextureCoord");
  return TextureCoordOn(texture, texinfo, position);
}

TexCoordX ReadBSPQuake::TextureCoordOn(const TextureX* texture, const bsp_texinfo& texinfo,
                                       const Vector3fX& position) {
  // Without a texture (not even the default one) the coordinates are in units of 64 texels.
  float width = 64.f, height = 64.f;
  if (texture && texture->GetSourceWidth() && texture->GetSourceWidth() != INVALID32 &&
      texture->GetSourceHeight() && texture->GetSourceHeight() != INVALID32) {
    width = static_cast<float>(texture->GetSourceWidth());
    height = static_cast<float>(texture->GetSourceHeight());
  }
  TexCoordX coord;
  coord.u = (Dot(position, texinfo.u_axis) + texinfo.u_offset) / width;
  coord.v = -(Dot(position, texinfo.v_axis) + texinfo.v_offset) / height;
  return coord;
}

bool ReadBSPQuake::GetAtlasSize(uint32_t cells, uint32_t& outWidth, uint32_t& outHeight) {
  const uint64_t need = uint64_t(cells) * sCellSize * sCellSize;
  uint64_t best = 100000000;
  outWidth = outHeight = 2;
  bool found = false;
  for (uint32_t h = 16; h <= 2048; h *= 2) {
    for (uint32_t w = 16; w <= 2048; w *= 2) {
      const uint64_t area = uint64_t(w) * h;
      if (area >= need && area < best) {
        outWidth = w;
        outHeight = h;
        best = area - need;
        found = true;
      }
    }
  }
  return found;
}

uint32_t ReadBSPQuake::AddFace(MeshBuildX& build, uint32_t faceIndex) {
  const bsp_face& face = mMap.faces[faceIndex];
  const BspFaceStateX& state = mFaceStates[faceIndex];
  const bsp_texinfo& texinfo = mMap.texinfos[face.texture_info];
  MeshX& mesh = *build.mesh;
  build.faces.Add(faceIndex);
  build.faceFirstVertex.Add(mesh.mVertexList.Size());
  if (state.lit) ++build.litFaces;

  PolygonX polygon;
  polygon.vertexList.IncreaseSize(face.num_edges);
  for (uint32_t i = 0; i < face.num_edges; ++i) {
    VertexX vertex;
    vertex.position = GetVertexFromFaceByIndex(face, i);
    polygon.vertexList.Add(vertex);
  }
  polygon.RemoveDuplicateVertices();
  uint32_t triangles = 0;
  if (!polygon.vertexList.Empty()) {
    polygon.CreatePlaneSafe();
    ArrayX<PolygonX> fan;
    polygon.GetPolygonAsTrianglePolygons(fan);
    const uint32_t flags = build.texture ? build.texture->GetSurfaceFlags() : 0;
    const uint32_t contents = build.texture ? build.texture->GetSurfaceContents() : 0;
    for (PolygonX& triangle : fan) {
      if (!triangle.IsAPolygon()) continue;
      ++triangles;
      triangle.SetSurfaceFlags(flags, contents);
      for (VertexX& vertex : triangle.vertexList) {
        const Vector3fX p = vertex.position;
        vertex.texCoord = TextureCoordOn(build.texture, texinfo, p);
        const float s = Dot(p, texinfo.u_axis) + texinfo.u_offset;
        const float t = Dot(p, texinfo.v_axis) + texinfo.v_offset;
        vertex.lightmapCoord.u = (s - float(state.lightmap.s_min) + 16.0f) * 0.0625f;
        vertex.lightmapCoord.v = (t - float(state.lightmap.t_min) + 8.0f) * 0.0625f;
        vertex.position = Vector3fX{-p.x, p.z, -p.y};
        vertex.normal = Vector3fX();
        mesh.mIndexList.Add(static_cast<int32_t>(mesh.mVertexList.Size()));
        mesh.mVertexList.Add(vertex);
      }
      triangle.CreatePlaneSafe();
      mesh.mPolygonList.Add(triangle);
    }
  }
  build.faceEndVertex.Add(mesh.mVertexList.Size());
  return triangles;
}

void ReadBSPQuake::CopyLightmapCell(uint32_t faceIndex, uint32_t column, uint32_t row,
                                    uint32_t atlasWidth, std::vector<uint8_t>& atlas) const {
  const uint32_t width = mFaceStates[faceIndex].lightmap.Width();
  const uint32_t height = mFaceStates[faceIndex].lightmap.Height();
  const uint8_t* source = mMap.lighting.data() + mMap.faces[faceIndex].lightmap_offset;
  for (uint32_t y = 0; y < sCellSize; ++y) {
    const uint32_t sy = std::min(y, height - 1);
    uint8_t* target = atlas.data() + ((row * sCellSize + y) * atlasWidth + column * sCellSize) * 3;
    for (uint32_t x = 0; x < sCellSize; ++x) {
      const uint32_t sx = std::min(x, width - 1);
      std::memcpy(target + x * 3, source + (sy * width + sx) * 3, 3);
    }
  }
}

void ReadBSPQuake::BuildLightmap(MeshBuildX& build) {
  MeshX& mesh = *build.mesh;
  uint32_t width = 0, height = 0;
  const uint32_t cells = std::max(build.litFaces, 1u);
  if (!GetAtlasSize(cells, width, height)) {
    // Never reached: meshes are split before their lit faces outgrow an atlas.
    KX_ASSERT_MSG(false, "ReadBSPQuake::BuildLightmap", "Lightmap atlas too small");
    return;
  }
  std::vector<uint8_t> atlas(size_t(width) * height * 3, 0);
  const uint32_t columns = width / sCellSize, rows = height / sCellSize;
  uint32_t cell = 0;
  ArrayX<uint32_t> cellFaces;
  for (uint32_t i = 0; i < build.faces.Size(); ++i) {
    const uint32_t face = build.faces[i];
    const uint32_t first = build.faceFirstVertex[i], end = build.faceEndVertex[i];
    if (!mFaceStates[face].lit) {
      for (uint32_t v = first; v < end; ++v) {
        mesh.mVertexList[v].lightmapCoord = TexCoordX{sNoLightmap, sNoLightmap};
      }
      continue;
    }
    const uint32_t column = cell % columns, row = cell / columns;
    ++cell;
    cellFaces.Add(face);
    CopyLightmapCell(face, column, row, width, atlas);
    for (uint32_t v = first; v < end; ++v) {
      TexCoordX& coord = mesh.mVertexList[v].lightmapCoord;
      const float cu = std::clamp(coord.u * 0.0625f, 0.f, 1.f);
      const float cv = std::clamp(coord.v * 0.0625f, 0.f, 1.f);
      coord.u = (cu + float(column)) / float(columns);
      coord.v = (cv + float(row)) / float(rows);
    }
  }
  // The polygons carry the same vertices as the vertex list.
  for (uint32_t p = 0; p < mesh.mPolygonList.Size(); ++p) {
    for (uint32_t k = 0;
         k < 3 && k < mesh.mPolygonList[p].vertexList.Size() && p * 3 + k < mesh.mVertexList.Size();
         ++k) {
      mesh.mPolygonList[p].vertexList[k].lightmapCoord = mesh.mVertexList[p * 3 + k].lightmapCoord;
    }
  }

  ++mLightmapCounter;
  const StringX lightmapName =
      StringX("Lightmap-") + mesh.GetName() + mLightmapCounter + " - " + MapTag(mFileName);
  TextureAssetArgsX args;
  args.mBitmap = atlas.data();
  args.mWidth = width;
  args.mHeight = height;
  args.mBits = 24;
  args.mSourceFile = &mFileName;
  TextureX* lightmap = GetAssetFrom<TextureX>(mAssets, lightmapName, &args);
  if (!lightmap) Log(StringX("ReadBSPQuake, could not make the lightmap ") + lightmapName);
  if (lightmap && build.material) build.material->SetLightmap(lightmapName);
  LightmapAtlasX made;
  made.name = lightmapName;
  made.width = width;
  made.height = height;
  made.faces = cell;
  made.cellFaces = std::move(cellFaces);
  made.pixels = std::move(atlas);
  mAtlases.push_back(std::move(made));
}

void ReadBSPQuake::GetMeshes(ArrayX<MeshX*>& outMeshes) {
  Log(StringX("ReadBSPQuake, Parsing Quake2 map: ") + mFileName);
  const StringX mapTag = MapTag(mFileName);
  ArrayX<MeshBuildX*> builds;
  // The mesh currently filled for each texture name.
  BinarySearchTreeX<MeshBuildX*, StringX> current;
  uint32_t triangleCount = 0;

  for (uint32_t f = 0; f < mMap.faces.size(); ++f) {
    if (!mFaceStates[f].valid) continue;
    const bsp_texinfo& texinfo = mMap.texinfos[mMap.faces[f].texture_info];
    const StringX textureName = TextureName(texinfo);
    MeshBuildX** found = current.FindValue(textureName);
    MeshBuildX* build = found ? *found : nullptr;
    if (!build || (mFaceStates[f].lit && build->litFaces >= sMaxFacesPerAtlas)) {
      const uint32_t number = builds.Size();
      const StringX textureFile = GetTextureAssetName(texinfo);
      build = new MeshBuildX;
      build->textureName = textureName;
      build->texture = GetAssetFrom<TextureX>(mAssets, textureFile);
      KX_ASSERT(build->texture, "ReadBSPQuake::GetMeshes");
      build->material = GetAssetFrom<MaterialX>(
          mAssets, StringX("Material") + number + " " + textureFile + " - " + mapTag);
      build->mesh = new MeshX(StringX("MeshX QuakeBSP ") + number);
      build->mesh->mPointOrdering = POINTORDER_TRIANGLELIST;
      if (build->material) {
        build->material->AddTexture(textureFile);
        build->mesh->mMaterials.Add(build->material);
      }
      builds.Add(build);
      if (found) {
        *found = build;
      } else {
        current.Add(build, textureName);
      }
    }
    triangleCount += AddFace(*build, f);
  }

  for (MeshBuildX* build : builds) BuildLightmap(*build);

  // In texture-name order; the meshes of one texture keep their order.
  std::stable_sort(builds.begin(), builds.end(), [](const MeshBuildX* a, const MeshBuildX* b) {
    return a->textureName < b->textureName;
  });
  outMeshes.IncreaseSize(builds.Size());
  for (MeshBuildX* build : builds) {
    outMeshes.Add(build->mesh);
    delete build;
  }
  Log(StringX("ReadBSPQuake, Quake2 map: ") + mFileName + " had " + builds.Size() +
      " sub meshes, with a total of " + triangleCount + " polygons");
}
