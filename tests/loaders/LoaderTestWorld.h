#pragma once
// A scratch working folder with a "Resources" tree, a running asset manager with a default
// picture, and a capture of every log line and assertion, for the map and model reader tests.
// Also writers of small Quake 2 maps (through the engine's map records) and wall-texture headers.
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ReportCaptureX.h"
#include "ScratchFolderX.h"
#include "WorkspaceX.h"
#include "loaders/QuakeBspFormatX.h"
#include "tests/assets/BitmapTestImages.h"

class LoaderTestWorld {
 public:
  LoaderTestWorld() {
    mWorld.Write("Resources/Textures/default.bmp", MakeSolidBmp(4, 4, RgbX{200, 100, 50}));
  }
  WorkspaceX& World() { return mWorld; }
  ReportCaptureX& Reports() { return mReports; }

  // A 100-byte wall-texture header with the given size, surface flags and contents.
  void WriteWal(const std::string& name, uint32_t width, uint32_t height, uint32_t flags,
                uint32_t contents) {
    std::vector<uint8_t> header(100, 0);
    const uint32_t fields[] = {width, height};
    std::memcpy(header.data() + 32, fields, 8);
    std::memcpy(header.data() + 88, &flags, 4);
    std::memcpy(header.data() + 92, &contents, 4);
    mWorld.Write("Resources/Textures/Quake/" + name + ".wal", header);
  }

  bool HasLog(const std::string& line) { return mReports.CountLog(line) > 0; }
  bool HasLogContaining(const std::string& part) {
    for (const std::string& line : mReports.Logs()) {
      if (line.find(part) != std::string::npos) return true;
    }
    return false;
  }

 private:
  ReportCaptureX mReports;
  WorkspaceX mWorld;
};

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
