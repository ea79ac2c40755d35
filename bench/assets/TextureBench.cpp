// Texture costs: DXT1 compression of a 1024x1024 image on one thread and on all job threads,
// BMP and PNG decoding, and a texture loaded from its ".DXT" cache against one compressed from
// its source image.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "assets/AssetManagerBaseX.h"
#include "assets/ImageCodecX.h"
#include "assets/TextureCompressionX.h"
#include "assets/TextureX.h"
#include "engine/ThreadManagerX.h"
#include "tests/assets/BitmapTestImages.h"

namespace {

// A detailed test image: gradients with a pseudo-random speckle, like a real texture.
std::vector<ColorX> TestImage(uint32_t width, uint32_t height) {
  std::vector<ColorX> pixels(width * height);
  uint32_t noise = 12345;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      const uint8_t speckle = static_cast<uint8_t>((noise >> 16) & 31);
      pixels[y * width + x] = ColorX(uint8_t(x * 255 / width + speckle / 2),
                                     uint8_t(y * 255 / height), uint8_t(128 + speckle), 255);
    }
  }
  return pixels;
}

void CompressDXT1(benchmark::State& state, bool useJobs) {
  constexpr uint32_t kSize = 1024;
  const std::vector<ColorX> pixels = TestImage(kSize, kSize);
  std::vector<unsigned char> blocks(GetDXT1Size(kSize, kSize));
  if (useJobs) ThreadManagerX::CreateSingleton();
  for (auto _ : state) {
    CompressPixelsDXT1(pixels.data(), kSize, kSize, blocks.data(),
                       useJobs ? GetThreadManagerX() : nullptr, "bench");
    benchmark::DoNotOptimize(blocks.data());
  }
  state.counters["threads"] = useJobs ? GetThreadManagerX()->GetThreadCount() + 1 : 1;
  state.counters["MPixel/s"] = benchmark::Counter(
      double(kSize) * kSize * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
  if (useJobs) ThreadManagerX::DestroySingleton();
}

void BM_DXT1_1024_OneThread(benchmark::State& state) { CompressDXT1(state, false); }
void BM_DXT1_1024_AllJobThreads(benchmark::State& state) { CompressDXT1(state, true); }
BENCHMARK(BM_DXT1_1024_OneThread)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_DXT1_1024_AllJobThreads)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// --- decoding --------------------------------------------------------------------------------

std::vector<uint8_t> Bmp24(uint32_t width, uint32_t height, const std::vector<ColorX>& pixels) {
  BitmapX bitmap(width, height);
  std::memcpy(bitmap.GetBitmap32Bit().begin(), pixels.data(), pixels.size() * sizeof(ColorX));
  const std::string path = std::filesystem::temp_directory_path() / "kx_bench_image.bmp";
  bitmap.Save(StringX(path.c_str()));
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  std::filesystem::remove(path);
  return bytes;
}

void SetDecodeCounters(benchmark::State& state, uint32_t pixels, size_t bytes) {
  state.SetBytesProcessed(int64_t(bytes) * state.iterations());
  state.counters["MPixel/s"] = benchmark::Counter(double(pixels) * double(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}

void BM_DecodeBmp24_512(benchmark::State& state) {
  const std::vector<uint8_t> file = Bmp24(512, 512, TestImage(512, 512));
  for (auto _ : state) {
    BitmapX bitmap(StringX("bench.bmp"), file.data(), uint32_t(file.size()));
    bitmap.ConvertInto32Bitmap();
    benchmark::DoNotOptimize(bitmap.GetBitmap32Bit().begin());
  }
  SetDecodeCounters(state, 512 * 512, file.size());
}
BENCHMARK(BM_DecodeBmp24_512)->Unit(benchmark::kMillisecond);

void BM_DecodePng_512(benchmark::State& state) {
  const std::vector<uint8_t> file = MakePng(512, 512, TestImage(512, 512).data());
  for (auto _ : state) {
    DecodedImageX image;
    StringX error;
    image.DecodePng(file.data(), file.size(), error);
    BitmapX bitmap(image.GetImage());
    benchmark::DoNotOptimize(bitmap.GetBitmap32Bit().begin());
  }
  SetDecodeCounters(state, 512 * 512, file.size());
}
BENCHMARK(BM_DecodePng_512)->Unit(benchmark::kMillisecond);

// --- cache against source ---------------------------------------------------------------------

// A working folder with Resources\Textures\bench.png (512x512), the asset manager and the pool.
class TextureWorld {
 public:
  TextureWorld() : mOld(std::filesystem::current_path()) {
    mFolder =
        std::filesystem::temp_directory_path() / ("kx_texture_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(mFolder / "Resources/Textures");
    const std::vector<uint8_t> png = MakePng(512, 512, TestImage(512, 512).data());
    std::ofstream(mFolder / "Resources/Textures/bench.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    std::filesystem::current_path(mFolder);
    AssetManagerBaseX::CreateSingleton();
    ThreadManagerX::CreateSingleton();
  }
  ~TextureWorld() {
    ThreadManagerX::DestroySingleton();
    AssetManagerBaseX::DestroySingleton();
    std::filesystem::current_path(mOld);
    std::filesystem::remove_all(mFolder);
  }
  // Loads the texture as a fresh request; without the cache file it is compressed again.
  void Load(bool keepCache) {
    if (!keepCache) std::filesystem::remove(mFolder / "Resources/SavedData/bench.DXT");
    TextureX* texture = GetAssetImpl<TextureX>("bench.png");
    benchmark::DoNotOptimize(texture);
    GetAssetManager()->RemoveAsset(texture);
  }

 private:
  std::filesystem::path mOld;
  std::filesystem::path mFolder;
};

void BM_Texture512_FromSource(benchmark::State& state) {
  TextureWorld world;
  for (auto _ : state) world.Load(false);
}
void BM_Texture512_FromCache(benchmark::State& state) {
  TextureWorld world;
  world.Load(false);
  for (auto _ : state) world.Load(true);
}
BENCHMARK(BM_Texture512_FromSource)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Texture512_FromCache)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
