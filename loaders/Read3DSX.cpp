#include "loaders/Read3DSX.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "assets/AssetManagerBaseX.h"
#include "assets/MaterialX.h"
#include "engine/ReportHooksX.h"
#include "geometry/MeshX.h"
#include "streams/BinaryReaderX.h"
#include "streams/FileSystemX.h"

namespace {
enum : uint16_t {
  CHUNK_COLOR_F = 0x0010,
  CHUNK_COLOR_24 = 0x0011,
  CHUNK_LIN_COLOR_24 = 0x0012,
  CHUNK_LIN_COLOR_F = 0x0013,
  CHUNK_MAIN = 0x4D4D,
  CHUNK_EDITOR = 0x3D3D,
  CHUNK_MESH_VERSION = 0x3D3E,
  CHUNK_OBJECT = 0x4000,
  CHUNK_TRIMESH = 0x4100,
  CHUNK_VERTICES = 0x4110,
  CHUNK_FACES = 0x4120,
  CHUNK_FACE_MATERIAL = 0x4130,
  CHUNK_MAPPING = 0x4140,
  CHUNK_LIGHT = 0x4600,  // a light; its spot sub-chunk is 0x4610
  CHUNK_SPOTLIGHT = 0x4610,
  CHUNK_CAMERA = 0x4700,
  CHUNK_MATERIAL = 0xAFFF,
  CHUNK_MAT_NAME = 0xA000,
  CHUNK_MAT_AMBIENT = 0xA010,
  CHUNK_MAT_DIFFUSE = 0xA020,
  CHUNK_MAT_SPECULAR = 0xA030,
  CHUNK_MAT_TEXTURE = 0xA200,
  CHUNK_MAT_REFLECTION = 0xA220,
  CHUNK_MAT_BUMP = 0xA230,
  CHUNK_MAT_MAP_FILE = 0xA300,
  CHUNK_MAT_MAP_TILING = 0xA351,
};

// A colour component in [0, 1] as a byte; anything else (also not-a-number) is clamped.
uint8_t ToByte(float value) {
  if (!(value > 0.f)) return 0;
  if (value >= 1.f) return 255;
  return uint8_t(value * 255.f + 0.5f);
}
}  // namespace

// The object being read: its vertices, mapping coordinates, faces and face materials.
struct Read3DSX::ObjectDataX {
  StringX name;
  ArrayX<Vector3fX> vertices;
  ArrayX<TexCoordX> mapping;
  ArrayX<uint16_t> faces;  // three corners per face
  // Face material name and the faces (indices into the face list) drawn with it.
  ArrayX<StringX> materialNames;
  ArrayX<ArrayX<uint16_t>*> materialFaces;
  ~ObjectDataX() {
    for (ArrayX<uint16_t>* list : materialFaces) delete list;
  }
};

Read3DSX::Read3DSX(AssetManagerBaseX* assets) : mAssets(assets) {}

Read3DSX::~Read3DSX() {
  for (MeshX* mesh : mMeshes) delete mesh;
  for (LightX* light : mLights) delete light;
}

bool Read3DSX::Fail(const ChunkX& chunk, const char* why) {
  char id[8];
  std::snprintf(id, sizeof(id), "0x%04X", chunk.id);
  LogMessage(StringX("3DS Loader. ") + mFileName + ": chunk " + id + " at " + chunk.start + " " +
             why);
  return false;
}

bool Read3DSX::Read(const StringX& fileName) {
  mFileName = fileName;
  BinaryReaderX reader;
  if (!reader.Open(fileName)) {
    LogMessage(StringX("3DS Loader. Could not open ") + fileName);
    return false;
  }
  mReader = &reader;
  bool result = reader.GetSize() >= sChunkHeaderSize;
  if (result) {
    // The file is one main chunk.
    result = ProcessChunks(reader.GetSize(), 0);
    if (result && mMeshes.Empty() && mObject == nullptr && mLights.Empty()) {
      LogMessage(StringX("3DS Loader. ") + fileName + " holds no objects");
      result = false;
    }
  } else {
    LogMessage(StringX("3DS Loader. Not a 3DS file: ") + fileName);
  }
  if (!FinishObject()) result = false;
  mReader = nullptr;
  return result;
}

void Read3DSX::GetMeshes(ArrayX<MeshX*>& outMeshes) {
  outMeshes.IncreaseSize(mMeshes.Size());
  for (MeshX* mesh : mMeshes) outMeshes.Add(mesh);
  mMeshes.Clear();
}

bool Read3DSX::MoveTo(uint32_t position) {
  // The end of the file is a place to be, not a byte to seek to.
  if (position > mReader->GetSize()) return false;
  if (position < mReader->GetSize()) return mReader->Seek(position);
  if (mReader->GetPosition() > position) return false;
  return mReader->Skip(position - mReader->GetPosition());
}

StringX Read3DSX::ReadName(uint32_t end) {
  StringX name;
  while (mReader->GetPosition() < end) {
    const char c = char(mReader->ReadByte());
    if (c == 0) break;
    name += c;
  }
  return name;
}

bool Read3DSX::ReadCount(const ChunkX& chunk, uint32_t bytesEach, const char* why,
                         uint32_t& count) {
  const uint32_t end = chunk.End();
  if (mReader->GetPosition() + 2 > end) return Fail(chunk, "has no room for its count");
  count = mReader->ReadUInt16();
  if (uint64_t(count) * bytesEach > end - mReader->GetPosition()) return Fail(chunk, why);
  return true;
}

bool Read3DSX::ReadChunkHeader(uint32_t end, ChunkX& chunk) {
  chunk.start = mReader->GetPosition();
  chunk.id = mReader->ReadUInt16();
  chunk.chunkLength = mReader->ReadInt32();
  chunk.bytesRead = sChunkHeaderSize;
  if (chunk.chunkLength < int32_t(sChunkHeaderSize)) return Fail(chunk, "is shorter than 6");
  if (uint32_t(chunk.chunkLength) > end - chunk.start) return Fail(chunk, "runs past its parent");
  return true;
}

bool Read3DSX::ProcessChunks(uint32_t end, uint32_t depth) {
  if (depth > sMaxDepth) {
    ChunkX here;
    here.start = mReader->GetPosition();
    return Fail(here, "is nested too deeply");
  }
  while (mReader->GetPosition() + sChunkHeaderSize <= end) {
    ChunkX chunk;
    if (!ReadChunkHeader(end, chunk)) return false;
    currentChunk = chunk;
    bool handled = true;
    switch (chunk.id) {
      case CHUNK_MAIN:
      case CHUNK_EDITOR:
      case CHUNK_MESH_VERSION:
        handled = ProcessChunkInfo(chunk, depth);
        break;
      case CHUNK_MATERIAL:
        handled = ProcessNextMaterialChunk(chunk, depth);
        break;
      case CHUNK_OBJECT:
        handled = ProcessObjectChunk(chunk, depth);
        break;
      default:
        break;  // skipped by its length
    }
    if (!handled) return false;
    // Whatever a handler left unread (sub-chunks it does not know) is skipped.
    if (!MoveTo(chunk.End())) return Fail(chunk, "cannot be skipped");
  }
  return true;
}

bool Read3DSX::ProcessChunkInfo(const ChunkX& chunk, uint32_t depth) {
  if (chunk.id == CHUNK_MESH_VERSION) return true;
  return ProcessChunks(chunk.End(), depth + 1);
}

bool Read3DSX::ProcessColorChunk(const ChunkX& chunk, ColorX& outColour) {
  // The colour is the first colour sub-chunk.
  const uint32_t end = chunk.End();
  while (mReader->GetPosition() + sChunkHeaderSize <= end) {
    ChunkX sub;
    if (!ReadChunkHeader(end, sub)) return false;
    const uint32_t body = uint32_t(sub.chunkLength) - sChunkHeaderSize;
    if ((sub.id == CHUNK_COLOR_F || sub.id == CHUNK_LIN_COLOR_F) && body >= 12) {
      const float r = mReader->ReadFloat(), g = mReader->ReadFloat(), b = mReader->ReadFloat();
      outColour = ColorX(ToByte(r), ToByte(g), ToByte(b), 255);
      return true;
    }
    if ((sub.id == CHUNK_COLOR_24 || sub.id == CHUNK_LIN_COLOR_24) && body >= 3) {
      const uint8_t r = mReader->ReadByte(), g = mReader->ReadByte(), b = mReader->ReadByte();
      outColour = ColorX(r, g, b, 255);
      return true;
    }
    MoveTo(sub.End());
  }
  return true;
}

bool Read3DSX::ProcessNextMaterialChunk(const ChunkX& chunk, uint32_t depth) {
  const uint32_t end = chunk.End();
  switch (chunk.id) {
    case CHUNK_MATERIAL:
      mMaterialName.Clear();
      mMaterialTexture.Clear();
      for (ColorX& colour : mMaterialColours) colour = ColorX(0, 0, 0, 255);
      break;
    case CHUNK_MAT_NAME:
      mMaterialName = ReadName(end);
      LogMessage(StringX("3DS Loader. Material: ") + mMaterialName);
      return true;
    case CHUNK_MAT_AMBIENT:
      return ProcessColorChunk(chunk, mMaterialColours[0]);
    case CHUNK_MAT_DIFFUSE:
      return ProcessColorChunk(chunk, mMaterialColours[1]);
    case CHUNK_MAT_SPECULAR:
      return ProcessColorChunk(chunk, mMaterialColours[2]);
    case CHUNK_MAT_MAP_FILE:
      if (mMaterialTexture.Empty()) mMaterialTexture = ReadName(end);
      return true;
    case CHUNK_MAT_TEXTURE:
      break;
    case CHUNK_MAT_REFLECTION:
    case CHUNK_MAT_BUMP:
    case CHUNK_MAT_MAP_TILING:
    default:
      return true;  // read past: only the diffuse map is drawn
  }
  if (depth > sMaxDepth) return Fail(chunk, "is nested too deeply");
  // The sub-chunks of a material or of its texture map.
  while (mReader->GetPosition() + sChunkHeaderSize <= end) {
    ChunkX sub;
    if (!ReadChunkHeader(end, sub)) return false;
    // A diffuse map's file only: reflection and bump maps keep their own names.
    if (chunk.id == CHUNK_MAT_TEXTURE || sub.id != CHUNK_MAT_MAP_FILE) {
      if (!ProcessNextMaterialChunk(sub, depth + 1)) return false;
    }
    if (!MoveTo(sub.End())) return Fail(sub, "cannot be skipped");
  }
  if (chunk.id != CHUNK_MATERIAL) return true;

  const StringX assetName =
      StringX("Material 3DS ") + FileSystemX::GetFileName(mFileName) + " " + mMaterialName;
  MaterialX* material = GetAssetFrom<MaterialX>(mAssets, assetName);
  if (!material) return true;
  material->SetAmbientColor(mMaterialColours[0]);
  material->SetDiffuseColor(mMaterialColours[1]);
  material->SetSpecularColor(mMaterialColours[2]);
  if (!mMaterialTexture.Empty()) {
    StringX texture = mMaterialTexture;
    FileSystemX::FixSlashes(texture);
    material->AddTexture(texture);
  }
  if (!mMaterials.Add(material, mMaterialName)) {
    LogMessage(StringX("3DS Loader. Material named twice: ") + mMaterialName);
  }
  return true;
}

bool Read3DSX::ProcessObjectChunk(const ChunkX& chunk, uint32_t depth) {
  const uint32_t end = chunk.End();
  switch (chunk.id) {
    case CHUNK_OBJECT: {
      if (!FinishObject()) return false;
      mObject = std::make_unique<ObjectDataX>();
      mObject->name = ReadName(end);
      LogMessage(StringX("3DS Loader. Object: ") + mObject->name);
      break;
    }
    case CHUNK_TRIMESH:
      break;
    case CHUNK_VERTICES: {
      uint32_t count = 0;
      if (!ReadCount(chunk, 12, "has more vertices than bytes", count)) return false;
      mObject->vertices.Resize(count);
      for (Vector3fX& v : mObject->vertices) {
        v.x = mReader->ReadFloat();
        v.y = mReader->ReadFloat();
        v.z = mReader->ReadFloat();
      }
      return true;
    }
    case CHUNK_MAPPING: {
      uint32_t count = 0;
      if (!ReadCount(chunk, 8, "has more mapping coordinates than bytes", count)) return false;
      mObject->mapping.Resize(count);
      for (TexCoordX& uv : mObject->mapping) {
        uv.u = mReader->ReadFloat();
        uv.v = mReader->ReadFloat();
      }
      return true;
    }
    case CHUNK_FACES: {
      uint32_t count = 0;
      if (!ReadCount(chunk, 8, "has more faces than bytes", count)) return false;
      mObject->faces.Resize(count * 3);
      for (uint32_t f = 0; f < count; ++f) {
        for (uint32_t k = 0; k < 3; ++k) {
          const uint16_t index = mReader->ReadUInt16();
          if (index >= mObject->vertices.Size()) return Fail(chunk, "points at a missing vertex");
          mObject->faces[f * 3 + k] = index;
        }
        mReader->ReadUInt16();  // edge flags
      }
      break;  // the face materials follow as sub-chunks
    }
    case CHUNK_FACE_MATERIAL: {
      const StringX name = ReadName(end);
      uint32_t count = 0;
      if (!ReadCount(chunk, 2, "names more faces than bytes", count)) return false;
      ArrayX<uint16_t>* faces = new ArrayX<uint16_t>;
      faces->Resize(count);
      for (uint16_t& face : *faces) face = mReader->ReadUInt16();
      mObject->materialNames.Add(name);
      mObject->materialFaces.Add(faces);
      return true;
    }
    case CHUNK_LIGHT:
      return ProcessLightChunk(chunk, depth);
    case CHUNK_CAMERA:
      return ProcessCameraChunk(chunk);
    default:
      return true;
  }
  if (depth > sMaxDepth) return Fail(chunk, "is nested too deeply");
  while (mReader->GetPosition() + sChunkHeaderSize <= end) {
    ChunkX sub;
    if (!ReadChunkHeader(end, sub)) return false;
    currentChunk = sub;
    if (!ProcessObjectChunk(sub, depth + 1)) return false;
    if (!MoveTo(sub.End())) return Fail(sub, "cannot be skipped");
  }
  return true;
}

bool Read3DSX::ProcessLightChunk(const ChunkX& chunk, uint32_t depth) {
  const uint32_t end = chunk.End();
  if (end - mReader->GetPosition() < 12) return Fail(chunk, "is too short for a light");
  LightX* light = new LightX;
  light->position.x = mReader->ReadFloat();
  light->position.y = mReader->ReadFloat();
  light->position.z = mReader->ReadFloat();
  mLights.Add(light);
  (void)depth;
  while (mReader->GetPosition() + sChunkHeaderSize <= end) {
    ChunkX sub;
    if (!ReadChunkHeader(end, sub)) return false;
    const uint32_t body = uint32_t(sub.chunkLength) - sChunkHeaderSize;
    if (sub.id == CHUNK_SPOTLIGHT && body >= 12) {
      light->spot = true;
      light->target.x = mReader->ReadFloat();
      light->target.y = mReader->ReadFloat();
      light->target.z = mReader->ReadFloat();
    } else if (sub.id >= CHUNK_COLOR_F && sub.id <= CHUNK_LIN_COLOR_F) {
      MoveTo(sub.start);
      ChunkX wrapper;
      wrapper.start = sub.start - sChunkHeaderSize;
      wrapper.chunkLength = sub.chunkLength + int32_t(sChunkHeaderSize);
      if (!ProcessColorChunk(wrapper, light->colour)) return false;
    }
    if (!MoveTo(sub.End())) return Fail(sub, "cannot be skipped");
  }
  return true;
}

bool Read3DSX::ProcessCameraChunk(const ChunkX& chunk) {
  // Position, target, bank and lens: read past, the engine places its own camera.
  if (chunk.End() - mReader->GetPosition() < 32) return Fail(chunk, "is too short for a camera");
  return true;
}

MaterialX* Read3DSX::GetDefaultMaterial() {
  MaterialX* material = GetAssetFrom<MaterialX>(mAssets, StringX("Material 3DS default"));
  if (material && material->GetDiffuseTextureName().Empty()) {
    material->AddTexture(StringX("default.bmp"));
  }
  return material;
}

bool Read3DSX::FinishObject() {
  if (!mObject) return true;
  ObjectDataX& object = *mObject;
  const uint32_t faceCount = object.faces.Size() / 3;
  // A vertex list that comes after the faces may be shorter than they need.
  for (uint16_t index : object.faces) {
    if (index >= object.vertices.Size()) {
      LogMessage(StringX("3DS Loader. ") + mFileName + ": object " + object.name +
                 " has a face that points at a missing vertex");
      mObject.reset();
      return false;
    }
  }
  // Which material group each face is drawn with: the last face material naming it, or the
  // group of faces without a material.
  const uint32_t noMaterial = object.materialNames.Size();
  ArrayX<uint32_t> group;
  group.Resize(faceCount);
  for (uint32_t& g : group) g = noMaterial;
  for (uint32_t m = 0; m < object.materialFaces.Size(); ++m) {
    for (uint16_t face : *object.materialFaces[m]) {
      if (face < faceCount) group[face] = m;
    }
  }
  for (uint32_t m = 0; m <= noMaterial; ++m) {
    MeshX* mesh = nullptr;
    for (uint32_t f = 0; f < faceCount; ++f) {
      if (group[f] != m) continue;
      if (!mesh) {
        mesh = new MeshX(StringX("MeshX 3DS ") + object.name);
        mesh->mPointOrdering = POINTORDER_TRIANGLELIST;
        MaterialX** found =
            m < noMaterial ? mMaterials.FindValue(object.materialNames[m]) : nullptr;
        MaterialX* material = found ? *found : GetDefaultMaterial();
        if (material) mesh->mMaterials.Add(material);
      }
      for (uint32_t k = 0; k < 3; ++k) {
        const uint16_t index = object.faces[f * 3 + k];
        const Vector3fX& p = object.vertices[index];
        VertexX vertex;
        // 3D Studio is Z-up: the engine's Y is its Z.
        vertex.position = Vector3fX{p.x, p.z, p.y};
        if (index < object.mapping.Size()) vertex.texCoord = object.mapping[index];
        mesh->mIndexList.Add(int32_t(mesh->mVertexList.Size()));
        mesh->mVertexList.Add(vertex);
      }
    }
    if (mesh) {
      mesh->CreatePolygonList(true);
      mMeshes.Add(mesh);
    }
  }
  mObject.reset();
  return true;
}
