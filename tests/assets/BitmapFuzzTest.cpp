// Mutated BMP files, WAL headers and PNG files through the readers: under AddressSanitizer
// any read past the data or oversized allocation fails the run. Deterministic (fixed seed).
#include <gtest/gtest.h>

#include <random>

#include "BitmapFuzzInput.h"
#include "BitmapTestImages.h"
#include "ReportCaptureX.h"
#include "ScratchFolderX.h"

namespace {

std::vector<std::vector<uint8_t>> Seeds() {
  const std::vector<RgbX> palette(16, RgbX{10, 20, 30});
  std::vector<std::vector<uint8_t>> files = {
      MakeBmp(5, 3, 1, {palette[0], palette[1]}, {{0xA8}, {0x50}, {0xF8}}),
      MakeBmp(5, -3, 4, palette, {{0x12, 0x34, 0x50}, {0x65, 0x43, 0x20}, {0xFF, 0xFF, 0xF0}}),
      MakeBmp(3, 2, 8, palette, {{1, 2, 3}, {4, 5, 6}}),
      MakeSolidBmp(7, 5, {1, 2, 3}),
      MakeBmp(2, 2, 32, {}, {{1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11, 12, 13, 14, 15, 16}}),
  };
  for (auto& file : files) file.insert(file.begin(), 0);  // BMP reader
  std::vector<uint8_t> wal(101, 0);
  wal[0] = 1;
  wal[1 + 32] = 64;
  wal[1 + 36] = 64;
  files.push_back(wal);
  std::vector<uint8_t> png = MakePng(3, 3, std::vector<uint8_t>(36, 77));
  png.insert(png.begin(), 2);
  files.push_back(png);
  return files;
}

// Overwrites a header field with a boundary value, flips bytes, or cuts the file.
void Mutate(std::vector<uint8_t>& file, std::mt19937& random) {
  static const uint32_t kValues[] = {0, 1, 3, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 65536, 40, 54};
  switch (random() % 4) {
    case 0:
      if (file.size() > 5) {
        const size_t offset = 1 + random() % std::min<size_t>(file.size() - 5, 100);
        const uint32_t value = kValues[random() % std::size(kValues)];
        std::memcpy(file.data() + offset, &value, 4);
      }
      break;
    case 1:
      file[random() % file.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
      break;
    case 2:
      file.resize(1 + random() % file.size());
      break;
    default:
      if (file.size() > 1) file[1 + random() % (file.size() - 1)] = static_cast<uint8_t>(random());
      break;
  }
}

}  // namespace

TEST(BitmapFuzzTest, MutatedFilesNeverBreakTheReaders) {
  ReportCaptureX capture;  // the readers report what they refuse
  std::mt19937 random(20261206);
  const std::vector<std::vector<uint8_t>> seeds = Seeds();
  for (const auto& seed : seeds) FuzzImageReaders(seed.data(), seed.size());
  for (int round = 0; round < 20000; ++round) {
    std::vector<uint8_t> file = seeds[random() % seeds.size()];
    const int mutations = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < mutations && !file.empty(); ++i) Mutate(file, random);
    FuzzImageReaders(file.data(), file.size());
  }
  SUCCEED();
}
