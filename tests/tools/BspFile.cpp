#include "BspFile.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace kxtest {

namespace {

class Cursor {
 public:
  Cursor(const std::vector<uint8_t>& b, size_t at) : mBytes(b), mAt(at) {}
  template <typename T>
  T Get() {
    T v;
    std::memcpy(&v, &mBytes[mAt], sizeof(T));  // the test machine is little-endian like the format
    mAt += sizeof(T);
    return v;
  }
  std::string Text(size_t size) {
    std::string s(reinterpret_cast<const char*>(&mBytes[mAt]), size);
    mAt += size;
    return s.substr(0, s.find('\0'));
  }

 private:
  const std::vector<uint8_t>& mBytes;
  size_t mAt;
};

template <typename T, typename F>
void ReadRecords(const BspFile& f, int lump, std::vector<T>& out, F read) {
  const int size = BspFile::RecordSize(lump);
  Cursor c(f.bytes, static_cast<size_t>(f.lumps[lump].offset));
  for (int i = 0; i < f.lumps[lump].length / size; ++i) out.push_back(read(c));
}

}  // namespace

int BspFile::RecordSize(int lump) {
  static const int sizes[19] = {1, 20, 12, 1, 28, 76, 20, 1, 28, 2, 2, 4, 4, 48, 12, 4, 1, 8, 8};
  return sizes[lump];
}

bool BspFile::Load(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (bytes.size() < 8 + 19 * 8) return *error = "file shorter than its header", false;
  std::memcpy(magic, bytes.data(), 4);
  std::memcpy(&version, &bytes[4], 4);
  for (int i = 0; i < 19; ++i) {
    std::memcpy(&lumps[i], &bytes[8 + 8 * i], 8);
    if (lumps[i].offset < 0 || lumps[i].length < 0 ||
        static_cast<size_t>(lumps[i].offset) + lumps[i].length > bytes.size())
      return *error = "lump " + std::to_string(i) + " leaves the file", false;
  }
  entities.assign(reinterpret_cast<const char*>(&bytes[lumps[0].offset]), lumps[0].length);
  ReadRecords(*this, 1, planes, [](Cursor& c) {
    Plane p;
    for (float& v : p.n) v = c.Get<float>();
    p.d = c.Get<float>();
    p.type = c.Get<int32_t>();
    return p;
  });
  ReadRecords(*this, 2, vertices, [](Cursor& c) {
    return std::array<float, 3>{c.Get<float>(), c.Get<float>(), c.Get<float>()};
  });
  ReadRecords(*this, 4, nodes, [](Cursor& c) {
    Node n;
    n.plane = c.Get<int32_t>();
    for (int32_t& v : n.child) v = c.Get<int32_t>();
    for (int16_t& v : n.mins) v = c.Get<int16_t>();
    for (int16_t& v : n.maxs) v = c.Get<int16_t>();
    n.firstFace = c.Get<uint16_t>();
    n.numFaces = c.Get<uint16_t>();
    return n;
  });
  ReadRecords(*this, 5, texInfos, [](Cursor& c) {
    TexInfo t;
    for (float& v : t.s) v = c.Get<float>();
    for (float& v : t.t) v = c.Get<float>();
    t.flags = c.Get<int32_t>();
    t.value = c.Get<int32_t>();
    t.texture = c.Text(32);
    t.next = c.Get<int32_t>();
    return t;
  });
  ReadRecords(*this, 6, faces, [](Cursor& c) {
    Face f;
    f.plane = c.Get<uint16_t>();
    f.side = c.Get<int16_t>();
    f.firstEdge = c.Get<int32_t>();
    f.numEdges = c.Get<int16_t>();
    f.texInfo = c.Get<int16_t>();
    for (uint8_t& s : f.styles) s = c.Get<uint8_t>();
    f.lightOffset = c.Get<int32_t>();
    return f;
  });
  ReadRecords(*this, 8, leaves, [](Cursor& c) {
    Leaf l;
    l.contents = c.Get<int32_t>();
    l.cluster = c.Get<int16_t>();
    l.area = c.Get<int16_t>();
    for (int16_t& v : l.mins) v = c.Get<int16_t>();
    for (int16_t& v : l.maxs) v = c.Get<int16_t>();
    l.firstLeafFace = c.Get<uint16_t>();
    l.numLeafFaces = c.Get<uint16_t>();
    l.firstLeafBrush = c.Get<uint16_t>();
    l.numLeafBrushes = c.Get<uint16_t>();
    return l;
  });
  ReadRecords(*this, 9, leafFaces, [](Cursor& c) { return c.Get<uint16_t>(); });
  ReadRecords(*this, 10, leafBrushes, [](Cursor& c) { return c.Get<uint16_t>(); });
  ReadRecords(*this, 11, edges, [](Cursor& c) {
    return std::array<uint16_t, 2>{c.Get<uint16_t>(), c.Get<uint16_t>()};
  });
  ReadRecords(*this, 12, surfEdges, [](Cursor& c) { return c.Get<int32_t>(); });
  ReadRecords(*this, 13, models, [](Cursor& c) {
    Model m;
    for (float& v : m.mins) v = c.Get<float>();
    for (float& v : m.maxs) v = c.Get<float>();
    for (float& v : m.origin) v = c.Get<float>();
    m.headNode = c.Get<int32_t>();
    m.firstFace = c.Get<int32_t>();
    m.numFaces = c.Get<int32_t>();
    return m;
  });
  ReadRecords(*this, 14, brushes, [](Cursor& c) {
    return Brush{c.Get<int32_t>(), c.Get<int32_t>(), c.Get<int32_t>()};
  });
  ReadRecords(*this, 15, brushSides, [](Cursor& c) {
    BrushSide s;
    s.plane = c.Get<uint16_t>();
    s.texInfo = c.Get<int16_t>();
    return s;
  });
  return true;
}

std::vector<std::array<float, 3>> BspFile::FacePoints(const Face& face) const {
  std::vector<std::array<float, 3>> points;
  for (int k = 0; k < face.numEdges; ++k) {
    const int32_t e = surfEdges[face.firstEdge + k];
    points.push_back(vertices[e >= 0 ? edges[e][0] : edges[-e][1]]);
  }
  return points;
}

int BspFile::LeafAt(const std::array<float, 3>& p) const {
  int32_t n = models.empty() ? 0 : models[0].headNode;
  for (size_t guard = 0; n >= 0 && guard <= nodes.size(); ++guard) {
    const Plane& plane = planes[nodes[n].plane];
    const float d = plane.n[0] * p[0] + plane.n[1] * p[1] + plane.n[2] * p[2] - plane.d;
    n = nodes[n].child[d >= 0 ? 0 : 1];
  }
  return n < 0 ? -n - 1 : -1;
}

std::array<int, 2> BspFile::LightmapSize(const Face& face) const {
  const TexInfo& ti = texInfos[face.texInfo];
  float lo[2] = {100000.0f, 100000.0f}, hi[2] = {-100000.0f, -100000.0f};
  for (const auto& p : FacePoints(face)) {
    const float* axes[2] = {ti.s, ti.t};
    for (int k = 0; k < 2; ++k) {
      const float v = p[0] * axes[k][0] + p[1] * axes[k][1] + p[2] * axes[k][2] + axes[k][3];
      lo[k] = std::fmin(lo[k], v);
      hi[k] = std::fmax(hi[k], v);
    }
  }
  std::array<int, 2> size{};
  for (int k = 0; k < 2; ++k)
    size[k] = static_cast<int>(std::ceil(hi[k] / 16.0f) - std::floor(lo[k] / 16.0f)) + 1;
  return size;
}

}  // namespace kxtest
