// 3D Studio files (.3ds): nested chunks of a 16-bit id and a 32-bit length that counts the
// 6-byte chunk header, little-endian.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ByteBuffer.h"

namespace kxres {

class ChunkWriter {
 public:
  // Opens a chunk; its length is filled in by Close.
  void Open(uint16_t id);
  void Close();
  ByteBuffer& Body() { return mBuffer; }
  std::vector<uint8_t> Finish();

 private:
  ByteBuffer mBuffer;
  std::vector<size_t> mOpen;
};

struct Model3ds {
  struct Object {
    std::string name;
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<float, 2>> uvs;  // empty or one per vertex
    std::vector<std::array<uint16_t, 3>> faces;
    std::string material;  // empty: none
  };
  struct Material {
    std::string name;
    std::array<uint8_t, 3> ambient, diffuse, specular;
    std::string textureFile;  // empty: none
  };
  std::vector<Material> materials;
  std::vector<Object> objects;
  std::array<float, 3> lightPosition, lightColour, spotTarget;
  std::array<float, 3> cameraPosition, cameraTarget;
};

std::vector<uint8_t> Encode3ds(const Model3ds& model);

// A textured crate, a cylinder without texture coordinates, a spot light and a camera.
Model3ds SampleProps();

}  // namespace kxres
