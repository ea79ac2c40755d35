// Quake 2 animated models (.md2, "IDP2" version 8): header of 17 32-bit values, skin names,
// texture coordinates, triangles, packed frames and GL command lists.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kxres {

constexpr size_t kMd2HeaderSize = 68;

struct Md2Model {
  struct Triangle {
    std::array<uint16_t, 3> vertex, st;
  };
  struct Frame {
    std::string name;                            // e.g. "run03"
    std::vector<std::array<float, 3>> vertices;  // model space: x forward, y left, z up
  };
  std::vector<std::string> skins;
  int skinWidth = 0, skinHeight = 0;
  std::vector<std::array<int16_t, 2>> st;  // pixel coordinates in the skin
  std::vector<Triangle> triangles;         // clockwise seen from outside
  std::vector<Frame> frames;
};

// Each frame is packed into bytes with its own scale and translation; the GL commands
// draw every triangle as a strip of three.
std::vector<uint8_t> EncodeMd2(const Md2Model& model);

}  // namespace kxres
