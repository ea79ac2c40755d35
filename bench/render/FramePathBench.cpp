// Frames per second of the whole render path (the city with its lightmaps, the sky box and the
// overlay) along a fixed camera path through the city, with the engine and the render thread
// paced by the frame hand-off as in the game. Prints where the time goes: the engine's update,
// the render thread's work (wall and CPU time) and the waiting on each side.
// Run by hand, at 1280x720 on the software renderer:
//   KX_SOURCE_DIR=<repo> xvfb-run -s "-screen 0 1280x720x24" ./kx_frame_path_bench
// It works in the folder above the generated Resources tree (this build folder's, or the one of
// <repo>/build).
#include <benchmark/benchmark.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "assets/AssetManagerBaseX.h"
#include "assets/TextureX.h"
#include "engine/ReportHooksX.h"
#include "game/CameraX.h"
#include "geometry/MeshX.h"
#include "loaders/MeshLoaderX.h"
#include "loaders/Object3DManagerX.h"
#include "loaders/Object3DX.h"
#include "render/RenderDeviceSetUpX.h"
#include "render/RenderDirectXX.h"
#include "render/RenderHostX.h"
#include "render/RenderableManagerX.h"
#include "render/SyncEngineRenderX.h"
#include "tests/support/HeadlessVideoX.h"

namespace {

using ClockX = std::chrono::steady_clock;

double Seconds(ClockX::duration d) { return std::chrono::duration<double>(d).count(); }
double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The engine side of the device over the real frame hand-off, timing the render thread: its
// work is everything between two hand-offs, its waiting the hand-off itself.
class PathHostX : public IRenderHostX {
 public:
  bool IsQuitting() const override { return mQuit; }
  void Quit() override { mQuit = true; }
  float GetFrameTime() const override { return 1.0f / 60.0f; }
  bool IsRunning() const override { return SyncEngineRenderX::IsRunning(); }
  int32_t GetRenderBufferIndex() const override {
    return SyncEngineRenderX::GetRenderBufferIndex();
  }
  void WaitForInit() override {
    SyncEngineRenderX::WaitForInit();
    mWorkStart = ClockX::now();
    mCpuStart = ThreadCpuSeconds();
  }
  void RenderThreadDoneWithFrame() override {
    const ClockX::time_point done = ClockX::now();
    const double cpu = ThreadCpuSeconds();
    SyncEngineRenderX::RenderThreadDoneWithFrame();
    const ClockX::time_point resumed = ClockX::now();
    if (mMeasuring) {
      mRenderWork += Seconds(done - mWorkStart);
      mRenderCpu += cpu - mCpuStart;
      mRenderWait += Seconds(resumed - done);
      ++mRenderFrames;
    }
    mWorkStart = resumed;
    mCpuStart = ThreadCpuSeconds();
  }
  void EngineThreadDoneWithFrame() override { SyncEngineRenderX::EngineThreadDoneWithFrame(); }
  void ReleaseGates() override { SyncEngineRenderX::ReleaseGates(); }

  std::atomic<bool> mQuit{false};
  std::atomic<bool> mMeasuring{false};
  // Render thread only until the run has stopped measuring and waited a frame.
  double mRenderWork = 0, mRenderCpu = 0, mRenderWait = 0;
  uint64_t mRenderFrames = 0;

 private:
  ClockX::time_point mWorkStart;
  double mCpuStart = 0;
};

std::filesystem::path FindResources() {
  std::vector<std::filesystem::path> candidates{std::filesystem::current_path() / "../../Resources",
                                                std::filesystem::current_path() / "Resources"};
  if (const char* source = std::getenv("KX_SOURCE_DIR")) {
    candidates.push_back(std::filesystem::path(source) / "build" / "Resources");
  }
  for (const std::filesystem::path& candidate : candidates) {
    if (std::filesystem::exists(candidate / "maps/bwcity2.bsp") &&
        std::filesystem::exists(candidate / "ShaderPrograms/SimpleTexturedLightmap.glsl")) {
      return std::filesystem::absolute(candidate).lexically_normal();
    }
  }
  return {};
}

// The fixed path: a loop around the middle of the city at a share of its height (above the
// roofs, or down between the houses), looking ahead along the loop and a little down.
void PlaceCamera(CameraX& camera, const BoundingAxisAllignedBoxX& box, float t, float height) {
  const Vector3fX centre = (box.min + box.max) * 0.5f;
  const Vector3fX size = box.max - box.min;
  const float angle = t * 6.2831853f;
  camera.mPosition = {centre.x + 0.3f * size.x * std::cos(angle), box.min.y + height * size.y,
                      centre.z + 0.3f * size.z * std::sin(angle)};
  Vector3fX ahead{-std::sin(angle) * size.x, -0.5f * height * size.y, std::cos(angle) * size.z};
  camera.SetDirection(ahead.Normalized());
  camera.UpdateViewMatrix();
  camera.TakeRenderSnapshot();
}

void BM_CameraPathThroughCity(benchmark::State& state) {
  UseOffscreenVideoWithoutDisplay();
  if (std::getenv("KX_BENCH_LOG")) {
    SetReportHooks({[](const char* text) { std::fprintf(stderr, "log: %s\n", text); },
                    [](const char*, const char* function, int32_t, const char* text) {
                      std::fprintf(stderr, "report: %s %s\n", function, text);
                    },
                    nullptr, nullptr});
  }
  const std::filesystem::path resources = FindResources();
  if (resources.empty()) {
    state.SkipWithError("no generated Resources tree with the city and the shader programs");
    return;
  }
  const std::filesystem::path oldFolder = std::filesystem::current_path();
  std::filesystem::current_path(resources.parent_path());
  AssetManagerBaseX::CreateSingleton();
  MeshLoaderX::CreateSingleton();
  const int frames = static_cast<int>(state.range(0));
  const float height = static_cast<float>(state.range(1)) / 100.0f;
  {
    Object3DManagerX objects("Resources\\", GetAssetManager());
    SyncEngineRenderX sync;
    PathHostX host;
    // The device goes first: its render thread lets go of the renderables (which hold the
    // manager's entries) and of the camera before it ends.
    RenderableManagerX manager;
    CameraX camera;
    RenderDirectXX device(&host, GetAssetManager());
    if (!device.IsStarted()) {
      state.SkipWithError("no GL 3.3 context");
    } else {
      SetUpRenderDevice(device, manager);
      device.SetCamera(&camera);
      device.InitRender();
      SyncEngineRenderX::InitDone();

      Object3DX* city = objects.GetObject3DX("bwcity2.bsp");
      const char* faces[] = {"env\\wnightrt.png", "env\\wnightlf.png", "env\\wnightup.png",
                             "env\\wnightdn.png", "env\\wnightft.png", "env\\wnightbk.png"};
      std::vector<TextureX*> sky;
      for (const char* face : faces) sky.push_back(GetAssetImpl<TextureX>(face));
      device.SetSkyBoxTextures(sky);
      BoundingAxisAllignedBoxX box;
      if (city && city->GetMesh()) {
        box = BoundingAxisAllignedBoxX(city->GetMesh()->mVertexList);
        device.AddObject3D(city);
      }
      PlaceCamera(camera, box, 0.0f, height);
      camera.TakeRenderSnapshotBoth();
      SyncEngineRenderX::SetRunning();

      // What the path shows: the share of pixels that are not black in one frame.
      std::future<FrameCaptureX> shot = device.CaptureNextFrame();
      for (int i = 0;
           i < 30 && shot.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready;
           ++i) {
        PlaceCamera(camera, box, 0.0f, height);
        host.EngineThreadDoneWithFrame();
      }
      double lit = 0;
      if (shot.wait_for(std::chrono::seconds(30)) == std::future_status::ready) {
        const FrameCaptureX frame = shot.get();
        for (size_t p = 0; p + 3 < frame.mPixels.size(); p += 4) {
          lit += frame.mPixels[p] + frame.mPixels[p + 1] + frame.mPixels[p + 2] > 24;
        }
        lit /= double(frame.mPixels.size() / 4);
      }
      double update = 0, engineWait = 0, total = 0;
      for (auto _ : state) {
        // Warm-up: the city's renderable, textures and programs are made in the first frames.
        for (int i = 0; i < 30; ++i) {
          PlaceCamera(camera, box, 0.0f, height);
          host.EngineThreadDoneWithFrame();
        }
        host.mMeasuring = true;
        const ClockX::time_point start = ClockX::now();
        for (int i = 0; i < frames; ++i) {
          const ClockX::time_point frameStart = ClockX::now();
          PlaceCamera(camera, box, float(i) / float(frames), height);
          const ClockX::time_point updated = ClockX::now();
          host.EngineThreadDoneWithFrame();
          update += Seconds(updated - frameStart);
          engineWait += Seconds(ClockX::now() - updated);
        }
        total = Seconds(ClockX::now() - start);
        host.mMeasuring = false;
        host.EngineThreadDoneWithFrame();  // one more hand-off: the render thread's sums settle
        host.EngineThreadDoneWithFrame();
      }
      host.Quit();
      SyncEngineRenderX::ReleaseGates();
      const double n = frames;
      const double renderFrames = host.mRenderFrames ? double(host.mRenderFrames) : 1.0;
      state.counters["fps"] = n / total;
      std::printf(
          "\nCamera path through bwcity2.bsp at %.0f%% of its height: %d frames at %ux%u on %s\n",
          height * 100.0f, frames, device.GetWidth(), device.GetHeight(),
          device.HasS3TC() ? "a driver with S3TC" : "a driver without S3TC");
      std::printf("city %s, %u renderables, %.0f%% of the first frame's pixels not black\n",
                  city ? "loaded" : "NOT loaded", unsigned(device.GetRenderableCount()),
                  lit * 100.0);
      std::printf("%-34s %12s %10s\n", "", "ms / frame", "share");
      const double frameMs = total / n * 1000.0;
      auto row = [&](const char* name, double ms) {
        std::printf("%-34s %12.2f %9.1f%%\n", name, ms, 100.0 * ms / frameMs);
      };
      row("engine thread: update", update / n * 1000.0);
      row("engine thread: waiting for render", engineWait / n * 1000.0);
      row("render thread: work (wall)", host.mRenderWork / renderFrames * 1000.0);
      row("render thread: work (its CPU time)", host.mRenderCpu / renderFrames * 1000.0);
      row("render thread: waiting for engine", host.mRenderWait / renderFrames * 1000.0);
      std::printf("%-34s %12.2f\n", "frame (wall)", frameMs);
      std::printf("%-34s %12.1f\n", "frames per second", n / total);
    }
  }
  MeshLoaderX::DestroySingleton();
  AssetManagerBaseX::DestroySingleton();
  std::filesystem::current_path(oldFolder);
}
BENCHMARK(BM_CameraPathThroughCity)
    ->Args({300, 35})
    ->Args({300, 10})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
