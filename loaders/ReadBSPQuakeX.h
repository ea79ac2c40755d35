#pragma once
// ReadBSPQuake: reads a Quake 2 map (magic "IBSP", 19 lumps) and turns its faces into engine
// meshes: one MeshX per face texture (more when a texture has too many lit faces for one
// lightmap atlas), each an indexed triangle list with texture and lightmap coordinates, its
// triangles as polygons, and a material with the face texture and the lightmap atlas.
//
// Every offset, count and index taken from the file is checked before use: a lump outside the
// file fails the read, a face that points outside its lumps is left out (and logged).
#include <cstdint>
#include <vector>

#include "foundation/ArrayX.h"
#include "foundation/StringX.h"
#include "geometry/Vector3fX.h"
#include "loaders/QuakeBspFormatX.h"

class AssetManagerBaseX;
class BinaryReaderX;
class MeshX;
class TextureX;
struct TexCoordX;

// What the reader works out for each face when it reads the map.
struct BspFaceStateX {
  // False when the face points outside the edge, face-edge, vertex or texinfo lumps.
  bool valid = false;
  // True when the face has a lightmap inside the lighting lump.
  bool lit = false;
  // The lightmap rectangle, of a valid face whose corners give a usable one (extents of -1
  // otherwise).
  bsp_lightmap_extent lightmap = {0, 0, -1, -1};
};

// A lightmap atlas made for one mesh: its texture name, size, lit faces and RGB luxels.
struct LightmapAtlasX {
  StringX name;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t faces = 0;
  std::vector<uint8_t> pixels;
  // The map face in each cell, cells left to right, top to bottom.
  ArrayX<uint32_t> cellFaces;
};

class ReadBSPQuake {
 public:
  static constexpr uint32_t sNumberOfLumps = NUMBER_OF_LUMPS;
  // Sets of lumps to read, one bit per lump id: those read for the meshes (planes, nodes and
  // leaves are kept though the meshes do not use them), and all of them.
  static constexpr uint32_t sMeshLumps = 1u << LUMP_PLANES | 1u << LUMP_VERTICES |
                                         1u << LUMP_NODES | 1u << LUMP_TEXINFO | 1u << LUMP_FACES |
                                         1u << LUMP_LIGHTING | 1u << LUMP_LEAVES |
                                         1u << LUMP_EDGES | 1u << LUMP_FACE_EDGES;
  static constexpr uint32_t sAllLumps = (1u << NUMBER_OF_LUMPS) - 1;
  // Texinfo flags of faces that never carry a lightmap, whatever their light offset says.
  static constexpr uint32_t sSurfaceSky = 0x4;
  static constexpr uint32_t sSurfaceWarp = 0x8;
  static constexpr uint32_t sSurfaceNoDraw = 0x80;
  // A lightmap atlas cell is 16 x 16 luxels.
  static constexpr uint32_t sCellSize = 16;
  // Lit faces one atlas takes: a bitmap holds less than a million pixels, so 1024 x 512
  // luxels (2048 cells) is the largest atlas; a texture with more lit faces gets more meshes.
  static constexpr uint32_t sMaxFacesPerAtlas = 2048;
  // Lightmap coordinate of a vertex without a lightmap.
  static constexpr float sNoLightmap = -42.0f;

  // Materials and textures come from `assets` (null: the meshes get none).
  explicit ReadBSPQuake(AssetManagerBaseX* assets = nullptr);
  ~ReadBSPQuake();
  ReadBSPQuake(const ReadBSPQuake&) = delete;
  ReadBSPQuake& operator=(const ReadBSPQuake&) = delete;

  // Reads the header and the lumps of the set (each checked against the file; the others are
  // left empty); false when the file cannot be opened, is not a Quake 2 map or a lump of the set
  // lies outside it.
  bool ReadFile(const StringX& fileName, uint32_t lumps = sMeshLumps);
  // Builds the meshes (the caller owns them), in the order of their texture names.
  void GetMeshes(ArrayX<MeshX*>& outMeshes);

  // Map-space position of the face's vertex number `number`.
  Vector3fX GetVertexFromFaceByIndex(const bsp_face& face, uint32_t number) const;
  // Texture coordinates of a map-space position on the texture of `texinfo`.
  TexCoordX GetTextureCoord(const bsp_texinfo& texinfo, const Vector3fX& position) const;

  // The texture asset name of a texinfo: '/' made '\', ".WAL" appended. Used both when the
  // texture is loaded and when it is looked up.
  static StringX GetTextureAssetName(const bsp_texinfo& texinfo);
  // Atlas size for a number of 16 x 16 cells: the smallest W x H (powers of two 16..2048) that
  // holds them. False when they do not fit a 2048 x 2048 atlas.
  static bool GetAtlasSize(uint32_t cells, uint32_t& outWidth, uint32_t& outHeight);

  // Read state, for tools and tests.
  const StringX& GetFileName() const { return mFileName; }
  const bsp_header& GetHeader() const { return mHeader; }
  // The records of the lumps read.
  const QuakeBspX& GetMap() const { return mMap; }
  const std::vector<bsp_face>& GetFaces() const { return mMap.faces; }
  // One for each face, in the same order.
  const std::vector<BspFaceStateX>& GetFaceStates() const { return mFaceStates; }
  const std::vector<bsp_texinfo>& GetTexInfos() const { return mMap.texinfos; }
  const std::vector<Vector3fX>& GetVertices() const { return mMap.vertices; }
  const std::vector<uint8_t>& GetLighting() const { return mMap.lighting; }
  uint32_t GetVersion() const { return uint32_t(mHeader.version); }
  // Faces left out because they point outside the lumps.
  uint32_t GetNumberOfBadFaces() const { return mBadFaces; }
  // Lightmap atlases made by GetMeshes.
  uint32_t GetLightmapCounter() const { return mLightmapCounter; }
  const std::vector<LightmapAtlasX>& GetAtlases() const { return mAtlases; }

 private:
  struct MeshBuildX;

  // Bounds-checks the lump against the file and returns its whole records' count.
  bool CountLump(const BinaryReaderX& reader, uint32_t lump, uint32_t size, uint32_t& outCount);
  bool checkChunk(uint32_t length, uint32_t size);
  static TexCoordX TextureCoordOn(const TextureX* texture, const bsp_texinfo& texinfo,
                                  const Vector3fX& position);
  bool ReadLumps(const BinaryReaderX& reader, uint32_t lumps);
  void ValidateFaces();
  bool FaceInsideLumps(const bsp_face& face) const;
  // True when the face has its own lightmap inside the lighting lump.
  bool HasLightmap(const bsp_face& face, const BspFaceStateX& state) const;
  // Adds the face's triangles to the mesh; returns the number of triangles.
  uint32_t AddFace(MeshBuildX& build, uint32_t faceIndex);
  void BuildLightmap(MeshBuildX& build);
  void CopyLightmapCell(uint32_t faceIndex, uint32_t column, uint32_t row, uint32_t atlasWidth,
                        std::vector<uint8_t>& atlas) const;

  AssetManagerBaseX* mAssets = nullptr;
  StringX mFileName;
  bsp_header mHeader;
  QuakeBspX mMap;
  std::vector<BspFaceStateX> mFaceStates;
  uint32_t mLightmapCounter = 0;
  std::vector<LightmapAtlasX> mAtlases;
  uint32_t mBadFaces = 0;
};
