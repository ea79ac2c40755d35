// DXT1 compression: whole and partial blocks, checked by decompressing with libsquish and
// bounding the error; rows spread over the job threads give the same blocks as one thread.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "ReportCaptureX.h"
#include "ScratchFolderX.h"
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

TEST(TextureCompressionTest, SizesOfWholeAndPartialBlocks) {
  EXPECT_EQ(GetDXT1Size(4, 8), 16u);
  EXPECT_EQ(GetDXT1Size(3, 5), 16u);
  EXPECT_EQ(GetDXT1Size(1, 1), 8u);
  EXPECT_EQ(GetDXT1Size(2, 2), 8u);
  EXPECT_EQ(GetDXT1Size(308, 193), 77u * 49u * 8u);
}

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

TEST(TextureCompressionTest, BitmapIsCompressedIntoItsArray) {
  BitmapX bitmap(8, 4);
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 8; ++x) bitmap.SetPixel(x, y, ColorX(200, 10, 10, 255));
  ArrayX<unsigned char> output;
  CompressTextureDXT1(bitmap, output, nullptr);
  ASSERT_EQ(output.Size(), 16u);
  const std::vector<ColorX> back = DecompressDXT1Blocks(output.begin(), 8, 4);
  EXPECT_LE(
      MaxError(std::vector<ColorX>(bitmap.GetBitmap32Bit().begin(), bitmap.GetBitmap32Bit().end()),
               back),
      8);
}

TEST(TextureCompressionTest, TimeIsLogged) {
  ReportCaptureX capture;
  Compress(Ramp(4, 4), 4, 4);
  bool found = false;
  for (const std::string& line : capture.Logs()) {
    found |= line.rfind("Image ramp took ", 0) == 0 &&
             line.find(" sec to compress") != std::string::npos;
  }
  EXPECT_TRUE(found);
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
