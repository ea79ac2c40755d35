#include "assets/ImageCodecX.h"

#include <png.h>

#include <cstring>

bool DecodedImageX::IsPng(const unsigned char* data, uint64_t size) {
  return data && size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

bool DecodedImageX::DecodePng(const unsigned char* data, uint64_t size, StringX& error) {
  mPixels.clear();
  mWidth = mHeight = 0;
  if (!IsPng(data, size)) {
    error = "not a PNG file";
    return false;
  }
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    error = StringX("bad PNG header: ") + image.message;
    return false;
  }
  if (image.width == 0 || image.height == 0 ||
      uint64_t{image.width} * image.height > BitmapX::sMaxPixels) {
    error = StringX("PNG size not supported (") + image.width + "x" + image.height + ")";
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    error = StringX("bad PNG data: ") + image.message;
    png_image_free(&image);
    return false;
  }
  mWidth = image.width;
  mHeight = image.height;
  mPixels.swap(pixels);
  png_image_free(&image);
  return true;
}

CodecImageX DecodedImageX::GetImage() const {
  CodecImageX image;
  image.width = mWidth;
  image.height = mHeight;
  image.bitsPerPixel = 32;
  image.pitch = mWidth * 4;
  image.pixels = mPixels.empty() ? nullptr : mPixels.data();
  return image;
}
