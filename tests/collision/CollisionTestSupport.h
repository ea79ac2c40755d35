#pragma once
// Meshes and map loading shared by the collision and simplification tests.
#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ScratchFolderX.h"
#include "geometry/MeshX.h"
#include "loaders/ReadBSPQuakeX.h"

namespace colltest {

using TriangleX = std::array<Vector3fX, 3>;

inline MeshX MeshFromTriangles(const std::vector<TriangleX>& triangles, uint32_t flags = 0) {
  MeshX mesh;
  for (const TriangleX& triangle : triangles) {
    PolygonX polygon;
    polygon.surfaceFlags = flags;
    for (const Vector3fX& p : triangle) {
      VertexX v;
      v.position = p;
      polygon.vertexList.Add(v);
    }
    mesh.mPolygonList.Add(polygon);
  }
  mesh.CreateVertexListIndexLists();
  return mesh;
}

// Two triangles of the quad a b c d (counter-clockwise seen from the front).
inline void AddQuad(std::vector<TriangleX>& out, const Vector3fX& a, const Vector3fX& b,
                    const Vector3fX& c, const Vector3fX& d) {
  out.push_back({a, b, c});
  out.push_back({a, c, d});
}

// A quad split into n x n tiles (many triangles on one plane, all edges shared).
inline void AddTiledQuad(std::vector<TriangleX>& out, const Vector3fX& origin, const Vector3fX& u,
                         const Vector3fX& v, int n) {
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const Vector3fX p = origin + u * (float(i) / float(n)) + v * (float(j) / float(n));
      const Vector3fX du = u * (1.f / float(n));
      const Vector3fX dv = v * (1.f / float(n));
      AddQuad(out, p, p + du, p + du + dv, p + dv);
    }
  }
}

// Outward faces of an axis-aligned box.
inline void AddBox(std::vector<TriangleX>& out, const Vector3fX& lo, const Vector3fX& hi) {
  const Vector3fX p[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                          {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                          {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
  AddQuad(out, p[0], p[3], p[2], p[1]);  // -z
  AddQuad(out, p[4], p[5], p[6], p[7]);  // +z
  AddQuad(out, p[0], p[1], p[5], p[4]);  // -y
  AddQuad(out, p[3], p[7], p[6], p[2]);  // +y
  AddQuad(out, p[0], p[4], p[7], p[3]);  // -x
  AddQuad(out, p[1], p[2], p[6], p[5]);  // +x
}

// A small hand-made town: a tiled ground (y up) with buildings of tiled walls on it.
inline std::vector<TriangleX> Town(int blocks = 3) {
  std::vector<TriangleX> triangles;
  const float size = 400.f * float(blocks);
  AddTiledQuad(triangles, {0, 0, 0}, {0, 0, size}, {size, 0, 0}, 4 * blocks);
  for (int i = 0; i < blocks; ++i) {
    for (int j = 0; j < blocks; ++j) {
      const float x = 400.f * float(i) + 100.f;
      const float z = 400.f * float(j) + 100.f;
      const float h = 150.f + 50.f * float((i + j) % 3);
      AddBox(triangles, {x, 0, z}, {x + 200.f, h, z + 200.f});
    }
  }
  return triangles;
}

inline std::string SharedFile(const char* relative) {
  const char* root = std::getenv("KX_SOURCE_DIR");
  if (!root) return {};
  const std::string path = std::string(root) + "/../shared/testdata/" + relative;
  return std::filesystem::exists(path) ? path : std::string();
}

inline std::string CityFile() {
#ifdef KX_BINARY_DIR
  const std::string path = std::string(KX_BINARY_DIR) + "/Resources/maps/bwcity2.bsp";
  return std::filesystem::exists(path) ? path : std::string();
#else
  return {};
#endif
}

// The faces of a Quake 2 map as triangles in engine axes (x, y, z) -> (-x, z, -y).
inline bool LoadMapTriangles(const std::string& path, MeshX& mesh) {
  ReadBSPQuake reader;
  if (!reader.ReadFile(StringX(path.c_str()))) return false;
  std::vector<TriangleX> triangles;
  for (size_t f = 0; f < reader.GetFaces().size(); ++f) {
    const bsp_face& face = reader.GetFaces()[f];
    if (!reader.GetFaceStates()[f].valid || face.num_edges < 3) continue;
    std::vector<Vector3fX> points;
    for (uint32_t i = 0; i < face.num_edges; ++i) {
      const Vector3fX p = reader.GetVertexFromFaceByIndex(face, i);
      points.push_back({-p.x, p.z, -p.y});
    }
    for (size_t i = 2; i < points.size(); ++i)
      triangles.push_back({points[0], points[i - 1], points[i]});
  }
  mesh = MeshFromTriangles(triangles);
  mesh.SetName(StringX(path.c_str()));
  return !triangles.empty();
}

// A scratch folder as the folder of the collision files (with its closing separator).
inline StringX FilesFolder(const ScratchFolderX& folder) {
  return StringX((folder.Path() + "/").c_str());
}

}  // namespace colltest
