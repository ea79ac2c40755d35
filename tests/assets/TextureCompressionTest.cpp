// DXT1 compression: whole and partial blocks, checked by decompressing with libsquish and
// bounding the error; rows spread over the job threads give the same blocks as one thread.
// (The sizes of the block data and the bitmap path are checked through TextureX's tests.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "ReportCaptureX.h"
#include "assets/TextureCompressionX.h"
#include "engine/ThreadManagerX.h"
#include "tests/assets/Dxt1TestDecoder.h"

namespace {

// A smooth colour ramp: red grows with x, green with y.
std::vector<ColorX> Ramp(uint32_t width, uint32_t height) {
  std::vector<ColorX> pixels(width * height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      pixels[y * width + x] = ColorX(uint8_t(x * 3), uint8_t(y * 5), 128, 255);
  return pixels;
}

int MaxError(const std::vector<ColorX>& a, const std::vector<ColorX>& b) {
  int worst = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    worst = std::max({worst, std::abs(a[i].r - b[i].r), std::abs(a[i].g - b[i].g),
                      std::abs(a[i].b - b[i].b), std::abs(a[i].a - b[i].a)});
  }
  return worst;
}

std::vector<unsigned char> Compress(const std::vector<ColorX>& pixels, uint32_t width,
                                    uint32_t height, ThreadManagerX* jobs = nullptr) {
  std::vector<unsigned char> blocks(GetDXT1Size(width, height), 0xCD);
  CompressPixelsDXT1(pixels.data(), width, height, blocks.data(), jobs, "ramp");
  return blocks;
}

}  // namespace

TEST(TextureCompressionTest, AnySizeDecompressesCloseToTheSource) {
  ReportCaptureX capture;
  const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {2, 2}, {1, 2},  {3, 5},
                                                 {5, 3}, {4, 8}, {13, 7}, {64, 32}};
  for (auto [width, height] : sizes) {
    SCOPED_TRACE(testing::Message() << width << "x" << height);
    const std::vector<ColorX> source = Ramp(width, height);
    const std::vector<unsigned char> blocks = Compress(source, width, height);
    // Padding pixels are left out of the fit, so tiny images come back almost exactly.
    EXPECT_LE(MaxError(source, DecompressDXT1Blocks(blocks.data(), width, height)), 24);
  }
  EXPECT_TRUE(capture.Asserts().empty());
}

TEST(TextureCompressionThreadsTest, JobThreadsGiveTheSameBlocksAsOneThread) {
  ThreadManagerX::CreateSingleton(2);
  const std::vector<ColorX> source = Ramp(61, 45);
  const std::vector<unsigned char> single = Compress(source, 61, 45);
  const std::vector<unsigned char> spread = Compress(source, 61, 45, GetThreadManagerX());
  EXPECT_EQ(single, spread);
  EXPECT_LE(MaxError(source, DecompressDXT1Blocks(spread.data(), 61, 45)), 24);

  // Compressions asked for from several threads at once run one after another.
  std::vector<std::vector<unsigned char>> results(3);
  std::vector<std::thread> threads;
  for (auto& result : results) {
    threads.emplace_back(
        [&result, &source] { result = Compress(source, 61, 45, GetThreadManagerX()); });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& result : results) EXPECT_EQ(result, single);
  ThreadManagerX::DestroySingleton();
}
