// Map load times through the mesh loader, as the game loads its map: a fresh asset manager
// each time, with the texture caches of "Resources\SavedData\" removed first (cold) or left
// from the previous load (warm). Runs in a scratch copy of the build folder's Resources tree.
//
// Rows: city = the generated bwcity2.bsp, lobby = mp_lobby_q2.bsp of the shared test data
// (skipped when absent).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "assets/AssetManagerBaseX.h"
#include "engine/ThreadManagerX.h"
#include "geometry/MeshX.h"
#include "loaders/MeshLoaderX.h"

namespace {

namespace fs = std::filesystem;

// A scratch copy of the Resources tree, made once, and the working folder moved into it.
bool EnterScratchResources() {
  static const bool ready = [] {
    const fs::path source = fs::path(KX_BINARY_DIR) / "Resources";
    if (!fs::exists(source)) return false;
    char pattern[] = "/tmp/kx_loader_bench_XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (!folder) return false;
    fs::copy(source, fs::path(folder) / "Resources", fs::copy_options::recursive);
    fs::remove_all(fs::path(folder) / "Resources" / "SavedData");
    fs::current_path(folder);
    ThreadManagerX::CreateSingleton();
    return true;
  }();
  return ready;
}

void LoadMap(benchmark::State& state, const std::string& map, bool warm) {
  if (!EnterScratchResources() || (map.front() == '/' && !fs::exists(map))) {
    state.SkipWithError("map or Resources tree missing");
    return;
  }
  uint32_t triangles = 0, sections = 0;
  if (warm) {
    // One load fills the caches.
    AssetManagerBaseX::CreateSingleton();
    MeshLoaderX::CreateSingleton();
    GetAssetImpl<MeshX>(StringX(map.c_str()));
    MeshLoaderX::DestroySingleton();
    AssetManagerBaseX::DestroySingleton();
  }
  for (auto _ : state) {
    state.PauseTiming();
    if (!warm) fs::remove_all("Resources/SavedData");
    state.ResumeTiming();
    AssetManagerBaseX::CreateSingleton();
    MeshLoaderX::CreateSingleton();
    MeshX* mesh = GetAssetImpl<MeshX>(StringX(map.c_str()));
    if (mesh) {
      triangles = mesh->mIndexList.Size() / 3;
      sections = mesh->mSections.Size();
    }
    MeshLoaderX::DestroySingleton();
    AssetManagerBaseX::DestroySingleton();
  }
  state.counters["triangles"] = triangles;
  state.counters["sections"] = sections;
}

const std::string kCity = "bwcity2.bsp";
const std::string kLobby = std::string(KX_SHARED_TESTDATA) + "/q2map/mp_lobby_q2.bsp";

void BM_LoadMap_City_Cold(benchmark::State& state) { LoadMap(state, kCity, false); }
void BM_LoadMap_City_Warm(benchmark::State& state) { LoadMap(state, kCity, true); }
void BM_LoadMap_Lobby_Cold(benchmark::State& state) { LoadMap(state, kLobby, false); }
void BM_LoadMap_Lobby_Warm(benchmark::State& state) { LoadMap(state, kLobby, true); }

BENCHMARK(BM_LoadMap_City_Cold)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_LoadMap_City_Warm)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LoadMap_Lobby_Cold)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_LoadMap_Lobby_Warm)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
