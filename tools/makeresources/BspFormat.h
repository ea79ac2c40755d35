// The records of a Quake 2 map file (IBSP version 38), one vector per lump, and its encoder.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kxres {

enum BspLump {
  kLumpEntities,
  kLumpPlanes,
  kLumpVertices,
  kLumpVisibility,
  kLumpNodes,
  kLumpTexInfo,
  kLumpFaces,
  kLumpLighting,
  kLumpLeaves,
  kLumpLeafFaces,
  kLumpLeafBrushes,
  kLumpEdges,
  kLumpSurfEdges,
  kLumpModels,
  kLumpBrushes,
  kLumpBrushSides,
  kLumpPop,
  kLumpAreas,
  kLumpAreaPortals,
  kLumpCount
};

constexpr int32_t kBspVersion = 38;
constexpr int32_t kContentsEmpty = 0;
constexpr int32_t kPlaneX = 0, kPlaneY = 1, kPlaneZ = 2;

struct BspPlane {
  std::array<float, 3> normal;
  float dist;
  int32_t type;
};
struct BspNode {
  int32_t plane;
  std::array<int32_t, 2> children;  // >= 0 node, < 0 -(leaf + 1); [0] is the front side
  std::array<int16_t, 3> mins, maxs;
  uint16_t firstFace, numFaces;
};
struct BspTexInfo {
  std::array<float, 4> s, t;  // axis and offset
  int32_t flags, value;
  std::string texture;
  int32_t next = -1;
};
struct BspFace {
  uint16_t plane;
  int16_t side;
  int32_t firstEdge;
  int16_t numEdges;
  int16_t texInfo;
  std::array<uint8_t, 4> styles;
  int32_t lightOffset;
};
struct BspLeaf {
  int32_t contents;
  int16_t cluster, area;
  std::array<int16_t, 3> mins, maxs;
  uint16_t firstLeafFace, numLeafFaces, firstLeafBrush, numLeafBrushes;
};
struct BspModel {
  std::array<float, 3> mins, maxs, origin;
  int32_t headNode, firstFace, numFaces;
};
struct BspBrush {
  int32_t firstSide, numSides, contents;
};
struct BspBrushSide {
  uint16_t plane;
  int16_t texInfo;
};

struct BspMap {
  std::string entities;
  std::vector<BspPlane> planes;
  std::vector<std::array<float, 3>> vertices;
  std::vector<uint8_t> visibility;
  std::vector<BspNode> nodes;
  std::vector<BspTexInfo> texInfos;
  std::vector<BspFace> faces;
  std::vector<uint8_t> lighting;
  std::vector<BspLeaf> leaves;
  std::vector<uint16_t> leafFaces, leafBrushes;
  std::vector<std::array<uint16_t, 2>> edges;
  std::vector<int32_t> surfEdges;
  std::vector<BspModel> models;
  std::vector<BspBrush> brushes;
  std::vector<BspBrushSide> brushSides;
  std::vector<uint8_t> pop;
  std::vector<std::array<int32_t, 2>> areas, areaPortals;
};

// Header ("IBSP", 38, 19 offset/length pairs) and the lumps in order, each 4-byte aligned.
std::vector<uint8_t> EncodeBsp(const BspMap& map);

// A face's lightmap rectangle as map compilers compute it, in 32-bit float: the texture-space
// minimum (a multiple of 16) and the size in luxels.
struct LightmapExtent {
  std::array<int, 2> mins;  // in texture units
  std::array<int, 2> size;  // in luxels
};
LightmapExtent ComputeLightmapExtent(const std::vector<std::array<float, 3>>& points,
                                     const BspTexInfo& texInfo);

}  // namespace kxres
