// Throughput of the polygon operations: splits by a plane, convex and non-convex ear-clipping
// triangulation, and the split of a compact collision triangle.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "geometry/PolygonFunctionsX.h"

namespace {
// A regular polygon of n corners on a circle of radius 2 in the z = 0 plane.
PolygonX RegularPolygon(int n) {
  PolygonX polygon;
  for (int i = 0; i < n; ++i) {
    const float angle = float(i) / float(n) * 6.2831853f + 0.1f;
    VertexX v;
    v.position = {2.f * std::cos(angle), 2.f * std::sin(angle), 0.f};
    v.texCoord = {v.position.x, v.position.y};
    polygon.vertexList.Add(v);
  }
  polygon.CreatePlaneSafe();
  return polygon;
}

// A comb with `teeth` teeth: a non-convex polygon of 4 * teeth corners.
PolygonX Comb(int teeth) {
  PolygonX polygon;
  auto add = [&](float x, float y) {
    VertexX v;
    v.position = {x, y, 0.f};
    polygon.vertexList.Add(v);
  };
  add(0, 0);
  add(float(2 * teeth - 1), 0);
  for (int t = teeth - 1; t >= 0; --t) {
    add(float(2 * t + 1), 2);
    add(float(2 * t), 2);
    if (t > 0) {
      add(float(2 * t), 1);
      add(float(2 * t - 1), 1);
    }
  }
  polygon.plane = PlaneX(Vector3fX(0, 0, 1), 0.f);
  polygon.planeCreated = true;
  return polygon;
}

// Planes through the polygon at a spread of angles, none through a corner.
std::vector<PlaneX> CuttingPlanes() {
  std::vector<PlaneX> planes;
  for (int i = 0; i < 16; ++i) {
    const float angle = float(i) * 0.39f + 0.05f;
    const Vector3fX normal(std::cos(angle), std::sin(angle), 0.f);
    planes.push_back(PlaneX(normal, 0.13f * float(i % 5) - 0.2f));
  }
  return planes;
}

void BM_SplitPolygonByPlane(benchmark::State& state) {
  const PolygonX polygon = RegularPolygon(int(state.range(0)));
  const std::vector<PlaneX> planes = CuttingPlanes();
  size_t k = 0;
  for (auto _ : state) {
    PolygonX front, back;
    benchmark::DoNotOptimize(
        PolygonFunctions::SplitPolygonByPlane(polygon, planes[k++ % planes.size()], front, back));
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_SplitPolygonByPlane)->Arg(3)->Arg(4)->Arg(8)->Arg(16);

void BM_TriangulatePolygon(benchmark::State& state) {
  const PolygonX polygon = RegularPolygon(int(state.range(0)));
  for (auto _ : state) {
    ArrayX<PolygonX> triangles;
    PolygonFunctions::TriangulatePolygon(polygon, triangles);
    benchmark::DoNotOptimize(triangles.Size());
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_TriangulatePolygon)->Arg(4)->Arg(8)->Arg(16)->Arg(32);

void BM_TriangulatePolygonNonConvex(benchmark::State& state) {
  const PolygonX polygon = Comb(int(state.range(0)));
  for (auto _ : state) {
    ArrayX<PolygonX> triangles;
    PolygonFunctions::TriangulatePolygonNonConvex(polygon, triangles);
    benchmark::DoNotOptimize(triangles.Size());
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_TriangulatePolygonNonConvex)->Arg(2)->Arg(4)->Arg(8);

void BM_PolygonLightSplit(benchmark::State& state) {
  ArrayX<Vector3fX> positions;
  PolygonLightX triangle(&positions);
  triangle = RegularPolygon(3);
  const std::vector<PlaneX> planes = CuttingPlanes();
  size_t k = 0;
  for (auto _ : state) {
    PolygonLightX front, back, frontSecond, backSecond;
    benchmark::DoNotOptimize(triangle.SplitPolygonByPlane(planes[k++ % planes.size()], front, back,
                                                          &frontSecond, &backSecond));
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_PolygonLightSplit);
}  // namespace

BENCHMARK_MAIN();
