#include "Md2Writer.h"

#include <algorithm>
#include <cmath>

#include "ByteBuffer.h"

namespace kxres {

std::vector<uint8_t> EncodeMd2(const Md2Model& model) {
  const int32_t numVertices =
      model.frames.empty() ? 0 : static_cast<int32_t>(model.frames[0].vertices.size());
  const int32_t frameSize = 40 + 4 * numVertices;

  ByteBuffer glCommands;
  int32_t numGlCommands = 0;
  for (const Md2Model::Triangle& tri : model.triangles) {
    glCommands.I32(3);  // a strip of three vertices
    ++numGlCommands;
    for (int k = 0; k < 3; ++k) {
      glCommands.F32((model.st[tri.st[k]][0] + 0.5f) / model.skinWidth);
      glCommands.F32((model.st[tri.st[k]][1] + 0.5f) / model.skinHeight);
      glCommands.I32(tri.vertex[k]);
      numGlCommands += 3;
    }
  }
  glCommands.I32(0);
  ++numGlCommands;

  const int32_t ofsSkins = static_cast<int32_t>(kMd2HeaderSize);
  const int32_t ofsSt = ofsSkins + 64 * static_cast<int32_t>(model.skins.size());
  const int32_t ofsTris = ofsSt + 4 * static_cast<int32_t>(model.st.size());
  const int32_t ofsFrames = ofsTris + 12 * static_cast<int32_t>(model.triangles.size());
  const int32_t ofsGlCommands = ofsFrames + frameSize * static_cast<int32_t>(model.frames.size());
  const int32_t ofsEnd = ofsGlCommands + 4 * numGlCommands;

  ByteBuffer b;
  b.Text("IDP2");
  for (int32_t v :
       {8, model.skinWidth, model.skinHeight, frameSize, static_cast<int32_t>(model.skins.size()),
        numVertices, static_cast<int32_t>(model.st.size()),
        static_cast<int32_t>(model.triangles.size()), numGlCommands,
        static_cast<int32_t>(model.frames.size()), ofsSkins, ofsSt, ofsTris, ofsFrames,
        ofsGlCommands, ofsEnd})
    b.I32(v);
  for (const std::string& skin : model.skins) b.FixedString(skin, 64);
  for (const auto& st : model.st) b.I16(st[0]), b.I16(st[1]);
  for (const Md2Model::Triangle& tri : model.triangles) {
    for (uint16_t v : tri.vertex) b.U16(v);
    for (uint16_t s : tri.st) b.U16(s);
  }
  for (const Md2Model::Frame& frame : model.frames) {
    std::array<float, 3> lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    for (const auto& v : frame.vertices)
      for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
    std::array<float, 3> scale{};
    for (int k = 0; k < 3; ++k) scale[k] = hi[k] > lo[k] ? (hi[k] - lo[k]) / 255.0f : 1.0f;
    for (float s : scale) b.F32(s);
    for (float t : lo) b.F32(t);
    b.FixedString(frame.name, 16);
    for (const auto& v : frame.vertices) {
      for (int k = 0; k < 3; ++k)
        b.U8(static_cast<uint8_t>(std::clamp(std::lround((v[k] - lo[k]) / scale[k]), 0L, 255L)));
      b.U8(0);  // normal index (the engine computes its own shading)
    }
  }
  b.Append(glCommands);
  return b.Data();
}

}  // namespace kxres
