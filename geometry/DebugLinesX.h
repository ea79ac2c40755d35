#pragma once
// Lines a structure shows while its debug drawing is on, as plain segments: the outlines of its
// polygons and their normals, each a line list (two points per line).
#include <vector>

#include "geometry/Vector3fX.h"

struct DebugLinesX {
  std::vector<Vector3fX> mOutlines;
  std::vector<Vector3fX> mNormals;
};
