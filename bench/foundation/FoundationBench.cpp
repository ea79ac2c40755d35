// Speed of the foundation types: string building, array appends and balanced-tree look-ups.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "foundation/ArrayX.h"
#include "foundation/BinarySearchTreeX.h"
#include "foundation/StringX.h"

namespace {

constexpr uint32_t kKeys = 100000;

std::vector<uint32_t> ShuffledKeys() {
  std::vector<uint32_t> keys(kKeys);
  for (uint32_t i = 0; i < kKeys; ++i) keys[i] = i * 2654435761u;
  std::shuffle(keys.begin(), keys.end(), std::mt19937(1));
  return keys;
}

// A log line as the engine builds them: label, number, label, float.
void BM_StringXLogLine(benchmark::State& state) {
  const StringX label("Frame time ");
  for (auto _ : state) {
    StringX line = label + 1234u + " ms, fps " + 299.5f;
    benchmark::DoNotOptimize(line.GetCharArray());
  }
}
BENCHMARK(BM_StringXLogLine);

// Appending many short strings, the way long texts are built.
void BM_StringXAppendStrings(benchmark::State& state) {
  const StringX word("wall.png;");
  for (auto _ : state) {
    StringX text;
    for (int64_t i = 0; i < state.range(0); ++i) text += word;
    benchmark::DoNotOptimize(text.GetCharArray());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StringXAppendStrings)->Arg(100)->Arg(1000);

void BM_StringXAppendChars(benchmark::State& state) {
  for (auto _ : state) {
    StringX text;
    for (int64_t i = 0; i < state.range(0); ++i) text += 'x';
    benchmark::DoNotOptimize(text.GetCharArray());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StringXAppendChars)->Arg(1000);

void BM_ArrayXAddUint(benchmark::State& state) {
  for (auto _ : state) {
    ArrayX<uint32_t> array;
    for (uint32_t i = 0; i < state.range(0); ++i) array.Add(i);
    benchmark::DoNotOptimize(array.begin());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ArrayXAddUint)->Arg(1000)->Arg(100000);

void BM_ArrayXAddString(benchmark::State& state) {
  const StringX name("textures\\wall.png");
  for (auto _ : state) {
    ArrayX<StringX> array;
    for (uint32_t i = 0; i < state.range(0); ++i) array.Add(name);
    benchmark::DoNotOptimize(array.begin());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ArrayXAddString)->Arg(10000);

void BM_TreeInsert100k(benchmark::State& state) {
  const std::vector<uint32_t> keys = ShuffledKeys();
  for (auto _ : state) {
    BinarySearchTreeX<uint32_t, uint32_t> tree;
    for (uint32_t key : keys) tree.Add(key, key);
    benchmark::DoNotOptimize(tree.GetRoot());
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_TreeInsert100k)->Unit(benchmark::kMillisecond);

void BM_TreeFind100k(benchmark::State& state) {
  const std::vector<uint32_t> keys = ShuffledKeys();
  BinarySearchTreeX<uint32_t, uint32_t> tree;
  for (uint32_t key : keys) tree.Add(key, key);
  for (auto _ : state) {
    uint64_t sum = 0;
    for (uint32_t key : keys) sum += *tree.FindValue(key);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_TreeFind100k)->Unit(benchmark::kMillisecond);

void BM_TreeFindStringKeys100k(benchmark::State& state) {
  const std::vector<uint32_t> keys = ShuffledKeys();
  std::vector<StringX> names;
  for (uint32_t key : keys) names.push_back(StringX("Resources\\Textures\\") + key + ".png");
  BinarySearchTreeX<uint32_t, StringX> tree;
  for (uint32_t i = 0; i < kKeys; ++i) tree.Add(i, names[i]);
  for (auto _ : state) {
    uint64_t sum = 0;
    for (const StringX& name : names) sum += *tree.FindValue(name);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_TreeFindStringKeys100k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
