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

class AssetManagerBaseX;
class BinaryReaderX;
class MeshX;
class TextureX;
struct TexCoordX;

// Plain records of the file (planes, nodes and leaves are kept but not used for the meshes).
struct bsp_plane {
  Vector3fX normal;
  float distance = 0.f;
  int32_t type = 0;
};

struct bsp_node {
  int32_t plane = 0;
  int32_t children[2] = {0, 0};
  int16_t mins[3] = {0, 0, 0};
  int16_t maxs[3] = {0, 0, 0};
  uint16_t first_face = 0;
  uint16_t num_faces = 0;
};

struct bsp_texinfo {
  Vector3fX u_axis;
  float u_offset = 0.f;
  Vector3fX v_axis;
  float v_offset = 0.f;
  uint32_t flags = 0;
  uint32_t value = 0;
  char texture_name[32] = {};
  int32_t next_texinfo = -1;
};

struct bsp_face {
  uint16_t plane = 0;
  uint16_t plane_side = 0;
  uint32_t first_edge = 0;
  uint16_t num_edges = 0;
  uint16_t texture_info = 0;
  uint8_t lightmap_styles[4] = {0, 0, 0, 0};
  int32_t lightmap_offset = -1;
  // Computed on load.
  int32_t lightmap_s_min = 0;
  int32_t lightmap_t_min = 0;
  int32_t lightmap_s_extent = 0;
  int32_t lightmap_t_extent = 0;
  // False when the face points outside the edge, face-edge, vertex or texinfo lumps.
  bool valid = false;
  // True when the face has a lightmap inside the lighting lump.
  bool lit = false;
};

struct bsp_leaf {
  uint32_t brush_or = 0;
  uint16_t cluster = 0;
  uint16_t area = 0;
  int16_t mins[3] = {0, 0, 0};
  int16_t maxs[3] = {0, 0, 0};
  uint16_t first_leaf_face = 0;
  uint16_t num_leaf_faces = 0;
  uint16_t first_leaf_brush = 0;
  uint16_t num_leaf_brushes = 0;
};

struct bsp_edge {
  uint16_t v[2] = {0, 0};
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

struct bsp_lump {
  uint32_t offset = 0;
  uint32_t length = 0;
};

class ReadBSPQuake {
 public:
  static constexpr uint32_t sNumberOfLumps = 19;
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

  // Reads the header and the lumps; false when the file cannot be opened, is not a Quake 2
  // map or a lump lies outside it.
  bool ReadFile(const StringX& fileName);
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
  const ArrayX<bsp_face>& GetFaces() const { return mFaces; }
  const ArrayX<bsp_texinfo>& GetTexInfos() const { return mTexInfos; }
  const ArrayX<Vector3fX>& GetVertices() const { return mVertices; }
  const std::vector<uint8_t>& GetLighting() const { return mLighting; }
  uint32_t GetVersion() const { return mVersion; }
  // Faces left out because they point outside the lumps.
  uint32_t GetNumberOfBadFaces() const { return mBadFaces; }
  // Lightmap atlases made by GetMeshes.
  uint32_t GetLightmapCounter() const { return mLightmapCounter; }
  const std::vector<LightmapAtlasX>& GetAtlases() const { return mAtlases; }

 private:
  struct MeshBuildX;

  // Bounds-checks the lump against the file, seeks to it and returns its record count.
  bool OpenLump(BinaryReaderX& reader, uint32_t lump, uint32_t size, uint32_t& outCount);
  bool checkChunk(uint32_t length, uint32_t size);
  static TexCoordX TextureCoordOn(const TextureX* texture, const bsp_texinfo& texinfo,
                                  const Vector3fX& position);
  bool ReadLumps(BinaryReaderX& reader);
  void ValidateFaces();
  void ComputeLightmapExtents(bsp_face& face) const;
  // True when the face has its own lightmap inside the lighting lump.
  bool HasLightmap(const bsp_face& face) const;
  // Adds the face's triangles to the mesh; returns the number of triangles.
  uint32_t AddFace(MeshBuildX& build, uint32_t faceIndex);
  void BuildLightmap(MeshBuildX& build);
  void CopyLightmapCell(const bsp_face& face, uint32_t column, uint32_t row, uint32_t atlasWidth,
                        std::vector<uint8_t>& atlas) const;

  AssetManagerBaseX* mAssets = nullptr;
  StringX mFileName;
  uint32_t mVersion = 0;
  bsp_lump mLumps[sNumberOfLumps];
  ArrayX<bsp_plane> mPlanes;
  ArrayX<Vector3fX> mVertices;
  ArrayX<bsp_node> mNodes;
  ArrayX<bsp_texinfo> mTexInfos;
  ArrayX<bsp_face> mFaces;
  std::vector<uint8_t> mLighting;
  ArrayX<bsp_leaf> mLeaves;
  ArrayX<bsp_edge> mEdges;
  ArrayX<int32_t> mFaceEdges;
  uint32_t mLightmapCounter = 0;
  std::vector<LightmapAtlasX> mAtlases;
  uint32_t mBadFaces = 0;
};
