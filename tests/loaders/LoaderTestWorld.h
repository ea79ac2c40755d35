#pragma once
// Base of the map and model reader tests: a workspace (scratch working folder, a running asset
// manager) with a default picture, and a capture of every log line and assertion. Also a writer
// of small Quake 2 maps (through the engine's map records) and helpers for encoded files.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "ReportCaptureX.h"
#include "WorkspaceX.h"
#include "geometry/MeshX.h"
#include "loaders/QuakeBspFormatX.h"
#include "tests/assets/BitmapTestImages.h"

class LoaderTestX : public ::testing::Test {
 protected:
  LoaderTestX() {
    world.Write("Resources/Textures/default.bmp", MakeSolidBmp(4, 4, RgbX{200, 100, 50}));
  }
  ReportCaptureX reports;
  WorkspaceX world;
};

// Meshes a reader handed out are the caller's.
inline void DeleteAll(ArrayX<MeshX*>& meshes) {
  for (MeshX* mesh : meshes) delete mesh;
  meshes.Clear();
}

// Builds small maps face by face: every face gets its own edges, and a texinfo per call.
class TestMapBuilder {
 public:
  // A texinfo; by default one projecting map x to s and map y to t with offset 0, as a floor.
  uint16_t AddTexInfo(const std::string& texture, uint32_t flags = 0, Vector3fX u = {1, 0, 0},
                      Vector3fX v = {0, 1, 0}, float uOffset = 0, float vOffset = 0) {
    bsp_texinfo info;
    info.u_axis = u;
    info.u_offset = uOffset;
    info.v_axis = v;
    info.v_offset = vOffset;
    info.flags = flags;
    SetBspTextureName(info, texture);
    mMap.texinfos.push_back(info);
    return static_cast<uint16_t>(mMap.texinfos.size() - 1);
  }
  // A face through the points in order; returns its index.
  size_t AddFace(const std::vector<Vector3fX>& points, uint16_t texInfo, int32_t lightOffset) {
    bsp_face face;
    face.first_edge = static_cast<uint32_t>(mMap.face_edges.size());
    face.num_edges = static_cast<uint16_t>(points.size());
    face.texture_info = texInfo;
    face.lightmap_offset = lightOffset;
    const size_t first = mMap.vertices.size();
    mMap.vertices.insert(mMap.vertices.end(), points.begin(), points.end());
    for (size_t i = 0; i < points.size(); ++i) {
      const uint16_t a = static_cast<uint16_t>(first + i);
      const uint16_t b = static_cast<uint16_t>(first + (i + 1) % points.size());
      // Every second edge is used backwards, to exercise negative face-edge entries.
      const int32_t edge = static_cast<int32_t>(mMap.edges.size());
      mMap.edges.push_back(i % 2 ? bsp_edge{{b, a}} : bsp_edge{{a, b}});
      mMap.face_edges.push_back(i % 2 ? -edge : edge);
    }
    mMap.faces.push_back(face);
    return mMap.faces.size() - 1;
  }
  // A square of `size` map units at (x, y) on the floor z = 0.
  size_t AddSquare(float x, float y, float size, uint16_t texInfo, int32_t lightOffset) {
    return AddFace({{x, y, 0}, {x + size, y, 0}, {x + size, y + size, 0}, {x, y + size, 0}},
                   texInfo, lightOffset);
  }
  // Appends a face's lightmap of w x h luxels (RGB), every luxel `rgb`; returns its offset.
  int32_t AddLightmap(uint32_t w, uint32_t h, std::array<uint8_t, 3> rgb) {
    const int32_t offset = static_cast<int32_t>(mMap.lighting.size());
    for (uint32_t i = 0; i < w * h; ++i)
      mMap.lighting.insert(mMap.lighting.end(), rgb.begin(), rgb.end());
    return offset;
  }
  QuakeBspX& Map() { return mMap; }
  std::vector<uint8_t> Encode() const {
    // The edge lump's first entry is unused by map compilers; edge 0 stays valid here.
    // The lighting lump may stay empty.
    QuakeBspX map = mMap;
    if (map.edges.empty()) map.edges.push_back({});
    return SaveQuakeBsp(map);
  }

 private:
  QuakeBspX mMap;
};

// Little-endian patching of encoded files.
inline void PatchI32(std::vector<uint8_t>& bytes, size_t offset, int32_t value) {
  std::memcpy(bytes.data() + offset, &value, 4);
}
inline int32_t ReadI32(const std::vector<uint8_t>& bytes, size_t offset) {
  int32_t value;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}
