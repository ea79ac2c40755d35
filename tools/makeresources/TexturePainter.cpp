#include "TexturePainter.h"

#include <algorithm>
#include <cmath>

#include "InfantrySkinLayout.h"
#include "Noise.h"

namespace kxres {

namespace {

uint8_t Clamp8(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f); }

Rgba Shade(Rgba base, float factor) {
  return {Clamp8(base.r * factor), Clamp8(base.g * factor), Clamp8(base.b * factor), base.a};
}

// Fills the whole image with base colour modulated by grain noise.
void Grain(Image& img, Rgba base, float strength, uint32_t seed, int cells = 4) {
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x) {
      const float n = Fractal(x, y, img.Width(), cells, seed);
      const float fine = Hash01(x, y, seed + 99);
      img.Set(x, y, Shade(base, 1.0f + strength * (n - 0.5f) * 2 + 0.12f * (fine - 0.5f)));
    }
}

void PaintBrick(Image& img, Rgba brick, Rgba mortar, uint32_t seed) {
  const int size = img.Width(), bw = size / 4, bh = size / 16;
  for (int y = 0; y < size; ++y) {
    const int row = y / bh;
    const int shift = (row % 2) * bw / 2;
    for (int x = 0; x < size; ++x) {
      const int col = ((x + shift) % size) / bw;
      const bool joint = (y % bh) < 2 || ((x + shift) % bw) < 2;
      const float n = Fractal(x, y, size, 8, seed);
      if (joint) {
        img.Set(x, y, Shade(mortar, 0.85f + 0.3f * n));
      } else {
        const float tone = 0.75f + 0.5f * Hash01(row, col, seed);
        img.Set(x, y, Shade(brick, tone * (0.85f + 0.3f * n)));
      }
    }
  }
}

void PaintWindows(Image& img, Rgba wall, Rgba lit, uint32_t seed, int across, int spacing) {
  Grain(img, wall, 0.15f, seed);
  const int size = img.Width(), cell = size / across;
  for (int wy = 0; wy < across; ++wy)
    for (int wx = 0; wx < across; ++wx) {
      const bool on = Hash01(wx, wy, seed) < 0.55f;
      const float warmth = Hash01(wx, wy, seed + 7);
      const Rgba pane =
          on ? Rgba{lit.r, Clamp8(lit.g - 40 * warmth), Clamp8(lit.b - 70 * warmth), 255}
             : Rgba{18, 22, 34, 255};
      const int x0 = wx * cell + spacing, y0 = wy * cell + spacing + 2;
      const int x1 = (wx + 1) * cell - spacing, y1 = (wy + 1) * cell - spacing / 2;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
          const bool frame = x == x0 || x == x1 - 1 || y == y0 || y == y1 - 1 || x == (x0 + x1) / 2;
          const float glow = on ? 0.8f + 0.2f * Fractal(x, y, size, 8, seed + 3) : 1.0f;
          img.Set(x, y, frame ? Rgba{40, 40, 44, 255} : Shade(pane, glow));
        }
    }
}

}  // namespace

Image TexturePainter::Wall(Surface surface, int size) {
  Image img(size, size);
  switch (surface) {
    case Surface::Brick:
      PaintBrick(img, {128, 58, 42, 255}, {120, 116, 108, 255}, 11);
      break;
    case Surface::DarkBrick:
      PaintBrick(img, {70, 48, 44, 255}, {84, 82, 80, 255}, 12);
      break;
    case Surface::Concrete: {
      Grain(img, {132, 130, 124, 255}, 0.2f, 21);
      for (int x = 0; x < size; ++x) {  // formwork seams
        img.Set(x, 0, {96, 95, 92, 255});
        img.Set(0, x, {96, 95, 92, 255});
      }
      break;
    }
    case Surface::Asphalt: {
      Grain(img, {58, 58, 62, 255}, 0.25f, 31, 8);
      for (int y = 0; y < size; ++y)  // a worn lane marking
        for (int x = size / 2 - 2; x < size / 2 + 2; ++x)
          if ((y / (size / 4)) % 2 == 0) img.Blend(x, y, {190, 180, 120, 255}, 0.6f);
      break;
    }
    case Surface::Pavement: {
      Grain(img, {104, 100, 96, 255}, 0.15f, 41);
      const int tile = size / 4;
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
          if (x % tile == 0 || y % tile == 0) img.Set(x, y, {70, 68, 66, 255});
      break;
    }
    case Surface::Windows:
      PaintWindows(img, {92, 84, 78, 255}, {255, 226, 150, 255}, 51, 4, 6);
      break;
    case Surface::OfficeWindows:
      PaintWindows(img, {60, 66, 76, 255}, {200, 225, 255, 255}, 52, 8, 2);
      break;
    case Surface::Metal: {
      Grain(img, {96, 104, 112, 255}, 0.12f, 61, 2);
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          if (x % (size / 2) == 0 || y % (size / 2) == 0) img.Set(x, y, {50, 54, 58, 255});
          if ((x % (size / 2) == 4 || x % (size / 2) == size / 2 - 4) && y % 16 == 8)
            img.Set(x, y, {170, 176, 182, 255});  // rivets
        }
      break;
    }
    case Surface::Roof: {
      Grain(img, {78, 74, 70, 255}, 0.3f, 71, 8);
      for (int y = 0; y < size; y += 2)
        for (int x = 0; x < size; ++x)
          if (Hash01(x / 4, y, 72) < 0.08f) img.Set(x, y, {40, 38, 36, 255});
      break;
    }
    case Surface::Lamp: {
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          const float dx = x - size / 2.0f + 0.5f, dy = y - size / 2.0f + 0.5f;
          const float d = std::sqrt(dx * dx + dy * dy) / (size / 2.0f);
          const float glow = std::clamp(1.2f - d, 0.0f, 1.0f);
          img.Set(x, y,
                  {Clamp8(200 + 55 * glow), Clamp8(160 + 80 * glow), Clamp8(90 + 120 * glow), 255});
        }
      break;
    }
  }
  return img;
}

Image TexturePainter::SkyFace(const std::string& face, int size) {
  const uint32_t seed = Hash(static_cast<uint32_t>(face[0]), static_cast<uint32_t>(face[1]));
  Image img(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      // Height above the horizon in [-1, 1]: side faces fade from city glow to deep blue.
      float up;
      if (face == "up")
        up = 1.0f;
      else if (face == "dn")
        up = -1.0f;
      else
        up = 1.0f - 2.0f * (y + 0.5f) / size;
      const float glow = std::clamp(1.0f - (up + 0.1f) * 2.5f, 0.0f, 1.0f);
      const float cloud = Fractal(x, y, size, 4, seed) * 0.25f;
      Rgba c{Clamp8(6 + 70 * glow + 20 * cloud), Clamp8(8 + 40 * glow + 18 * cloud),
             Clamp8(24 + 30 * glow + 30 * cloud), 255};
      if (up > -0.05f && Hash01(x, y, seed) > 0.9965f) {
        const float b = 120 + 135 * Hash01(x, y, seed + 1);
        c = {Clamp8(b), Clamp8(b), Clamp8(b * 0.95f + 12), 255};
      }
      img.Set(x, y, c);
    }
  if (face == "up") {  // the moon
    const float cx = size * 0.3f, cy = size * 0.35f, r = size * 0.06f;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
        if (d < r)
          img.Set(x, y, {230, 228, 210, 255});
        else if (d < r * 3)
          img.Blend(x, y, {120, 124, 140, 255}, 0.35f * (1 - (d - r) / (2 * r)));
      }
  }
  return img;
}

Image TexturePainter::Crosshairs() {
  Image img(64, 128, {0, 0, 0, 0});
  const Rgba green{80, 255, 90, 255}, white{255, 255, 255, 255};
  auto cross = [&](int x0, int y0, int gap, int arm, Rgba c, bool dot) {
    const int cx = x0 + 11, cy = y0 + 11;  // centre of a 22 x 22 cell
    for (int i = gap; i <= gap + arm; ++i) {
      img.Set(cx + i, cy, c);
      img.Set(cx - i, cy, c);
      img.Set(cx, cy + i, c);
      img.Set(cx, cy - i, c);
    }
    if (dot) img.Set(cx, cy, c);
  };
  cross(0, 0, 2, 6, green, false);
  cross(0, 24, 4, 5, green, true);
  cross(0, 48, 3, 6, white, true);  // the game's crosshair: rectangle (0, 48)-(22, 70)
  cross(0, 72, 1, 9, white, false);
  for (int a = 0; a < 64; ++a) {  // a ring variant
    const float t = a * 6.2831853f / 64;
    img.Set(32 + 11 + static_cast<int>(std::lround(8 * std::cos(t))),
            11 + static_cast<int>(std::lround(8 * std::sin(t))), green);
  }
  return img;
}

Image TexturePainter::InfantrySkin(int width, int height) {
  Image img(width, height, {30, 30, 30, 255});
  auto region = [&](SkinPart part, Rgba base, float strength, uint32_t seed) {
    const SkinRect r = SkinRegion(part);
    for (int y = r.y0; y < r.y1; ++y)
      for (int x = r.x0; x < r.x1; ++x) {
        const float n = Fractal(x, y, width, 8, seed);
        img.Set(x, y, Shade(base, 1.0f + strength * (n - 0.5f)));
      }
  };
  region(SkinPart::Torso, {78, 92, 60, 255}, 0.6f, 1);
  region(SkinPart::Head, {196, 150, 120, 255}, 0.2f, 2);
  region(SkinPart::Helmet, {64, 74, 48, 255}, 0.4f, 3);
  region(SkinPart::Legs, {60, 70, 48, 255}, 0.6f, 4);
  region(SkinPart::Arms, {84, 96, 64, 255}, 0.5f, 5);
  region(SkinPart::Gun, {52, 54, 58, 255}, 0.3f, 6);
  region(SkinPart::Boots, {26, 22, 20, 255}, 0.3f, 7);
  const SkinRect torso = SkinRegion(SkinPart::Torso);  // webbing straps
  for (int y = torso.y0; y < torso.y1; ++y) {
    img.Set(torso.x0 + 20 + y / 4, y, {40, 36, 28, 255});
    img.Set(torso.x0 + 21 + y / 4, y, {40, 36, 28, 255});
  }
  const SkinRect head = SkinRegion(SkinPart::Head);  // eyes
  img.FillRect(head.x0 + 9, head.y0 + 12, head.x0 + 13, head.y0 + 15, {20, 20, 30, 255});
  img.FillRect(head.x0 + 19, head.y0 + 12, head.x0 + 23, head.y0 + 15, {20, 20, 30, 255});
  return img;
}

Image TexturePainter::Fallback() {
  Image img(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      img.Set(x, y, ((x / 8) + (y / 8)) % 2 ? Rgba{255, 0, 255, 255} : Rgba{0, 0, 0, 255});
  return img;
}

}  // namespace kxres
