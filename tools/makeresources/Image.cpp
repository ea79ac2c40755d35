#include "Image.h"

#include <png.h>

#include <algorithm>
#include <stdexcept>

#include "ByteBuffer.h"

namespace kxres {

Image::Image(int width, int height, Rgba fill)
    : mWidth(width), mHeight(height), mPixels(static_cast<size_t>(width) * height * 4) {
  for (size_t i = 0; i < mPixels.size(); i += 4) {
    mPixels[i] = fill.r;
    mPixels[i + 1] = fill.g;
    mPixels[i + 2] = fill.b;
    mPixels[i + 3] = fill.a;
  }
}

Rgba Image::Get(int x, int y) const {
  const size_t i = (static_cast<size_t>(y) * mWidth + x) * 4;
  return {mPixels[i], mPixels[i + 1], mPixels[i + 2], mPixels[i + 3]};
}

void Image::Set(int x, int y, Rgba c) {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return;
  const size_t i = (static_cast<size_t>(y) * mWidth + x) * 4;
  mPixels[i] = c.r;
  mPixels[i + 1] = c.g;
  mPixels[i + 2] = c.b;
  mPixels[i + 3] = c.a;
}

void Image::Blend(int x, int y, Rgba c, float t) {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return;
  t = std::clamp(t, 0.0f, 1.0f);
  Rgba p = Get(x, y);
  auto mix = [t](uint8_t a, uint8_t b) {
    return static_cast<uint8_t>(static_cast<float>(a) + (static_cast<float>(b) - a) * t + 0.5f);
  };
  p.r = mix(p.r, c.r);
  p.g = mix(p.g, c.g);
  p.b = mix(p.b, c.b);
  p.a = std::max(p.a, static_cast<uint8_t>(c.a * t + 0.5f));
  Set(x, y, p);
}

void Image::FillRect(int x0, int y0, int x1, int y1, Rgba c) {
  for (int y = std::max(0, y0); y < std::min(mHeight, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(mWidth, x1); ++x) Set(x, y, c);
}

namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

// libpng reports errors by longjmp, so this function keeps no locals that change after setjmp.
void WritePng(const Image& image, int channels, std::vector<uint8_t>& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng: out of memory");
  }
  std::vector<uint8_t> row(static_cast<size_t>(image.Width()) * channels);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng: encoding failed");
  }
  png_set_write_fn(png, &out, AppendToVector, nullptr);
  png_set_IHDR(png, info, image.Width(), image.Height(), 8,
               channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 6);
  png_write_info(png, info);
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const Rgba c = image.Get(x, y);
      uint8_t* p = &row[static_cast<size_t>(x) * channels];
      p[0] = c.r;
      p[1] = c.g;
      p[2] = c.b;
      if (channels == 4) p[3] = c.a;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
}

}  // namespace

std::vector<uint8_t> EncodePng(const Image& image) {
  bool opaque = true;
  for (size_t i = 3; i < image.Pixels().size(); i += 4) opaque = opaque && image.Pixels()[i] == 255;
  std::vector<uint8_t> out;
  WritePng(image, opaque ? 3 : 4, out);
  return out;
}

std::vector<uint8_t> EncodeBmp24(const Image& image) {
  const uint32_t rowBytes = (static_cast<uint32_t>(image.Width()) * 3 + 3) & ~3u;
  const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(image.Height());
  ByteBuffer b;
  b.U8('B');
  b.U8('M');
  b.U32(54 + pixelBytes);  // file size
  b.U16(0);
  b.U16(0);
  b.U32(54);  // pixel data offset
  b.U32(40);  // info header size
  b.I32(image.Width());
  b.I32(image.Height());  // positive: bottom-up rows
  b.U16(1);               // planes
  b.U16(24);              // bits per pixel
  b.U32(0);               // BI_RGB
  b.U32(pixelBytes);
  b.I32(2835);  // 72 dpi
  b.I32(2835);
  b.U32(0);
  b.U32(0);
  for (int y = image.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < image.Width(); ++x) {
      const Rgba c = image.Get(x, y);
      b.U8(c.b);
      b.U8(c.g);
      b.U8(c.r);
    }
    for (uint32_t pad = static_cast<uint32_t>(image.Width()) * 3; pad < rowBytes; ++pad) b.U8(0);
  }
  return b.Data();
}

}  // namespace kxres
