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

enum : uint32_t {
  LUMP_PLANES = 1,
  LUMP_VERTICES = 2,
  LUMP_NODES = 4,
  LUMP_TEXINFO = 5,
  LUMP_FACES = 6,
  LUMP_LIGHTING = 7,
  LUMP_LEAVES = 8,
  LUMP_EDGES = 11,
  LUMP_FACE_EDGES = 12,
};

constexpr uint32_t kHeaderSize = 8 + ReadBSPQuake::sNumberOfLumps * 8;

Vector3fX ReadVector(BinaryReaderX& reader) {
  Vector3fX v;
  v.x = reader.ReadFloat();
  v.y = reader.ReadFloat();
  v.z = reader.ReadFloat();
  return v;
}

void Log(const StringX& text) { LogMessage(text); }

// The texinfo's texture name up to its terminator (the field need not hold one).
StringX TextureName(const bsp_texinfo& texinfo) {
  return StringX(texinfo.texture_name, static_cast<unsigned>(strnlen(
                                           texinfo.texture_name, sizeof(texinfo.texture_name))));
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

bool ReadBSPQuake::ReadFile(const StringX& fileName) {
  Log(StringX("ReadBSPQuake, Loading Quake2 map: ") + fileName);
  mFileName = fileName;
  BinaryReaderX reader;
  if (!reader.Open(fileName)) {
    Log(StringX("ReadBSPQuake, could not open ") + fileName);
    return false;
  }
  char magic[4] = {0, 0, 0, 0};
  const bool result = reader.GetSize() >= kHeaderSize && reader.Read(magic, 4) &&
                      std::memcmp(magic, "IBSP", 4) == 0;
  KX_ASSERT(result, "ReadBSPQuake::ReadFile");
  if (!result) {
    Log(StringX("ReadBSPQuake, not a Quake2 map: ") + fileName);
    return false;
  }
  mVersion = reader.ReadUInt32();
  for (bsp_lump& lump : mLumps) {
    lump.offset = reader.ReadUInt32();
    lump.length = reader.ReadUInt32();
  }
  if (!ReadLumps(reader)) return false;
  ValidateFaces();
  reader.Close();
  return true;
}

bool ReadBSPQuake::checkChunk(uint32_t length, uint32_t size) {
  KX_ASSERT(!(length % size), "ReadBSPQuake::checkChunk");
  return !(length % size);
}

bool ReadBSPQuake::OpenLump(BinaryReaderX& reader, uint32_t lump, uint32_t size,
                            uint32_t& outCount) {
  const bsp_lump& entry = mLumps[lump];
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
  return reader.Seek(entry.offset);
}

bool ReadBSPQuake::ReadLumps(BinaryReaderX& reader) {
  uint32_t count = 0;
  // Vertices.
  if (!OpenLump(reader, LUMP_VERTICES, 12, count)) return false;
  mVertices.Resize(count);
  for (Vector3fX& v : mVertices) v = ReadVector(reader);
  // Edges.
  if (!OpenLump(reader, LUMP_EDGES, 4, count)) return false;
  mEdges.Resize(count);
  for (bsp_edge& e : mEdges) {
    e.v[0] = reader.ReadUInt16();
    e.v[1] = reader.ReadUInt16();
  }
  // Faces.
  if (!OpenLump(reader, LUMP_FACES, 20, count)) return false;
  mFaces.Resize(count);
  for (bsp_face& f : mFaces) {
    f.plane = reader.ReadUInt16();
    f.plane_side = reader.ReadUInt16();
    f.first_edge = reader.ReadUInt32();
    f.num_edges = reader.ReadUInt16();
    f.texture_info = reader.ReadUInt16();
    reader.Read(f.lightmap_styles, 4);
    f.lightmap_offset = reader.ReadInt32();
  }
  // Face edges.
  if (!OpenLump(reader, LUMP_FACE_EDGES, 4, count)) return false;
  mFaceEdges.Resize(count);
  for (int32_t& e : mFaceEdges) e = reader.ReadInt32();
  // Leaves.
  if (!OpenLump(reader, LUMP_LEAVES, 28, count)) return false;
  mLeaves.Resize(count);
  for (bsp_leaf& l : mLeaves) {
    l.brush_or = reader.ReadUInt32();
    l.cluster = reader.ReadUInt16();
    l.area = reader.ReadUInt16();
    for (int16_t& v : l.mins) v = static_cast<int16_t>(reader.ReadUInt16());
    for (int16_t& v : l.maxs) v = static_cast<int16_t>(reader.ReadUInt16());
    l.first_leaf_face = reader.ReadUInt16();
    l.num_leaf_faces = reader.ReadUInt16();
    l.first_leaf_brush = reader.ReadUInt16();
    l.num_leaf_brushes = reader.ReadUInt16();
  }
  // Nodes.
  if (!OpenLump(reader, LUMP_NODES, 28, count)) return false;
  mNodes.Resize(count);
  for (bsp_node& n : mNodes) {
    n.plane = reader.ReadInt32();
    n.children[0] = reader.ReadInt32();
    n.children[1] = reader.ReadInt32();
    for (int16_t& v : n.mins) v = static_cast<int16_t>(reader.ReadUInt16());
    for (int16_t& v : n.maxs) v = static_cast<int16_t>(reader.ReadUInt16());
    n.first_face = reader.ReadUInt16();
    n.num_faces = reader.ReadUInt16();
  }
  // Planes.
  if (!OpenLump(reader, LUMP_PLANES, 20, count)) return false;
  mPlanes.Resize(count);
  for (bsp_plane& p : mPlanes) {
    p.normal = ReadVector(reader);
    p.distance = reader.ReadFloat();
    p.type = reader.ReadInt32();
  }
  // Texture information.
  if (!OpenLump(reader, LUMP_TEXINFO, 76, count)) return false;
  mTexInfos.Resize(count);
  for (bsp_texinfo& t : mTexInfos) {
    t.u_axis = ReadVector(reader);
    t.u_offset = reader.ReadFloat();
    t.v_axis = ReadVector(reader);
    t.v_offset = reader.ReadFloat();
    t.flags = reader.ReadUInt32();
    t.value = reader.ReadUInt32();
    reader.Read(t.texture_name, sizeof(t.texture_name));
    t.next_texinfo = reader.ReadInt32();
  }
  // Lighting, copied whole.
  if (!OpenLump(reader, LUMP_LIGHTING, 1, count)) return false;
  mLighting.assign(count, 0);
  if (count) reader.Read(mLighting.data(), count);
  return true;
}

void ReadBSPQuake::ValidateFaces() {
  mBadFaces = 0;
  for (bsp_face& face : mFaces) {
    face.valid = face.texture_info < mTexInfos.Size() && face.num_edges >= 3 &&
                 face.first_edge <= mFaceEdges.Size() &&
                 face.num_edges <= mFaceEdges.Size() - face.first_edge;
    for (uint32_t i = 0; face.valid && i < face.num_edges; ++i) {
      const int32_t e = mFaceEdges[face.first_edge + i];
      // -e of the smallest int32 does not exist; every edge index must name an edge.
      const int64_t index = e < 0 ? -int64_t(e) : int64_t(e);
      face.valid = index < int64_t(mEdges.Size());
      if (face.valid) {
        const bsp_edge& edge = mEdges[uint32_t(index)];
        face.valid = edge.v[0] < mVertices.Size() && edge.v[1] < mVertices.Size();
      }
    }
    if (!face.valid) {
      ++mBadFaces;
      continue;
    }
    ComputeLightmapExtents(face);
    face.lit = HasLightmap(face);
  }
  if (mBadFaces) {
    Log(StringX("ReadBSPQuake, ") + mBadFaces +
        " faces point outside the map's lumps and are "
        "left out: " +
        mFileName);
  }
}

void ReadBSPQuake::ComputeLightmapExtents(bsp_face& face) const {
  // In 32-bit float, as the map compiler did: double precision moves some faces by a luxel.
  const bsp_texinfo& texinfo = mTexInfos[face.texture_info];
  float minS = 100000.f, minT = 100000.f, maxS = -100000.f, maxT = -100000.f;
  for (uint32_t i = 0; i < face.num_edges; ++i) {
    const Vector3fX p = GetVertexFromFaceByIndex(face, i);
    const float s =
        p.x * texinfo.u_axis.x + p.y * texinfo.u_axis.y + p.z * texinfo.u_axis.z + texinfo.u_offset;
    const float t =
        p.x * texinfo.v_axis.x + p.y * texinfo.v_axis.y + p.z * texinfo.v_axis.z + texinfo.v_offset;
    minS = std::min(minS, s);
    maxS = std::max(maxS, s);
    minT = std::min(minT, t);
    maxT = std::max(maxT, t);
  }
  const float lowS = std::floor(minS / 16.f), lowT = std::floor(minT / 16.f);
  const float highS = std::ceil(maxS / 16.f), highT = std::ceil(maxT / 16.f);
  // Texture axes from a damaged file can put a face anywhere: far outside any real map it
  // gets no lightmap (the extents stay negative).
  constexpr float kLimit = 1 << 24;
  const bool usable = std::fabs(lowS) < kLimit && std::fabs(lowT) < kLimit &&
                      std::fabs(highS) < kLimit && std::fabs(highT) < kLimit;
  if (!usable) {
    face.lightmap_s_min = face.lightmap_t_min = 0;
    face.lightmap_s_extent = face.lightmap_t_extent = -1;
    return;
  }
  face.lightmap_s_min = static_cast<int32_t>(lowS) * 16;
  face.lightmap_t_min = static_cast<int32_t>(lowT) * 16;
  face.lightmap_s_extent = static_cast<int32_t>(highS - lowS) * 16;
  face.lightmap_t_extent = static_cast<int32_t>(highT - lowT) * 16;
}

bool ReadBSPQuake::HasLightmap(const bsp_face& face) const {
  // -1 marks a face without lighting; sky, warped and invisible faces have none whatever
  // their offset says; and the luxels must lie inside the lighting lump.
  if (face.lightmap_offset < 0 || mLighting.empty()) return false;
  if (mTexInfos[face.texture_info].flags & (sSurfaceSky | sSurfaceWarp | sSurfaceNoDraw)) {
    return false;
  }
  if (face.lightmap_s_extent < 0 || face.lightmap_t_extent < 0) return false;
  const uint64_t width = uint64_t(face.lightmap_s_extent) / 16 + 1;
  const uint64_t height = uint64_t(face.lightmap_t_extent) / 16 + 1;
  const uint64_t bytes = width * height * 3;
  return uint64_t(face.lightmap_offset) + bytes <= mLighting.size();
}

Vector3fX ReadBSPQuake::GetVertexFromFaceByIndex(const bsp_face& face, uint32_t number) const {
  KX_ASSERT(number < face.num_edges, "ReadBSPQuake::GetVertexFromFaceByIndex");
  const uint64_t slot = uint64_t(face.first_edge) + number;
  if (number >= face.num_edges || slot >= mFaceEdges.Size()) return Vector3fX();
  const int32_t e = mFaceEdges[uint32_t(slot)];
  const int64_t index = e < 0 ? -int64_t(e) : int64_t(e);
  if (index >= int64_t(mEdges.Size())) return Vector3fX();
  const uint16_t vertex = mEdges[uint32_t(index)].v[e < 0 ? 1 : 0];
  return vertex < mVertices.Size() ? mVertices[vertex] : Vector3fX();
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
  const bsp_face& face = mFaces[faceIndex];
  const bsp_texinfo& texinfo = mTexInfos[face.texture_info];
  MeshX& mesh = *build.mesh;
  build.faces.Add(faceIndex);
  build.faceFirstVertex.Add(mesh.mVertexList.Size());
  if (face.lit) ++build.litFaces;

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
        vertex.lightmapCoord.u = (s - float(face.lightmap_s_min) + 16.0f) * 0.0625f;
        vertex.lightmapCoord.v = (t - float(face.lightmap_t_min) + 8.0f) * 0.0625f;
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

void ReadBSPQuake::CopyLightmapCell(const bsp_face& face, uint32_t column, uint32_t row,
                                    uint32_t atlasWidth, std::vector<uint8_t>& atlas) const {
  const uint32_t width = uint32_t(face.lightmap_s_extent) / 16 + 1;
  const uint32_t height = uint32_t(face.lightmap_t_extent) / 16 + 1;
  const uint8_t* source = mLighting.data() + face.lightmap_offset;
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
    const bsp_face& face = mFaces[build.faces[i]];
    const uint32_t first = build.faceFirstVertex[i], end = build.faceEndVertex[i];
    if (!face.lit) {
      for (uint32_t v = first; v < end; ++v) {
        mesh.mVertexList[v].lightmapCoord = TexCoordX{sNoLightmap, sNoLightmap};
      }
      continue;
    }
    const uint32_t column = cell % columns, row = cell / columns;
    ++cell;
    cellFaces.Add(build.faces[i]);
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

  for (uint32_t f = 0; f < mFaces.Size(); ++f) {
    const bsp_face& face = mFaces[f];
    if (!face.valid) continue;
    const StringX textureName = TextureName(mTexInfos[face.texture_info]);
    MeshBuildX** found = current.FindValue(textureName);
    MeshBuildX* build = found ? *found : nullptr;
    if (!build || (face.lit && build->litFaces >= sMaxFacesPerAtlas)) {
      const uint32_t number = builds.Size();
      const StringX textureFile = GetTextureAssetName(mTexInfos[face.texture_info]);
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
