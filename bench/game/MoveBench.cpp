// Per-frame cost of the movement model: the environment updates every bot and shot and the
// camera once a frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "game/CameraX.h"
#include "game/ObjectMoveableX.h"
#include "loaders/Object3DX.h"

namespace {

// A frame of N moving objects turning freely (shots, relative turns).
void BM_MoveableUpdateRelative(benchmark::State& state) {
  Object3DX object{StringX("shot")};
  std::vector<ObjectMoveableX*> moveables;
  for (int64_t i = 0; i < state.range(0); ++i) {
    auto* moveable = new ObjectMoveableX(&object);
    moveable->mSpeed = 750.0f;
    moveable->mRotationSpeed[1] = 0.3f;
    moveable->mRotationSpeed[2] = -0.1f;
    moveables.push_back(moveable);
  }
  for (auto _ : state) {
    for (ObjectMoveableX* moveable : moveables) moveable->Update(1.0f / 300.0f);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  for (ObjectMoveableX* moveable : moveables) delete moveable;
}
BENCHMARK(BM_MoveableUpdateRelative)->Arg(20)->Arg(1000);

// A frame of N walking bots on absolute angles with a pitch limit.
void BM_MoveableUpdateGroundBound(benchmark::State& state) {
  Object3DX object{StringX("bot")};
  std::vector<ObjectMoveableX*> bots;
  for (int64_t i = 0; i < state.range(0); ++i) {
    auto* bot = new ObjectMoveableX(&object);
    bot->mClipping = true;
    bot->SetUseAngles(true);
    bot->SetMaxPitch(1.3744469f);
    bot->mSpeed = 110.0f;
    bot->mRotationSpeed[1] = 0.5f;
    bots.push_back(bot);
  }
  for (auto _ : state) {
    for (ObjectMoveableX* bot : bots) bot->Update(1.0f / 300.0f);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  for (ObjectMoveableX* bot : bots) delete bot;
}
BENCHMARK(BM_MoveableUpdateGroundBound)->Arg(20)->Arg(1000);

void BM_CameraUpdate(benchmark::State& state) {
  CameraX camera;
  camera.SetUseAngles(true);
  camera.SetMaxPitch(1.3744469f);
  camera.mSpeed = 300.0f;
  camera.mRotationSpeed[1] = 1.0f;
  camera.mRotationSpeed[2] = 0.2f;
  for (auto _ : state) {
    camera.Update(1.0f / 300.0f);
    benchmark::DoNotOptimize(camera.mWorldMatrix);
  }
}
BENCHMARK(BM_CameraUpdate);

void BM_SetDirection(benchmark::State& state) {
  Object3DX object{StringX("bot")};
  ObjectMoveableX moveable(&object);
  const Vector3fX directions[2] = {{0.98438f, -0.05497f, 0.16724f},
                                   {-0.0284f, -0.00749f, -0.99956f}};
  size_t i = 0;
  for (auto _ : state) {
    moveable.SetDirection(directions[i++ & 1]);
    benchmark::DoNotOptimize(moveable.mDirection);
  }
}
BENCHMARK(BM_SetDirection);

}  // namespace

BENCHMARK_MAIN();
