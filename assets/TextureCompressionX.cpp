#include "assets/TextureCompressionX.h"

#include <squish.h>

#include <chrono>
#include <mutex>
#include <vector>

#include "engine/ReportHooksX.h"
#include "engine/ThreadManagerX.h"

namespace {

constexpr uint32_t kStride = 8;  // bytes per DXT1 block
constexpr int kFlags = squish::kDxt1 | squish::kColourIterativeClusterFit;

// The compression in progress, read by the row jobs. One compression at a time.
std::mutex sCompressLock;
const ColorX* sPixels = nullptr;
uint32_t sWidth = 0;
uint32_t sHeight = 0;
unsigned char* sOutput = nullptr;

uint32_t BlocksOf(uint32_t pixels) { return (pixels + 3) / 4; }

// Compresses the blocks of one row of blocks, left to right.
void CompressBlockRow(uint32_t row) {
  KX_ASSERT(row < BlocksOf(sHeight), "CompressTextureThread");
  if (row >= BlocksOf(sHeight)) return;
  const uint32_t blocksX = BlocksOf(sWidth);
  for (uint32_t column = 0; column < blocksX; ++column) {
    ColorX block[16];
    for (ColorX& pixel : block) pixel = ColorX(0, 0, 0, 255);
    int mask = 0;
    for (uint32_t py = 0; py < 4; ++py) {
      const uint32_t y = row * 4 + py;
      if (y >= sHeight) break;
      for (uint32_t px = 0; px < 4; ++px) {
        const uint32_t x = column * 4 + px;
        if (x >= sWidth) break;
        block[py * 4 + px] = sPixels[y * sWidth + x];
        mask |= 1 << (py * 4 + px);
      }
    }
    squish::CompressMasked(reinterpret_cast<const squish::u8*>(block), mask,
                           sOutput + (blocksX * row + column) * kStride, kFlags);
  }
}

// Spreads the rows over the job threads; runs them here when there is no job pool.
void RunRows(uint32_t rowCount, ThreadManagerX* jobs) {
  std::vector<uint32_t> rows(rowCount);
  for (uint32_t i = 0; i < rowCount; ++i) rows[i] = i;
  if (jobs && rowCount > 1) {
    jobs->RunJobBatch(CompressTextureThread, rows.data(), rowCount, sizeof(uint32_t));
    return;
  }
  for (uint32_t& row : rows) CompressTextureThread(&row);
}

}  // namespace

uint32_t GetDXT1Size(uint32_t width, uint32_t height) {
  return BlocksOf(width) * BlocksOf(height) * kStride;
}

uint32_t CompressTextureThread(void* data) {
  CompressBlockRow(*static_cast<const uint32_t*>(data));
  return 0;
}

void CompressPixelsDXT1(const ColorX* pixels, uint32_t width, uint32_t height,
                        unsigned char* output, ThreadManagerX* jobs, const StringX& name) {
  if (!pixels || !output || width == 0 || height == 0) return;
  const auto start = std::chrono::steady_clock::now();
  {
    std::lock_guard<std::mutex> lock(sCompressLock);
    sPixels = pixels;
    sWidth = width;
    sHeight = height;
    sOutput = output;
    RunRows(BlocksOf(height), jobs);
    sPixels = nullptr;
    sOutput = nullptr;
  }
  const float seconds =
      std::chrono::duration<float>(std::chrono::steady_clock::now() - start).count();
  LogMessage((StringX("Image ") + name + " took " + seconds + " sec to compress").GetCharArray());
}

void CompressTextureDXT1(const BitmapX& bitmap, ArrayX<unsigned char>& output,
                         ThreadManagerX* jobs) {
  const uint32_t sizeReq = GetDXT1Size(bitmap.GetWidth(), bitmap.GetHeight());
  KX_ASSERT(sizeReq % kStride == 0, "TextureX::CompressTextureDXT1");
  output.Clear();
  if (sizeReq == 0 || bitmap.GetBitmap32Bit().Empty()) return;
  output.Resize(sizeReq);
  CompressPixelsDXT1(bitmap.GetBitmap32Bit().begin(), bitmap.GetWidth(), bitmap.GetHeight(),
                     output.begin(), jobs, bitmap.GetName());
}
