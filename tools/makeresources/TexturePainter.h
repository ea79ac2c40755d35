// Procedural pictures: the city's wall textures, the night sky faces, the crosshair sheet,
// the bot's skin and the fallback texture. Every picture depends only on its arguments.
#pragma once

#include <string>

#include "Image.h"

namespace kxres {

enum class Surface {
  Brick,
  DarkBrick,
  Concrete,
  Asphalt,
  Pavement,
  Windows,
  OfficeWindows,
  Metal,
  Roof,
  Lamp
};

class TexturePainter {
 public:
  static Image Wall(Surface surface, int size);
  // Sky face: "rt", "lf", "up", "dn", "ft", "bk" of a night sky with stars and a city glow.
  static Image SkyFace(const std::string& face, int size);
  // Crosshair sheet; the crosshair the game draws sits in the rectangle (0, 48)-(22, 70).
  static Image Crosshairs();
  // Bot skin: uniform, skin, helmet and gun regions laid out as the model's texture coordinates
  // expect.
  static Image InfantrySkin(int width, int height);
  // The texture every missing image falls back to: a magenta and black check.
  static Image Fallback();
};

}  // namespace kxres
