#pragma once
// Tolerances and tolerant comparisons shared by all geometry code. Every tolerance is absolute
// and fixed per operation; the decisions of the geometry code depend on these exact numbers.
#include <type_traits>

// Default tolerance: Equal/IsZero/LessEqual, point/plane sides, vertex and plane equality.
constexpr float fEPSILON2 = 1e-5f;
// Strict ordering and exact equality of positions and vertices (compared in double).
constexpr double dORDER_EPSILON = 1e-15;
// Degenerate normal sums, convexity side test and edge end-point equality.
constexpr float fEDGE_EPSILON = 1e-4f;
// Distance of a vertex from a line (line vertices, needles, inward edge planes).
constexpr float fLINE_EPSILON = 0.001f;
// Largest finite float; the extent of an empty bounding box.
constexpr float fMAX_FLOAT = 3.4028235e38f;

// True when a - b is neither above eps nor below -eps (so a NaN difference counts as equal).
template <class T>
constexpr bool Equal(T a, T b, std::type_identity_t<T> eps = T(fEPSILON2)) {
  const T diff = a - b;
  return !(diff > eps) && !(diff < -eps);
}

template <class T>
constexpr bool IsZero(T a, std::type_identity_t<T> eps = T(fEPSILON2)) {
  return Equal(a, T(0), eps);
}

// a <= b within eps.
template <class T>
constexpr bool LessEqual(T a, T b, std::type_identity_t<T> eps = T(fEPSILON2)) {
  return !(a - b > eps);
}

// a >= b within eps.
template <class T>
constexpr bool GreaterEqual(T a, T b, std::type_identity_t<T> eps = T(fEPSILON2)) {
  return !(b - a > eps);
}

// Strict ordering of two floats widened to double: -1 when a is smaller by more than the
// ordering tolerance, 1 when larger, 0 when they count as the same value.
constexpr int CompareOrdered(float a, float b) {
  const double diff = double(a) - double(b);
  if (diff < -dORDER_EPSILON) return -1;
  if (diff > dORDER_EPSILON) return 1;
  return 0;
}
