// Job pool costs: an empty batch, and a compute-bound batch on every worker (plus the calling
// thread) against the same jobs run one after another on one thread. Prints the speed-up.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/ThreadManagerX.h"

namespace {
constexpr uint32_t kComputeJobs = 64;

struct WorkX {
  double value = 0.0;
  char padding[56];  // one cache line per job
};

// Some hundred microseconds of arithmetic that the compiler cannot drop.
uint32_t Compute(void* data) {
  WorkX* work = static_cast<WorkX*>(data);
  double x = work->value + 1.0;
  for (int i = 0; i < 100000; ++i) x = x * 1.0000001 + std::sqrt(x) * 1e-9;
  work->value = x;
  return 0;
}

uint32_t Empty(void*) { return 0; }

void BM_EmptyExecuteJobs(benchmark::State& state) {
  for (auto _ : state) GetThreadManagerX()->ExecuteJobs(false);
}
BENCHMARK(BM_EmptyExecuteJobs)->UseRealTime();

void BM_EmptyJobBatch(benchmark::State& state) {
  const uint32_t count = static_cast<uint32_t>(state.range(0));
  std::vector<char> datas(count);
  for (auto _ : state) GetThreadManagerX()->RunJobBatch(&Empty, datas.data(), count, 1);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_EmptyJobBatch)->Arg(1)->Arg(64)->Arg(1024)->UseRealTime();

void BM_ComputeOneThread(benchmark::State& state) {
  std::vector<WorkX> work(kComputeJobs);
  for (auto _ : state)
    for (WorkX& item : work) Compute(&item);
  benchmark::DoNotOptimize(work.data());
}
BENCHMARK(BM_ComputeOneThread)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ComputeAllWorkers(benchmark::State& state) {
  std::vector<WorkX> work(kComputeJobs);
  for (auto _ : state)
    GetThreadManagerX()->RunJobBatch(&Compute, work.data(), kComputeJobs, sizeof(WorkX));
  benchmark::DoNotOptimize(work.data());
}
BENCHMARK(BM_ComputeAllWorkers)->UseRealTime()->Unit(benchmark::kMillisecond);

// Keeps the console output and remembers each run's real time per iteration.
class RecordingReporterX : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // Single runs, or the mean when the runs are repeated.
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean")
        mTimes[run.run_name.str()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> mTimes;
};
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ThreadManagerX::CreateSingleton();
  std::printf("workers: %u (plus the calling thread)\n", GetThreadManagerX()->GetThreadCount());
  RecordingReporterX reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto one = reporter.mTimes.find("BM_ComputeOneThread/real_time");
  const auto all = reporter.mTimes.find("BM_ComputeAllWorkers/real_time");
  if (one != reporter.mTimes.end() && all != reporter.mTimes.end() && all->second > 0.0)
    std::printf("compute-bound speed-up, all workers against one thread: %.2f\n",
                one->second / all->second);
  ThreadManagerX::DestroySingleton();
  benchmark::Shutdown();
  return 0;
}
