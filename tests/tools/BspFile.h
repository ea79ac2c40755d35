// A small, independent reader of Quake 2 map files for checking generated and real maps.
// Written for the tests only: it shares nothing with the generator or the engine's reader.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kxtest {

struct Lump {
  int32_t offset, length;
};

struct Plane {
  std::array<float, 3> n;
  float d;
  int32_t type;
};
struct Node {
  int32_t plane;
  int32_t child[2];
  int16_t mins[3], maxs[3];
  uint16_t firstFace, numFaces;
};
struct TexInfo {
  float s[4], t[4];
  int32_t flags, value;
  std::string texture;
  int32_t next;
};
struct Face {
  uint16_t plane;
  int16_t side;
  int32_t firstEdge;
  int16_t numEdges, texInfo;
  uint8_t styles[4];
  int32_t lightOffset;
};
struct Leaf {
  int32_t contents;
  int16_t cluster, area;
  int16_t mins[3], maxs[3];
  uint16_t firstLeafFace, numLeafFaces, firstLeafBrush, numLeafBrushes;
};
struct Brush {
  int32_t firstSide, numSides, contents;
};
struct BrushSide {
  uint16_t plane;
  int16_t texInfo;
};
struct Model {
  float mins[3], maxs[3], origin[3];
  int32_t headNode, firstFace, numFaces;
};

struct BspFile {
  std::vector<uint8_t> bytes;
  char magic[5] = {};
  int32_t version = 0;
  std::array<Lump, 19> lumps{};
  std::string entities;
  std::vector<Plane> planes;
  std::vector<std::array<float, 3>> vertices;
  std::vector<Node> nodes;
  std::vector<TexInfo> texInfos;
  std::vector<Face> faces;
  std::vector<Leaf> leaves;
  std::vector<uint16_t> leafFaces, leafBrushes;
  std::vector<std::array<uint16_t, 2>> edges;
  std::vector<int32_t> surfEdges;
  std::vector<Model> models;
  std::vector<Brush> brushes;
  std::vector<BrushSide> brushSides;

  // Reads the file; false (with a reason) when it is too short or a lump leaves the file.
  bool Load(const std::string& path, std::string* error);
  // Record size of each lump (0 for byte lumps).
  static int RecordSize(int lump);
  // The face's corner positions, following its surface edges.
  std::vector<std::array<float, 3>> FacePoints(const Face& face) const;
  // Index of the leaf that contains the point, walking the tree from the world's head node.
  int LeafAt(const std::array<float, 3>& p) const;
  // Lightmap size in luxels as map compilers compute it (32-bit float).
  std::array<int, 2> LightmapSize(const Face& face) const;
};

}  // namespace kxtest
