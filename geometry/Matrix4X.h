#pragma once
// 4x4 float matrix in the engine's row-vector layout: a point is transformed as p' = p * M, and
// the translation sits in the last row. Uploaded to GL unchanged (transpose false), the shader
// computes M * p with the same result.
#include <cmath>

struct Matrix4X {
  float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

  static Matrix4X Identity() { return Matrix4X(); }

  // a * b: first a, then b.
  static Matrix4X Multiply(const Matrix4X& a, const Matrix4X& b) {
    Matrix4X r;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                    a.m[i][3] * b.m[3][j];
      }
    }
    return r;
  }

  // Right-handed perspective projection (the camera looks down -z) with a vertical field of
  // view in radians. Depth maps to GL's clip range: -w at the near plane, +w at the far plane.
  static Matrix4X PerspectiveFovRH(float fovY, float aspect, float zNear, float zFar) {
    const float yScale = 1.0f / std::tan(fovY * 0.5f);
    Matrix4X r;
    r.m[0][0] = yScale / aspect;
    r.m[1][1] = yScale;
    r.m[2][2] = (zFar + zNear) / (zNear - zFar);
    r.m[2][3] = -1.0f;
    r.m[3][2] = 2.0f * zNear * zFar / (zNear - zFar);
    r.m[3][3] = 0.0f;
    return r;
  }

  const float* Data() const { return &m[0][0]; }
};
