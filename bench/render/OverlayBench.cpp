// The overlay's cost per frame with a full console of long lines: the layout of the quads
// alone, and the whole overlay draw on the render thread (GL finished before and after, so
// the time is the overlay's own). Run by hand from anywhere: the program's Resources tree of
// this build folder is used (SDL_VIDEODRIVER=offscreen ./kx_overlay_bench, or under xvfb-run).
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

#include "assets/AssetManagerBaseX.h"
#include "assets/FontTrueTypeX.h"
#include "bench/render/BenchRenderHost.h"
#include "render/RenderDirectX2DX.h"
#include "render/RenderDirectXX.h"
#include "tests/support/HeadlessVideoX.h"

namespace {

// Times the overlay's draw on the render thread.
class TimedOverlay : public RenderDirectX2DX {
 public:
  using RenderDirectX2DX::RenderDirectX2DX;
  void Draw() override {
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    RenderDirectX2DX::Draw();
    glFinish();
    mLastDraw = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  std::atomic<double> mLastDraw{0.0};
};

std::string LongLine(int i) {
  std::string line = "Line " + std::to_string(i) + ": ";
  while (line.size() < 100) line += "The quick brown fox jumps over the lazy dog 0123456789. ";
  return line.substr(0, 100);
}

bool EnterResources() {
#ifdef KX_RESOURCES_DIR
  const std::filesystem::path resources(KX_RESOURCES_DIR);
  if (!std::filesystem::exists(resources / "Textures/Fonts/047.png")) return false;
  std::filesystem::current_path(resources.parent_path());
  return true;
#else
  return false;
#endif
}

void BM_OverlayLayoutFullConsole(benchmark::State& state) {
  if (!EnterResources()) {
    state.SkipWithError("no generated resources");
    return;
  }
  AssetManagerBaseX::CreateSingleton();
  FontTrueTypeX* font = GetAssetImpl<FontTrueTypeX>("Lucida Console");
  if (!font) {
    state.SkipWithError("no console font");
    AssetManagerBaseX::DestroySingleton();
    return;
  }
  const int lines = static_cast<int>(state.range(0));
  std::vector<std::string> text;
  for (int i = 0; i < lines; ++i) text.push_back(LongLine(i));
  std::vector<RenderDirectX2DX::QuadX> quads;
  for (auto _ : state) {
    quads.clear();
    for (int i = 0; i < lines; ++i) {
      RenderDirectX2DX::LayoutText(*font, text[i].c_str(), 0.0f,
                                   static_cast<float>(i * font->GetCharHeight()), quads);
    }
    benchmark::DoNotOptimize(quads.data());
  }
  state.counters["glyphs"] = static_cast<double>(quads.size());
  AssetManagerBaseX::DestroySingleton();
}
BENCHMARK(BM_OverlayLayoutFullConsole)->Arg(24)->Arg(40)->Unit(benchmark::kMicrosecond);

void BM_OverlayDrawFullConsole(benchmark::State& state) {
  UseOffscreenVideoWithoutDisplay();
  if (!EnterResources()) {
    state.SkipWithError("no generated resources");
    return;
  }
  AssetManagerBaseX::CreateSingleton();
  BenchRenderHost host;
  {
    RenderDirectXX device(&host, GetAssetManager());
    if (!device.IsStarted()) {
      state.SkipWithError("no GL context");
    } else {
      device.Set2DRenderFactory(
          [](RenderDirectXX* owner) -> IRenderDevice2DX* { return new TimedOverlay(owner); });
      device.InitRender();
      auto* overlay = static_cast<TimedOverlay*>(device.Get2DRender());
      for (uint32_t i = 0; i < overlay->GetConsoleCapacity(); ++i) {
        overlay->AddText(LongLine(static_cast<int>(i)).c_str());
      }
      overlay->mHitCounter = 100;
      overlay->mKillCounter = 12;
      host.WaitFrames(3);
      for (auto _ : state) {
        host.WaitFrames(1);
        state.SetIterationTime(overlay->mLastDraw.load());
      }
      state.counters["lines"] = overlay->GetConsoleCapacity();
      state.counters["width"] = device.GetWidth();
      state.counters["height"] = device.GetHeight();
    }
    host.Quit();
  }
  AssetManagerBaseX::DestroySingleton();
}
BENCHMARK(BM_OverlayDrawFullConsole)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
