#include "render/DeviceTextureX.h"

#include <epoxy/gl.h>
#include <squish.h>

#include <algorithm>

#include "engine/ReportHooksX.h"

void TextureUploaderX::DetectCapabilities() {
  mHasS3TC = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
}

bool TextureUploaderX::UploadsCompressed() const {
  return mHasS3TC.load(std::memory_order_acquire) && !mUnpackDXT1.load(std::memory_order_acquire);
}

uint64_t TextureUploaderX::RequiredBytes(TextureKindX kind, TextureFormatX format, uint32_t width,
                                         uint32_t height) {
  const uint64_t faces = kind == TEXTUREKIND_CUBE ? 6 : 1;
  if (format == TEXTUREFORMAT_DXT1) {
    const uint64_t blocks = ((uint64_t{width} + 3) / 4) * ((uint64_t{height} + 3) / 4);
    return blocks * 8 * faces;
  }
  return uint64_t{width} * height * 4 * faces;
}

std::vector<uint8_t> TextureUploaderX::DecompressDXT1(const uint8_t* blocks, uint32_t width,
                                                      uint32_t height) {
  std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
  const uint32_t blocksWide = (width + 3) / 4;
  const uint32_t blocksHigh = (height + 3) / 4;
  uint8_t block[16 * 4];
  for (uint32_t by = 0; by < blocksHigh; ++by) {
    for (uint32_t bx = 0; bx < blocksWide; ++bx) {
      squish::Decompress(block, blocks + (static_cast<size_t>(by) * blocksWide + bx) * 8,
                         squish::kDxt1);
      // Copy the part of the 4x4 block that lies inside the image.
      for (uint32_t py = 0; py < 4 && by * 4 + py < height; ++py) {
        const uint32_t columns = std::min<uint32_t>(4, width - bx * 4);
        uint8_t* out = &rgba[((static_cast<size_t>(by) * 4 + py) * width + bx * 4) * 4];
        std::copy_n(&block[py * 16], columns * 4, out);
      }
    }
  }
  return rgba;
}

void TextureUploaderX::UploadFace(uint32_t target, const DeviceTextureX& texture,
                                  const uint8_t* data) {
  const GLsizei w = static_cast<GLsizei>(texture.GetWidth());
  const GLsizei h = static_cast<GLsizei>(texture.GetHeight());
  if (texture.GetFormat() == TEXTUREFORMAT_A8R8G8B8) {
    // 0xAARRGGBB words lie in memory blue, green, red, alpha.
    glTexImage2D(target, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, data);
  } else if (UploadsCompressed()) {
    const GLsizei bytes = static_cast<GLsizei>(
        RequiredBytes(TEXTUREKIND_2D, TEXTUREFORMAT_DXT1, texture.GetWidth(), texture.GetHeight()));
    // The RGBA variant keeps the blocks' one-bit transparency.
    glCompressedTexImage2D(target, 0, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, w, h, 0, bytes, data);
  } else {
    const std::vector<uint8_t> rgba = DecompressDXT1(data, texture.GetWidth(), texture.GetHeight());
    glTexImage2D(target, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  }
}

bool TextureUploaderX::Upload(const TextureUploadX& upload) {
  DeviceTextureX* texture = upload.mTexture;
  const uint64_t required = RequiredBytes(texture->GetKind(), texture->GetFormat(),
                                          texture->GetWidth(), texture->GetHeight());
  if (texture->GetWidth() == 0 || texture->GetHeight() == 0 || upload.mData.size() < required) {
    LogMessage("RenderDevice, texture not created: its size does not match its data");
    return false;
  }
  while (glGetError() != GL_NO_ERROR) {
  }
  const bool cube = texture->GetKind() == TEXTUREKIND_CUBE;
  const GLenum target = cube ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(target, name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (cube) {
    const size_t faceBytes = static_cast<size_t>(required / 6);
    for (uint32_t face = 0; face < 6; ++face) {
      UploadFace(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, *texture,
                 upload.mData.data() + face * faceBytes);
    }
  } else {
    UploadFace(GL_TEXTURE_2D, *texture, upload.mData.data());
  }
  if (glGetError() != GL_NO_ERROR) {
    LogMessage("RenderDevice, texture not created: the driver refused its pixels");
    glBindTexture(target, 0);
    glDeleteTextures(1, &name);
    return false;
  }
  // Full mipmap chain, filtered linearly between and within levels.
  glGenerateMipmap(target);
  GLint minFilter = GL_LINEAR_MIPMAP_LINEAR;
  if (glGetError() != GL_NO_ERROR) {  // a driver that cannot build levels of compressed data
    glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, 0);
    minFilter = GL_LINEAR;
  }
  glTexParameteri(target, GL_TEXTURE_MIN_FILTER, minFilter);
  glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  const GLint wrap = cube ? GL_CLAMP_TO_EDGE : GL_REPEAT;
  glTexParameteri(target, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(target, GL_TEXTURE_WRAP_T, wrap);
  if (cube) glTexParameteri(target, GL_TEXTURE_WRAP_R, wrap);
  glBindTexture(target, 0);
  texture->mStoredCompressed.store(
      texture->GetFormat() == TEXTUREFORMAT_DXT1 && UploadsCompressed(), std::memory_order_release);
  texture->mName.store(name, std::memory_order_release);
  return true;
}

void TextureUploaderX::Release(DeviceTextureX* texture) {
  const GLuint name = texture->GetName();
  if (name != 0) glDeleteTextures(1, &name);
  delete texture;
}
