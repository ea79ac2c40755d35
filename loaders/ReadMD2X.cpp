#include "loaders/ReadMD2X.h"

#include <cstring>

#include "assets/AssetManagerBaseX.h"
#include "assets/MaterialX.h"
#include "engine/ReportHooksX.h"
#include "geometry/MeshX.h"
#include "streams/BinaryReaderX.h"
#include "streams/FileSystemX.h"

namespace {
constexpr int32_t kMagicIDP2 = 'I' | ('D' << 8) | ('P' << 16) | ('2' << 24);
constexpr uint32_t kSkinNameSize = 64;

// True when count records of `size` bytes starting at `offset` lie inside the file.
bool Inside(int32_t offset, int32_t count, uint64_t size, uint32_t fileSize) {
  if (count == 0) return true;
  return offset >= 0 && count > 0 && uint64_t(offset) + uint64_t(count) * size <= fileSize;
}
}  // namespace

bool ReadMD2X::Fail(const char* why) {
  LogMessage(StringX("ReadMD2, ") + mFileName + ": " + why);
  return false;
}

StringX ReadMD2X::GetSkinTextureName(const StringX& skin) {
  StringX name = skin;
  FileSystemX::FixSlashes(name);
  return name;
}

bool ReadMD2X::CheckHeader(uint32_t fileSize) {
  const md2_header& h = mHeader;
  if (h.magic != kMagicIDP2) return Fail("not an MD2 model");
  if (h.numSkins < 0 || h.numVertices < 0 || h.numTexCoords < 0 || h.numTriangles < 0 ||
      h.numGlCommands < 0 || h.numFrames < 0) {
    return Fail("negative count");
  }
  if (!Inside(h.offsetSkins, h.numSkins, kSkinNameSize, fileSize)) return Fail("skins outside");
  if (!Inside(h.offsetTexCoords, h.numTexCoords, 4, fileSize)) {
    return Fail("texture coordinates outside the file");
  }
  if (!Inside(h.offsetTriangles, h.numTriangles, 12, fileSize)) {
    return Fail("triangles outside the file");
  }
  if (!Inside(h.offsetGlCommands, h.numGlCommands, 4, fileSize)) {
    return Fail("GL commands outside the file");
  }
  if (h.numFrames > 0 &&
      (h.frameSize < 0 || uint64_t(h.frameSize) < sFrameHeaderSize + uint64_t(h.numVertices) * 4)) {
    return Fail("frames too small for their vertices");
  }
  if (!Inside(h.offsetFrames, h.numFrames, uint64_t(h.frameSize), fileSize)) {
    return Fail("frames outside the file");
  }
  if (h.numTriangles > 0 && (h.skinWidth <= 0 || h.skinHeight <= 0)) {
    return Fail("skin size is not positive");
  }
  // Every frame's corners end up in one vertex list.
  if (uint64_t(h.numTriangles) * 3 > GENERAL_MAX_SIZE) return Fail("too many triangles");
  if (h.numSkins > int32_t(GENERAL_MAX_SIZE) || h.numTexCoords > int32_t(GENERAL_MAX_SIZE) ||
      h.numGlCommands > int32_t(GENERAL_MAX_SIZE)) {
    return Fail("too many records");
  }
  return true;
}

bool ReadMD2X::Read(const StringX& fileName) {
  LogMessage(StringX("Reading model : ") + fileName);
  mFileName = fileName;
  mName = StringX("Model MD2X - ") + fileName;
  BinaryReaderX reader;
  if (!reader.Open(fileName)) return Fail("could not open the file");
  if (reader.GetSize() < sHeaderSize) return Fail("file shorter than its header");
  int32_t* fields = &mHeader.magic;
  for (uint32_t i = 0; i < sHeaderSize / 4; ++i) fields[i] = reader.ReadInt32();
  if (!CheckHeader(reader.GetSize())) return false;
  const md2_header& h = mHeader;

  if (h.numSkins) reader.Seek(uint32_t(h.offsetSkins));
  mSkins.Resize(uint32_t(h.numSkins));
  for (StringX& skin : mSkins) {
    char name[kSkinNameSize];
    reader.Read(name, kSkinNameSize);
    skin = StringX(name, static_cast<unsigned>(strnlen(name, kSkinNameSize)));
  }
  if (h.numTexCoords) reader.Seek(uint32_t(h.offsetTexCoords));
  mTexCoords.Resize(uint32_t(h.numTexCoords));
  for (md2_texcoord& st : mTexCoords) {
    st.s = static_cast<int16_t>(reader.ReadUInt16());
    st.t = static_cast<int16_t>(reader.ReadUInt16());
  }
  if (h.numTriangles) reader.Seek(uint32_t(h.offsetTriangles));
  mTriangles.Resize(uint32_t(h.numTriangles));
  for (uint32_t i = 0; i < mTriangles.Size(); ++i) {
    md2_triangle& triangle = mTriangles[i];
    for (uint16_t& v : triangle.vertex) v = reader.ReadUInt16();
    for (uint16_t& t : triangle.texCoord) t = reader.ReadUInt16();
    for (uint32_t k = 0; k < 3; ++k) {
      if (triangle.vertex[k] >= uint32_t(h.numVertices)) {
        return Fail("a triangle points at a missing vertex");
      }
      if (triangle.texCoord[k] >= uint32_t(h.numTexCoords)) {
        return Fail("a triangle points at a missing texture coordinate");
      }
    }
  }
  if (h.numFrames) reader.Seek(uint32_t(h.offsetFrames));
  mFrames.assign(size_t(h.numFrames) * size_t(h.frameSize), 0);
  if (!mFrames.empty()) reader.Read(mFrames.data(), uint32_t(mFrames.size()));
  if (h.numGlCommands) reader.Seek(uint32_t(h.offsetGlCommands));
  mGlCommands.Resize(uint32_t(h.numGlCommands));
  for (int32_t& command : mGlCommands) command = reader.ReadInt32();
  reader.Close();
  return true;
}

void ReadMD2X::GetMeshes(ArrayX<MeshX*>& outMeshes) {
  const md2_header& h = mHeader;
  MaterialX* material = nullptr;
  if (!mSkins.Empty() && !mSkins[0].Empty()) {
    const StringX skin = GetSkinTextureName(mSkins[0]);
    material = GetAssetFrom<MaterialX>(mAssets, StringX("Material MD2 ") + skin);
    if (material) material->AddTexture(skin);
  } else {
    // A model without a skin is drawn with the default picture.
    LogMessage(StringX("ReadMD2, ") + mFileName + " has no skin");
    material = GetAssetFrom<MaterialX>(mAssets, StringX("Material MD2 default"));
    if (material) material->AddTexture(StringX("default.bmp"));
  }
  const float width = float(h.skinWidth > 0 ? h.skinWidth : 1);
  const float height = float(h.skinHeight > 0 ? h.skinHeight : 1);
  uint32_t triangleCount = 0;
  outMeshes.IncreaseSize(uint32_t(h.numFrames));
  for (int32_t frame = 0; frame < h.numFrames; ++frame) {
    const uint8_t* record = mFrames.data() + size_t(frame) * size_t(h.frameSize);
    float scale[3], translate[3];
    std::memcpy(scale, record, sizeof(scale));
    std::memcpy(translate, record + 12, sizeof(translate));
    const uint8_t* packed = record + sFrameHeaderSize;

    MeshX* mesh = new MeshX(mName);
    mesh->mPointOrdering = POINTORDER_TRIANGLELIST;
    if (material) mesh->mMaterials.Add(material);
    mesh->mVertexList.IncreaseSize(mTriangles.Size() * 3);
    mesh->mIndexList.IncreaseSize(mTriangles.Size() * 3);
    for (const md2_triangle& triangle : mTriangles) {
      for (uint32_t k = 0; k < 3; ++k) {
        const uint8_t* b = packed + size_t(triangle.vertex[k]) * 4;
        Vector3fX p;
        p.x = float(b[0]) * scale[0] + translate[0];
        p.y = float(b[1]) * scale[1] + translate[1];
        p.z = float(b[2]) * scale[2] + translate[2];
        const md2_texcoord& st = mTexCoords[triangle.texCoord[k]];
        VertexX vertex;
        vertex.position = Vector3fX{p.y, p.z, p.x};
        vertex.texCoord = TexCoordX{float(st.s) / width, 1.f - float(st.t) / height};
        mesh->mIndexList.Add(int32_t(mesh->mVertexList.Size()));
        mesh->mVertexList.Add(vertex);
      }
    }
    mesh->CreatePolygonList(true);
    triangleCount += mTriangles.Size();
    outMeshes.Add(mesh);
  }
  LogMessage(StringX("ReadMD2, Model: ") + mName + " had " + uint32_t(h.numFrames) +
             " sub meshes, with a total of " + triangleCount + " polygons");
}
