// Engine update time per frame of the whole game with 20 bots and steady fire: the camera and
// the environment (gravity, bots with their sight tests, the collision step, shots), on a
// device that draws nothing and without sound, over the generated city. Prints the median and
// the 99th percentile of the frame times against the 3.3 ms budget of 300 frames a second, by
// the wall clock and by the thread's CPU time (the wall clock also counts time the machine gave
// to other work).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "tests/game/GameTestSupport.h"

namespace {

constexpr float kFrame = 1.0f / 300.0f;

double ThreadCpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) * 1e-3;
}

struct PercentilesX {
  double mMedian, mP99, mMax;
};

PercentilesX Percentiles(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times[std::min(times.size() - 1, times.size() * 99 / 100)],
          times.back()};
}

void BM_GameFrame(benchmark::State& state) {
  const uint32_t frames = static_cast<uint32_t>(state.range(0));
  FunctionsX::SeedRand(1);
  gametest::HeadlessGameX game;
  if (!game.Available() || !game.SetUp()) {
    state.SkipWithError("no generated Resources tree (build kx_resources)");
    return;
  }
  std::vector<double> wallTimes, cpuTimes;
  wallTimes.reserve(frames);
  cpuTimes.reserve(frames);
  uint32_t mostShots = 0;
  uint32_t fewestBots = 20;
  for (auto _ : state) {
    for (uint32_t frame = 0; frame < frames; ++frame) {
      CameraX& camera = game.mCamera;
      camera.mSpeed = 300.0f;
      camera.mRotationSpeed[1] = 0.5f;
      const double cpuStart = ThreadCpuMicroseconds();
      const auto start = std::chrono::steady_clock::now();
      // The fast gun mode: a shot every 0.02 s at 500 units a second.
      if (frame % 6 == 0) game.mEnvironment->Shoot(&camera, 500.0f, 0.0f);
      game.Frame(kFrame);
      const auto end = std::chrono::steady_clock::now();
      cpuTimes.push_back(ThreadCpuMicroseconds() - cpuStart);
      wallTimes.push_back(std::chrono::duration<double, std::micro>(end - start).count());
      mostShots = std::max(mostShots, game.mEnvironment->GetNumberOfShots());
      fewestBots = std::min(fewestBots, game.mEnvironment->GetNumberOfBots());
    }
  }
  const PercentilesX wall = Percentiles(wallTimes);
  const PercentilesX cpu = Percentiles(cpuTimes);
  state.counters["median_us"] = wall.mMedian;
  state.counters["p99_us"] = wall.mP99;
  state.counters["cpu_median_us"] = cpu.mMedian;
  state.counters["cpu_p99_us"] = cpu.mP99;
  state.counters["max_shots"] = mostShots;
  state.counters["min_bots"] = fewestBots;
  std::printf(
      "game frame (engine update), %zu frames, budget 3333 us:\n"
      "  wall: median %.1f us, p99 %.1f us, max %.1f us\n"
      "  cpu:  median %.1f us, p99 %.1f us, max %.1f us\n"
      "  up to %u shots alive, %u to 20 bots\n",
      wallTimes.size(), wall.mMedian, wall.mP99, wall.mMax, cpu.mMedian, cpu.mP99, cpu.mMax,
      mostShots, fewestBots);
}
BENCHMARK(BM_GameFrame)->Arg(6000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
