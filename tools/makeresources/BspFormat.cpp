#include "BspFormat.h"

#include <algorithm>
#include <cmath>

#include "ByteBuffer.h"

namespace kxres {

namespace {

void EncodeLump(ByteBuffer& b, int lump, const BspMap& m) {
  switch (lump) {
    case kLumpEntities:
      b.Text(m.entities), b.U8(0);
      break;
    case kLumpPlanes:
      for (const BspPlane& p : m.planes) {
        for (float v : p.normal) b.F32(v);
        b.F32(p.dist);
        b.I32(p.type);
      }
      break;
    case kLumpVertices:
      for (const auto& v : m.vertices)
        for (float c : v) b.F32(c);
      break;
    case kLumpVisibility:
      b.Bytes(m.visibility.data(), m.visibility.size());
      break;
    case kLumpNodes:
      for (const BspNode& n : m.nodes) {
        b.I32(n.plane);
        for (int32_t c : n.children) b.I32(c);
        for (int16_t v : n.mins) b.I16(v);
        for (int16_t v : n.maxs) b.I16(v);
        b.U16(n.firstFace);
        b.U16(n.numFaces);
      }
      break;
    case kLumpTexInfo:
      for (const BspTexInfo& t : m.texInfos) {
        for (float v : t.s) b.F32(v);
        for (float v : t.t) b.F32(v);
        b.I32(t.flags);
        b.I32(t.value);
        b.FixedString(t.texture, 32);
        b.I32(t.next);
      }
      break;
    case kLumpFaces:
      for (const BspFace& f : m.faces) {
        b.U16(f.plane);
        b.I16(f.side);
        b.I32(f.firstEdge);
        b.I16(f.numEdges);
        b.I16(f.texInfo);
        for (uint8_t s : f.styles) b.U8(s);
        b.I32(f.lightOffset);
      }
      break;
    case kLumpLighting:
      b.Bytes(m.lighting.data(), m.lighting.size());
      break;
    case kLumpLeaves:
      for (const BspLeaf& l : m.leaves) {
        b.I32(l.contents);
        b.I16(l.cluster);
        b.I16(l.area);
        for (int16_t v : l.mins) b.I16(v);
        for (int16_t v : l.maxs) b.I16(v);
        b.U16(l.firstLeafFace);
        b.U16(l.numLeafFaces);
        b.U16(l.firstLeafBrush);
        b.U16(l.numLeafBrushes);
      }
      break;
    case kLumpLeafFaces:
      for (uint16_t v : m.leafFaces) b.U16(v);
      break;
    case kLumpLeafBrushes:
      for (uint16_t v : m.leafBrushes) b.U16(v);
      break;
    case kLumpEdges:
      for (const auto& e : m.edges) b.U16(e[0]), b.U16(e[1]);
      break;
    case kLumpSurfEdges:
      for (int32_t v : m.surfEdges) b.I32(v);
      break;
    case kLumpModels:
      for (const BspModel& mo : m.models) {
        for (float v : mo.mins) b.F32(v);
        for (float v : mo.maxs) b.F32(v);
        for (float v : mo.origin) b.F32(v);
        b.I32(mo.headNode);
        b.I32(mo.firstFace);
        b.I32(mo.numFaces);
      }
      break;
    case kLumpBrushes:
      for (const BspBrush& br : m.brushes)
        b.I32(br.firstSide), b.I32(br.numSides), b.I32(br.contents);
      break;
    case kLumpBrushSides:
      for (const BspBrushSide& s : m.brushSides) b.U16(s.plane), b.I16(s.texInfo);
      break;
    case kLumpPop:
      b.Bytes(m.pop.data(), m.pop.size());
      break;
    case kLumpAreas:
      for (const auto& a : m.areas) b.I32(a[0]), b.I32(a[1]);
      break;
    case kLumpAreaPortals:
      for (const auto& a : m.areaPortals) b.I32(a[0]), b.I32(a[1]);
      break;
  }
}

}  // namespace

std::vector<uint8_t> EncodeBsp(const BspMap& map) {
  ByteBuffer file;
  file.Text("IBSP");
  file.I32(kBspVersion);
  const size_t directory = file.Size();
  for (int i = 0; i < kLumpCount; ++i) file.I32(0), file.I32(0);
  for (int lump = 0; lump < kLumpCount; ++lump) {
    file.PadTo(4);
    ByteBuffer body;
    EncodeLump(body, lump, map);
    file.PatchI32(directory + lump * 8, static_cast<int32_t>(file.Size()));
    file.PatchI32(directory + lump * 8 + 4, static_cast<int32_t>(body.Size()));
    file.Append(body);
  }
  file.PadTo(4);
  return file.Data();
}

LightmapExtent ComputeLightmapExtent(const std::vector<std::array<float, 3>>& points,
                                     const BspTexInfo& texInfo) {
  float mins[2] = {100000.0f, 100000.0f}, maxs[2] = {-100000.0f, -100000.0f};
  for (const auto& p : points) {
    const std::array<float, 4>* axes[2] = {&texInfo.s, &texInfo.t};
    for (int k = 0; k < 2; ++k) {
      const auto& a = *axes[k];
      const float v = p[0] * a[0] + p[1] * a[1] + p[2] * a[2] + a[3];
      mins[k] = std::min(mins[k], v);
      maxs[k] = std::max(maxs[k], v);
    }
  }
  LightmapExtent e{};
  for (int k = 0; k < 2; ++k) {
    const int lo = static_cast<int>(std::floor(mins[k] / 16.0f));
    const int hi = static_cast<int>(std::ceil(maxs[k] / 16.0f));
    e.mins[k] = lo * 16;
    e.size[k] = hi - lo + 1;
  }
  return e;
}

}  // namespace kxres
