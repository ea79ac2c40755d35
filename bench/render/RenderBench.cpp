// Render device costs on this machine's GL: unpacking DXT1 for drivers without S3TC, and whole
// frames (clear, present, read-back free) of the render thread at the screen size.
// Run by hand: SDL_VIDEODRIVER=offscreen ./kx_render_bench, or under xvfb-run.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/render/BenchRenderHost.h"
#include "render/DeviceTextureX.h"
#include "render/RenderDirectXX.h"
#include "tests/support/HeadlessVideoX.h"

namespace {

void BM_DecompressDXT1(benchmark::State& state) {
  const uint32_t size = static_cast<uint32_t>(state.range(0));
  std::vector<uint8_t> blocks(static_cast<size_t>(size / 4) * (size / 4) * 8);
  for (size_t i = 0; i < blocks.size(); ++i) blocks[i] = static_cast<uint8_t>(i * 37 + 11);
  for (auto _ : state) {
    std::vector<uint8_t> rgba = TextureUploaderX::DecompressDXT1(blocks.data(), size, size);
    benchmark::DoNotOptimize(rgba.data());
  }
  state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(BM_DecompressDXT1)->Arg(256)->Arg(1024);

void BM_EmptyFrame(benchmark::State& state) {
  UseOffscreenVideoWithoutDisplay();
  BenchRenderHost host;
  RenderDirectXX device(&host, nullptr);
  if (!device.IsStarted()) {
    state.SkipWithError("no GL context");
    return;
  }
  if (state.range(0)) device.ToggleFullClearBackBuffer();
  host.WaitFrames(2);
  for (auto _ : state) host.WaitFrames(1);
  state.counters["width"] = device.GetWidth();
  state.counters["height"] = device.GetHeight();
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  host.Quit();
}
// 0: depth and stencil cleared only; 1: colour too.
BENCHMARK(BM_EmptyFrame)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
