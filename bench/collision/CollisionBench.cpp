// Collision measurements on the generated city (and mp_lobby when present): simplification,
// tree build, .bpX load against build, swept-sphere queries against testing every polygon, and
// the whole collision step of a frame (player, 20 bots, 100 shots). Google Benchmark runs the
// single operations; a table of the key figures is printed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>

#include "CollisionTestSupport.h"
#include "collision/CollisionBSPX.h"
#include "collision/CollisionDataStructureManagerX.h"
#include "collision/CollisionHandlerX.h"
#include "collision/ReadCollisionBSPX.h"
#include "collision/SaveCollisionBSPX.h"
#include "engine/ThreadManagerX.h"
#include "geometry/SimplifyMeshX.h"

using namespace colltest;
using Clock = std::chrono::steady_clock;

namespace {

struct MapX {
  std::string name;
  MeshX mesh;
  std::unique_ptr<CollisionBSPX> tree;
  BoundingAxisAllignedBoxX bounds;
};

MapX& City() {
  static MapX city = [] {
    MapX map;
    map.name = "bwcity2";
    const std::string path = std::string(KX_BINARY_DIR) + "/Resources/maps/bwcity2.bsp";
    if (!LoadMapTriangles(path, map.mesh)) {
      std::fprintf(stderr, "no city at %s (build kx_resources)\n", path.c_str());
      map.mesh = MeshFromTriangles(Town(8));
      map.name = "town";
    }
    map.tree = std::make_unique<CollisionBSPX>();
    map.tree->CreateFromMesh(map.mesh);
    map.tree->BuildTree();
    for (const Vector3fX& v : map.tree->mMainVertexList) map.bounds.Grow(v);
    return map;
  }();
  return city;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// CPU time of the calling thread: the frame figures are not inflated when the machine is busy.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

template <class F>
double TimeOnce(F&& f) {
  const auto start = Clock::now();
  f();
  return Seconds(Clock::now() - start);
}

struct SweepX {
  Vector3fX from, to;
  float radius;
};

std::vector<SweepX> RandomSweeps(const MapX& map, size_t count) {
  std::mt19937 random(99);
  auto uniform = [&](float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(random);
  };
  std::vector<SweepX> sweeps;
  for (size_t i = 0; i < count; ++i) {
    const Vector3fX from{uniform(map.bounds.min.x, map.bounds.max.x),
                         uniform(map.bounds.min.y, map.bounds.max.y),
                         uniform(map.bounds.min.z, map.bounds.max.z)};
    Vector3fX d{uniform(-1, 1), uniform(-1, 1), uniform(-1, 1)};
    d.Normalize();
    sweeps.push_back({from, from + d * uniform(1.f, 100.f), 15.f});
  }
  return sweeps;
}

// A frame's collision work: player and bots slide, shots fly and bounce.
struct FrameWorldX {
  struct BotX : ICollisionObjectX {
    Matrix4X matrix;
    const MeshX* mesh = nullptr;
    Vector3fX position, velocity;
    const Matrix4X& GetCollisionMatrix() const override { return matrix; }
    const MeshX* GetCollisionMesh() const override { return mesh; }
  };
  ScratchFolderX folder;
  std::unique_ptr<CollisionDataStructureManagerX> manager;
  std::unique_ptr<CollisionHandlerX> handler;
  MeshX botMesh;
  std::vector<BotX> bots;
  BotX player;
  std::vector<ShotMoveX> shots;
  std::mt19937 random{5};

  explicit FrameWorldX(MapX& map) {
    manager = std::make_unique<CollisionDataStructureManagerX>(FilesFolder(folder));
    handler = std::make_unique<CollisionHandlerX>(manager.get());
    ArrayX<const MeshX*> meshes;
    meshes.Add(&map.mesh);
    handler->AddWorld(StringX(map.name.c_str()), meshes);
    std::vector<TriangleX> box;
    AddBox(box, {-15, -25, -15}, {15, 25, 15});
    botMesh = MeshFromTriangles(box);
    botMesh.SetName(StringX("bench\\bot.md2"));
    botMesh.mSections.Clear();
    botMesh.mSections.Add(SectionX{0, botMesh.mIndexList.Size()});
    bots.resize(20);
    auto freePoint = [&] {
      std::uniform_real_distribution<float> x(map.bounds.min.x, map.bounds.max.x);
      std::uniform_real_distribution<float> z(map.bounds.min.z, map.bounds.max.z);
      for (int tries = 0; tries < 1000; ++tries) {
        const Vector3fX p{x(random), map.bounds.min.y + 60.f, z(random)};
        if (!handler->TestSphere(p, 40.f)) return p;
      }
      return Vector3fX{x(random), map.bounds.max.y + 100.f, z(random)};
    };
    for (BotX& bot : bots) {
      bot.mesh = &botMesh;
      bot.position = freePoint();
      bot.velocity = {300.f, 0.f, 150.f};
      handler->AddObjectMoveableX(&bot);
    }
    player.position = freePoint();
    player.velocity = {0.f, 0.f, 400.f};
    shots.resize(100);
    for (size_t i = 0; i < shots.size(); ++i) NewShot(shots[i], i);
  }

  void NewShot(ShotMoveX& shot, size_t i) {
    const Vector3fX& origin = i % 2 ? player.position : bots[i % bots.size()].position;
    std::uniform_real_distribution<float> d(-1.f, 1.f);
    Vector3fX direction{d(random), d(random) * 0.3f, d(random)};
    direction.Normalize();
    shot = ShotMoveX();
    shot.mLastPosition = origin;
    shot.mPosition = origin;
    shot.mDirection = direction;
  }

  void Frame(float dt) {
    const Vector3fX gravity{0, -1, 0};
    auto walk = [&](BotX& body) {
      const Vector3fX last = body.position;
      const Vector3fX attempted = last + (body.velocity + gravity * 200.f) * dt;
      const SlideOutcomeX outcome = handler->SlideBody(last, attempted, gravity);
      body.position = outcome.mPosition;
      if (outcome.mContact) body.velocity = Vector3fX{-body.velocity.z, 0, body.velocity.x};
      body.matrix.m[3][0] = body.position.x;
      body.matrix.m[3][1] = body.position.y;
      body.matrix.m[3][2] = body.position.z;
    };
    walk(player);
    for (BotX& bot : bots) walk(bot);
    for (size_t i = 0; i < shots.size(); ++i) {
      ShotMoveX& shot = shots[i];
      shot.mLastPosition = shot.mPosition;
      shot.mPosition = shot.mPosition + shot.mDirection * (2000.f * dt);
      handler->MoveShot(shot);
      if (shot.mRetire || (shot.mPosition - player.position).LengthSquared() > 4000.f * 4000.f) {
        NewShot(shot, i);
      }
    }
  }
};

void BM_Simplify(benchmark::State& state) {
  MapX& map = City();
  uint32_t before = 0;
  uint32_t after = 0;
  uint32_t convex = 0;
  for (auto _ : state) {
    SimplifyMeshX simplifier(map.mesh);
    simplifier.Simplify();
    before = simplifier.GetInitialPolygonCount();
    after = simplifier.GetResult().mIndexList.Size() / 3;
    convex = simplifier.GetConvexPolygons().Size();
  }
  state.counters["triangles_in"] = before;
  state.counters["triangles_out"] = after;
  state.counters["convex_polygons"] = convex;
}

void BM_BuildTree(benchmark::State& state) {
  MapX& map = City();
  for (auto _ : state) {
    CollisionBSPX tree;
    for (const PolygonLightX& polygon : map.tree->mAllPolygons) {
      PolygonLightX copy = polygon;
      copy.mMainVertexList = &tree.mMainVertexList;
      tree.mAllPolygons.Add(copy);
    }
    tree.mMainVertexList = map.tree->mMainVertexList;
    tree.BuildTree();
    state.counters["nodes"] = tree.mNodes.Size();
    state.counters["depth"] = tree.GetDepth();
  }
}

void BM_LoadFile(benchmark::State& state) {
  MapX& map = City();
  ScratchFolderX scratch;
  const std::string folder = scratch.Path() + "/";
  SaveCollisionBSPX saver(StringX(folder.c_str()));
  saver.Save(*map.tree, StringX("city"), {});
  const StringX path = SaveCollisionBSPX::GetFileName(StringX(folder.c_str()), StringX("city"));
  for (auto _ : state) {
    ReadCollisionBSPX reader(path);
    std::unique_ptr<CollisionBSPX> tree(reader.GetBSPTree(CollisionFileStampX{}));
    benchmark::DoNotOptimize(tree.get());
  }
  state.counters["bytes"] = double(std::filesystem::file_size((folder + "city.bpX").c_str()));
}

void BM_SweptSphere(benchmark::State& state) {
  MapX& map = City();
  const std::vector<SweepX> sweeps = RandomSweeps(map, 1024);
  const bool brute = state.range(0) != 0;
  size_t i = 0;
  for (auto _ : state) {
    const SweepX& s = sweeps[i++ & 1023];
    CollisionResultX result;
    benchmark::DoNotOptimize(
        brute ? map.tree->TestSweptSphereBruteForce(s.from, s.to, s.radius, result)
              : map.tree->TestSweptSphere(s.from, s.to, s.radius, result));
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_CollisionStep(benchmark::State& state) {
  FrameWorldX world(City());
  for (auto _ : state) world.Frame(1.f / 300.f);
}

BENCHMARK(BM_Simplify)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SweptSphere)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollisionStep)->Unit(benchmark::kMicrosecond);

void PrintTable() {
  MapX& map = City();
  // Simplification and build, each the median of 5 runs.
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::vector<double> simplify, build, load;
  uint32_t before = 0, after = 0, convex = 0, nodes = 0, depth = 0;
  ScratchFolderX scratch;
  const std::string folder = scratch.Path() + "/";
  for (int run = 0; run < 5; ++run) {
    std::unique_ptr<CollisionBSPX> tree = std::make_unique<CollisionBSPX>();
    simplify.push_back(TimeOnce([&] {
      SimplifyMeshX simplifier(map.mesh);
      simplifier.Simplify();
      before = simplifier.GetInitialPolygonCount();
      after = simplifier.GetResult().mIndexList.Size() / 3;
      convex = simplifier.GetConvexPolygons().Size();
    }));
    build.push_back(TimeOnce([&] {
      tree->CreateFromMesh(map.mesh);
      tree->BuildTree();
    }));
    nodes = tree->mNodes.Size();
    depth = tree->GetDepth();
    SaveCollisionBSPX saver(StringX(folder.c_str()));
    saver.Save(*tree, StringX("city"), {});
    load.push_back(TimeOnce([&] {
      ReadCollisionBSPX reader(
          SaveCollisionBSPX::GetFileName(StringX(folder.c_str()), StringX("city")));
      delete reader.GetBSPTree(CollisionFileStampX{});
    }));
  }
  const std::vector<SweepX> sweeps = RandomSweeps(map, 2000);
  CollisionResultX result;
  const double treeTime = TimeOnce([&] {
    for (const SweepX& s : sweeps) map.tree->TestSweptSphere(s.from, s.to, s.radius, result);
  });
  const double bruteTime = TimeOnce([&] {
    for (const SweepX& s : sweeps)
      map.tree->TestSweptSphereBruteForce(s.from, s.to, s.radius, result);
  });
  FrameWorldX world(map);
  std::vector<double> frames;
  for (int f = 0; f < 3000; ++f) {
    const double start = ThreadSeconds();
    world.Frame(1.f / 300.f);
    frames.push_back(ThreadSeconds() - start);
  }
  std::sort(frames.begin(), frames.end());
  double sum = 0;
  for (double f : frames) sum += f;

  std::printf("\n| %-48s | %22s |\n", ("Collision figures: " + map.name).c_str(), "value");
  std::printf("|%s|%s|\n", std::string(50, '-').c_str(), std::string(24, '-').c_str());
  auto row = [](const char* what, const std::string& value) {
    std::printf("| %-48s | %22s |\n", what, value.c_str());
  };
  char text[64];
  auto fmt = [&](const char* format, double a) {
    std::snprintf(text, sizeof(text), format, a);
    return std::string(text);
  };
  row("map triangles in", fmt("%.0f", before));
  row("simplified triangles out", fmt("%.0f", after));
  row("merged convex polygons", fmt("%.0f", convex));
  row("simplification time (median of 5)", fmt("%.1f ms", median(simplify) * 1e3));
  row("tree build incl. simplification (median)", fmt("%.1f ms", median(build) * 1e3));
  row("tree nodes", fmt("%.0f", nodes));
  row("tree depth", fmt("%.0f", depth));
  row(".bpX load time (median)", fmt("%.2f ms", median(load) * 1e3));
  row("build time / load time", fmt("%.0f x", median(build) / median(load)));
  row("swept spheres per second, tree", fmt("%.0f", double(sweeps.size()) / treeTime));
  row("swept spheres per second, every polygon", fmt("%.0f", double(sweeps.size()) / bruteTime));
  row("tree speed-up over every polygon", fmt("%.0f x", bruteTime / treeTime));
  row("collision step (CPU), player+20 bots+100 shots",
      fmt("%.1f us", sum / double(frames.size()) * 1e6));
  row("collision step (CPU), 99th percentile",
      fmt("%.1f us", frames[frames.size() * 99 / 100] * 1e6));
  row("collision step (CPU), worst of 3000 frames", fmt("%.1f us", frames.back() * 1e6));
}

}  // namespace

int main(int argc, char** argv) {
  ThreadManagerX::CreateSingleton();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  PrintTable();
  benchmark::Shutdown();
  ThreadManagerX::DestroySingleton();
  return 0;
}
