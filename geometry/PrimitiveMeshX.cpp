// The primitive builders of MeshX: plane, sphere, cylinder, box, torus and disc as closed (or,
// for the plane and the disc, flat) indexed triangle lists with shared grid vertices.
#include <cmath>

#include "engine/FunctionLibraryX.h"
#include "engine/ReportHooksX.h"
#include "foundation/BinarySearchTreeX.h"
#include "geometry/MeshX.h"

namespace {
constexpr float kPi = 3.14159274f;
constexpr float fTWO_PI = 6.28318548f;

// A random opaque colour from three draws of the engine's generator.
uint32_t RandomColour() {
  auto channel = [] { return uint32_t(float(FunctionsX::Rand()) * 3.051851e-5f * 255.f); };
  const uint32_t red = channel();
  const uint32_t green = channel();
  const uint32_t blue = channel();
  return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

Matrix4X Placement(const Vector3fX& xAxis, const Vector3fX& yAxis, const Vector3fX& zAxis,
                   const Vector3fX& translation) {
  Matrix4X m;
  const Vector3fX rows[4] = {xAxis, yAxis, zAxis, translation};
  for (int i = 0; i < 4; ++i) {
    m.m[i][0] = rows[i].x;
    m.m[i][1] = rows[i].y;
    m.m[i][2] = rows[i].z;
  }
  return m;
}

// One part of a primitive: grid vertices keyed (i << 16) + j are shared within the part.
class GridPartX {
 public:
  GridPartX(MeshX& mesh, const Matrix4X& placement) : mMesh(mesh), mPlacement(placement) {}

  uint32_t Vertex(uint32_t i, uint32_t j, const Vector3fX& localPosition) {
    const uint32_t key = (i << 16) + j;
    if (const uint32_t* index = mKeys.FindValue(key)) return *index;
    VertexX vertex;
    vertex.position = MeshX::TransformPosition(mPlacement, localPosition);
    vertex.colour = RandomColour();
    const uint32_t index = mMesh.mVertexList.Size();
    mMesh.mVertexList.Add(vertex);
    mKeys.Add(index, key);
    return index;
  }

  void Triangle(uint32_t a, uint32_t b, uint32_t c) {
    mMesh.mIndexList.Add(int32_t(a));
    mMesh.mIndexList.Add(int32_t(b));
    mMesh.mIndexList.Add(int32_t(c));
  }

 private:
  MeshX& mMesh;
  Matrix4X mPlacement;
  BinarySearchTreeX<uint32_t, uint32_t> mKeys;
};

// Grid of numberX x numberY cells on [0, 1]^2 at z = 0 (its triangles face -z), placed.
void AddPlaneGrid(MeshX& mesh, const Matrix4X& placement, uint32_t numberX, uint32_t numberY) {
  GridPartX part(mesh, placement);
  auto vertex = [&](uint32_t x, uint32_t y) {
    return part.Vertex(x, y, Vector3fX(float(x) / float(numberX), float(y) / float(numberY), 0.f));
  };
  for (uint32_t x = 0; x < numberX; ++x) {
    for (uint32_t y = 0; y < numberY; ++y) {
      part.Triangle(vertex(x, y), vertex(x, y + 1), vertex(x + 1, y));
      part.Triangle(vertex(x, y + 1), vertex(x + 1, y + 1), vertex(x + 1, y));
    }
  }
}

// Unit disc in the XY plane around the origin (facing +z, or -z when flipped), placed.
void AddDisc(MeshX& mesh, const Matrix4X& placement, uint32_t numbOfVerts, bool flip) {
  GridPartX part(mesh, placement);
  const uint32_t centre = part.Vertex(0, 0, Vector3fX());
  auto rim = [&](uint32_t k) {
    k %= numbOfVerts;
    const float angle = float(k) / float(numbOfVerts) * fTWO_PI;
    return part.Vertex(1, k, Vector3fX(std::cos(angle), std::sin(angle), 0.f));
  };
  for (uint32_t k = 0; k < numbOfVerts; ++k) {
    if (flip) {
      part.Triangle(centre, rim(k + 1), rim(k));
    } else {
      part.Triangle(centre, rim(k), rim(k + 1));
    }
  }
}

// Keeps a primitive within the array limit; the grid keys hold 16 bits per coordinate.
bool FitsLimits(uint64_t vertices, uint64_t indices, uint32_t a, uint32_t b) {
  if (vertices < GENERAL_MAX_SIZE && indices < GENERAL_MAX_SIZE && a < 0xFFFF && b < 0xFFFF) {
    return true;
  }
  LogMessage("Primitive mesh too large, not built");
  return false;
}
}  // namespace

StringX MeshX::GetPrimitiveName(uint32_t kind, uint32_t a, uint32_t b) {
  static const char* const prefixes[] = {
      "PRIMITIVE_PLANE - ", "PRIMITIVE_SPHERE - ", "PRIMITIVE_CYLENDER - ", "PRIMITIVE_BOX - ",
      "PRIMITIVE_STAR",     "PRIMITIVE_TORUS - ",  "PRIMITIVE_DISC - "};
  if (kind > PRIMITIVE_DISC) {
    KX_ASSERT_MSG(false, "MeshX::GetPrimitiveName", "Unknown primitive type!");
    return StringX();
  }
  StringX name(prefixes[kind]);
  if (kind == PRIMITIVE_STAR) return name;
  return name + a + b;
}

void MeshX::BuildPrimitive(uint32_t kind, uint32_t a, uint32_t b) {
  mPointOrdering = POINTORDER_TRIANGLELIST;
  switch (kind) {
    case PRIMITIVE_PLANE:
      CreatePlaneMesh(a, b);
      break;
    case PRIMITIVE_SPHERE:
      CreateSphereMesh(a, b);
      break;
    case PRIMITIVE_CYLENDER:
      CreateCylenderMesh(a, b);
      break;
    case PRIMITIVE_BOX:
      CreateBoxMesh(a, b);
      break;
    case PRIMITIVE_STAR:
      CreateStarMesh();
      break;
    case PRIMITIVE_TORUS:
      CreateTorusMesh(a, b);
      break;
    case PRIMITIVE_DISC:
      CreateDiscMesh(a);
      break;
    default:
      KX_ASSERT_MSG(false, "MeshX::MeshX", "Unknown primitive type!");
  }
}

void MeshX::CreatePlaneMesh(uint32_t numberX, uint32_t numberY) {
  KX_ASSERT(numberX > 0 && numberY > 0, "MeshX::CreatePlaneMesh");
  if (numberX == 0 || numberY == 0) return;
  if (!FitsLimits(uint64_t(numberX + 1) * (numberY + 1), uint64_t(numberX) * numberY * 6, numberX,
                  numberY)) {
    return;
  }
  AddPlaneGrid(*this, Matrix4X(), numberX, numberY);
}

void MeshX::CreateSphereMesh(uint32_t latitude, uint32_t longitude) {
  KX_ASSERT(longitude > 2 && latitude > 2, "MeshX::CreateSphereMesh");
  if (longitude <= 2 || latitude <= 2) return;
  if (!FitsLimits(uint64_t(latitude + 1) * longitude, uint64_t(latitude) * longitude * 6, latitude,
                  longitude)) {
    return;
  }
  GridPartX part(*this, Matrix4X());
  auto vertex = [&](uint32_t i, uint32_t j) {
    if (i == 0 || i == latitude) j = 0;  // the poles
    if (j == longitude) j = 0;           // the seam
    const float theta = float(i) / float(latitude) * kPi;
    const float phi = float(j) / float(longitude) * fTWO_PI;
    return part.Vertex(i, j,
                       Vector3fX(std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi),
                                 std::cos(theta)));
  };
  for (uint32_t j = 0; j < longitude; ++j) {
    part.Triangle(vertex(0, 0), vertex(1, j), vertex(1, j + 1));
  }
  for (uint32_t i = 1; i + 1 < latitude; ++i) {
    for (uint32_t j = 0; j < longitude; ++j) {
      part.Triangle(vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1));
      part.Triangle(vertex(i, j), vertex(i + 1, j + 1), vertex(i, j + 1));
    }
  }
  for (uint32_t j = 0; j < longitude; ++j) {
    part.Triangle(vertex(latitude - 1, j), vertex(latitude, 0), vertex(latitude - 1, j + 1));
  }
}

// latitude: vertices around the axis; longitude: rings along it. Radius 0.5, height 1 along z.
void MeshX::CreateCylenderMesh(uint32_t latitude, uint32_t longitude) {
  KX_ASSERT(longitude > 1 && latitude > 2, "MeshX::CreateCylenderMesh");
  if (longitude <= 1 || latitude <= 2) return;
  if (!FitsLimits(uint64_t(latitude + 1) * (longitude + 2), uint64_t(latitude) * longitude * 6,
                  latitude, longitude)) {
    return;
  }
  GridPartX side(*this, Matrix4X());
  auto vertex = [&](uint32_t i, uint32_t j) {
    j %= latitude;
    const float phi = float(j) / float(latitude) * fTWO_PI;
    const float z = -0.5f + float(i) / float(longitude - 1);
    return side.Vertex(i, j, Vector3fX(0.5f * std::cos(phi), 0.5f * std::sin(phi), z));
  };
  for (uint32_t i = 0; i + 1 < longitude; ++i) {
    for (uint32_t j = 0; j < latitude; ++j) {
      side.Triangle(vertex(i, j), vertex(i, j + 1), vertex(i + 1, j + 1));
      side.Triangle(vertex(i, j), vertex(i + 1, j + 1), vertex(i + 1, j));
    }
  }
  const Vector3fX x(0.5f, 0, 0), y(0, 0.5f, 0), z(0, 0, 0.5f);
  AddDisc(*this, Placement(x, y, z, Vector3fX(0, 0, 0.5f)), latitude, false);
  AddDisc(*this, Placement(x, y, z, Vector3fX(0, 0, -0.5f)), latitude, true);
}

// A cube of edge 1 around the origin. Its edges along x and z are cut numberX times, those
// along y numberY times, so the grids of neighbouring faces meet vertex for vertex.
void MeshX::CreateBoxMesh(uint32_t numberX, uint32_t numberY) {
  KX_ASSERT(numberX > 0 && numberY > 0, "MeshX::CreateBoxMesh");
  if (numberX == 0 || numberY == 0) return;
  const uint32_t most = numberX > numberY ? numberX : numberY;
  if (!FitsLimits(uint64_t(most + 1) * (most + 1) * 6, uint64_t(most) * most * 36, most, most)) {
    return;
  }
  auto cuts = [&](const Vector3fX& axis) { return axis.y != 0.f ? numberY : numberX; };
  const Vector3fX normals[6] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
  for (const Vector3fX& n : normals) {
    // The grid's triangles face -z: map x to u, y to v = u x n and -z to n.
    const Vector3fX u =
        n.x != 0.f ? Vector3fX(0, 1, 0) : (n.y != 0.f ? Vector3fX(0, 0, 1) : Vector3fX(1, 0, 0));
    const Vector3fX v = Cross(u, n);
    const Vector3fX origin = n * 0.5f - u * 0.5f - v * 0.5f;
    AddPlaneGrid(*this, Placement(u, v, -n, origin), cuts(u), cuts(v));
  }
}

void MeshX::CreateStarMesh() {
  CodeNotDone(__FILE__, "MeshX::CreateStarMesh", __LINE__, "Not Done");
}

// latitude: segments around the ring; longitude: segments around the tube (at least 3 each).
// Outer radius 0.5 in the XY plane, tube radius 0.15.
void MeshX::CreateTorusMesh(uint32_t latitude, uint32_t longitude) {
  KX_ASSERT(longitude > 0 && latitude > 0, "MeshX::CreateTorusMesh");
  if (longitude == 0 || latitude == 0) return;
  const uint32_t ring = latitude < 3 ? 3 : latitude;
  const uint32_t tube = longitude < 3 ? 3 : longitude;
  if (!FitsLimits(uint64_t(ring) * tube, uint64_t(ring) * tube * 6, ring, tube)) return;
  constexpr float major = 0.35f;
  constexpr float minor = 0.15f;
  GridPartX part(*this, Matrix4X());
  auto vertex = [&](uint32_t i, uint32_t j) {
    i %= ring;
    j %= tube;
    const float phi = float(i) / float(ring) * fTWO_PI;
    const float theta = float(j) / float(tube) * fTWO_PI;
    const float r = major + minor * std::cos(theta);
    return part.Vertex(i, j,
                       Vector3fX(r * std::cos(phi), r * std::sin(phi), minor * std::sin(theta)));
  };
  for (uint32_t i = 0; i < ring; ++i) {
    for (uint32_t j = 0; j < tube; ++j) {
      part.Triangle(vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1));
      part.Triangle(vertex(i, j), vertex(i + 1, j + 1), vertex(i, j + 1));
    }
  }
}

void MeshX::CreateDiscMesh(uint32_t numbOfVerts) {
  KX_ASSERT(numbOfVerts > 2, "MeshX::CreateDiscMesh");
  if (numbOfVerts <= 2) return;
  if (!FitsLimits(numbOfVerts + 1, uint64_t(numbOfVerts) * 3, numbOfVerts, 0)) return;
  AddDisc(*this, Matrix4X(), numbOfVerts, false);
}
