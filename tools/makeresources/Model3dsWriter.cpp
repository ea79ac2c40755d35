#include "Model3dsWriter.h"

#include <cmath>

namespace kxres {

void ChunkWriter::Open(uint16_t id) {
  mBuffer.U16(id);
  mOpen.push_back(mBuffer.Size());
  mBuffer.U32(0);
}

void ChunkWriter::Close() {
  const size_t lengthAt = mOpen.back();
  mOpen.pop_back();
  mBuffer.PatchU32(lengthAt, static_cast<uint32_t>(mBuffer.Size() - (lengthAt - 2)));
}

std::vector<uint8_t> ChunkWriter::Finish() { return mBuffer.Data(); }

namespace {

void CString(ByteBuffer& b, const std::string& s) {
  b.Text(s);
  b.U8(0);
}

void ColourChunk(ChunkWriter& w, uint16_t id, const std::array<uint8_t, 3>& c) {
  w.Open(id);
  w.Open(0x0011);  // 24-bit colour
  for (uint8_t v : c) w.Body().U8(v);
  w.Close();
  w.Close();
}

}  // namespace

std::vector<uint8_t> Encode3ds(const Model3ds& model) {
  ChunkWriter w;
  w.Open(0x4D4D);  // main
  w.Open(0x0002);  // file version
  w.Body().U32(3);
  w.Close();
  w.Open(0x3D3D);  // editor
  w.Open(0x3D3E);  // mesh version
  w.Body().U32(3);
  w.Close();
  for (const Model3ds::Material& m : model.materials) {
    w.Open(0xAFFF);
    w.Open(0xA000);
    CString(w.Body(), m.name);
    w.Close();
    ColourChunk(w, 0xA010, m.ambient);
    ColourChunk(w, 0xA020, m.diffuse);
    ColourChunk(w, 0xA030, m.specular);
    if (!m.textureFile.empty()) {
      w.Open(0xA200);
      w.Open(0xA300);
      CString(w.Body(), m.textureFile);
      w.Close();
      w.Open(0xA351);  // tiling flags
      w.Body().U16(0);
      w.Close();
      w.Close();
    }
    w.Close();
  }
  w.Open(0x0100);  // master scale
  w.Body().F32(1.0f);
  w.Close();
  for (const Model3ds::Object& o : model.objects) {
    w.Open(0x4000);
    CString(w.Body(), o.name);
    w.Open(0x4100);  // triangle mesh
    w.Open(0x4110);
    w.Body().U16(static_cast<uint16_t>(o.vertices.size()));
    for (const auto& v : o.vertices)
      for (float c : v) w.Body().F32(c);
    w.Close();
    if (!o.uvs.empty()) {
      w.Open(0x4140);
      w.Body().U16(static_cast<uint16_t>(o.uvs.size()));
      for (const auto& uv : o.uvs) w.Body().F32(uv[0]), w.Body().F32(uv[1]);
      w.Close();
    }
    w.Open(0x4120);
    w.Body().U16(static_cast<uint16_t>(o.faces.size()));
    for (const auto& f : o.faces) {
      for (uint16_t i : f) w.Body().U16(i);
      w.Body().U16(7);  // edge visibility flags
    }
    if (!o.material.empty()) {
      w.Open(0x4130);  // faces using a material
      CString(w.Body(), o.material);
      w.Body().U16(static_cast<uint16_t>(o.faces.size()));
      for (size_t i = 0; i < o.faces.size(); ++i) w.Body().U16(static_cast<uint16_t>(i));
      w.Close();
    }
    w.Close();
    w.Close();
    w.Close();
  }
  w.Open(0x4000);
  CString(w.Body(), "Spot01");
  w.Open(0x4600);  // light
  for (float v : model.lightPosition) w.Body().F32(v);
  w.Open(0x0010);  // colour as floats
  for (float v : model.lightColour) w.Body().F32(v);
  w.Close();
  w.Open(0x4610);  // spot light: target, hot spot, fall-off
  for (float v : model.spotTarget) w.Body().F32(v);
  w.Body().F32(30.0f);
  w.Body().F32(45.0f);
  w.Close();
  w.Close();
  w.Close();
  w.Open(0x4000);
  CString(w.Body(), "Camera01");
  w.Open(0x4700);  // camera: position, target, bank, lens
  for (float v : model.cameraPosition) w.Body().F32(v);
  for (float v : model.cameraTarget) w.Body().F32(v);
  w.Body().F32(0.0f);
  w.Body().F32(35.0f);
  w.Close();
  w.Close();
  w.Close();  // editor
  w.Close();  // main
  return w.Finish();
}

Model3ds SampleProps() {
  Model3ds model;
  model.materials = {{"CrateWood", {40, 30, 20}, {170, 120, 70}, {60, 60, 60}, "crate.png"},
                     {"BinMetal", {20, 24, 28}, {90, 100, 110}, {200, 200, 200}, ""}};
  Model3ds::Object crate{"Crate", {}, {}, {}, "CrateWood"};
  // Four vertices per side so each side has its own texture coordinates.
  const int axes[6][3] = {{0, 1, 2}, {0, 1, 2}, {1, 2, 0}, {1, 2, 0}, {2, 0, 1}, {2, 0, 1}};
  for (int side = 0; side < 6; ++side) {
    const float sign = side % 2 ? -1.0f : 1.0f;
    const uint16_t base = static_cast<uint16_t>(crate.vertices.size());
    for (int corner = 0; corner < 4; ++corner) {
      const float a = (corner == 1 || corner == 2) ? 16.0f : -16.0f;
      const float b = corner >= 2 ? 16.0f : -16.0f;
      std::array<float, 3> p{};
      p[axes[side][2]] = 16.0f * sign;
      p[axes[side][0]] = a * sign;
      p[axes[side][1]] = b;
      crate.vertices.push_back(p);
      crate.uvs.push_back({a > 0 ? 1.0f : 0.0f, b > 0 ? 1.0f : 0.0f});
    }
    crate.faces.push_back({base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2)});
    crate.faces.push_back({base, static_cast<uint16_t>(base + 2), static_cast<uint16_t>(base + 3)});
  }
  model.objects.push_back(crate);

  Model3ds::Object bin{"Bin", {}, {}, {}, "BinMetal"};
  constexpr int kSides = 12;
  for (int ring = 0; ring < 2; ++ring)
    for (int k = 0; k < kSides; ++k) {
      const float a = 6.2831853f * k / kSides;
      bin.vertices.push_back({40 + 10 * std::cos(a), 10 * std::sin(a), ring ? 30.0f : 0.0f});
    }
  for (int k = 0; k < kSides; ++k) {
    const uint16_t k1 = static_cast<uint16_t>((k + 1) % kSides), k0 = static_cast<uint16_t>(k);
    bin.faces.push_back({k0, k1, static_cast<uint16_t>(kSides + k1)});
    bin.faces.push_back(
        {k0, static_cast<uint16_t>(kSides + k1), static_cast<uint16_t>(kSides + k0)});
  }
  model.objects.push_back(bin);
  model.lightPosition = {0, -80, 120};
  model.lightColour = {1.0f, 0.9f, 0.7f};
  model.spotTarget = {0, 0, 0};
  model.cameraPosition = {120, -160, 90};
  model.cameraTarget = {0, 0, 10};
  return model;
}

}  // namespace kxres
