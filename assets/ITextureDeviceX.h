#pragma once
// Where a texture's pixels go to be drawn: the render device. Texture assets hand it their
// pixels or DXT1 blocks and keep the device texture it gives back; any thread may ask.
#include <cstdint>

class DeviceTextureX;
class TextureX;

class ITextureDeviceX {
 public:
  // The returned device texture belongs to the caller until it is given back with
  // ReleaseResource; it gets its GL name at the render thread's next frame start. Null when the
  // request is refused. A8R8G8B8 pixels are width x height words; DXT1 data is `size` bytes of
  // 4x4 blocks; a cube texture holds its six square faces one after another.
  virtual DeviceTextureX* TextureCreate(TextureX* texture, uint32_t width, uint32_t height,
                                        const uint32_t* pixels) = 0;
  virtual DeviceTextureX* TextureCreate(TextureX* texture, uint32_t width, uint32_t height,
                                        const uint8_t* dxt1Blocks, uint32_t size) = 0;
  virtual DeviceTextureX* TextureCubeCreate(TextureX* texture, uint32_t width, uint32_t height,
                                            const uint32_t* pixels) = 0;
  virtual DeviceTextureX* TextureCubeCreate(TextureX* texture, uint32_t width, uint32_t height,
                                            const uint8_t* dxt1Blocks, uint32_t size) = 0;
  // The texture is destroyed once the render thread no longer uses it.
  virtual bool ReleaseResource(DeviceTextureX* resource) = 0;

 protected:
  ~ITextureDeviceX() = default;
};
