// Where each part of the bot sits in its skin picture (pixels, top-left origin).
#pragma once

namespace kxres {

constexpr int kSkinWidth = 256;
constexpr int kSkinHeight = 128;

enum class SkinPart { Torso, Head, Helmet, Legs, Arms, Gun, Boots, Count };

struct SkinRect {
  int x0, y0, x1, y1;
};

inline SkinRect SkinRegion(SkinPart part) {
  switch (part) {
    case SkinPart::Torso:
      return {0, 0, 64, 64};
    case SkinPart::Head:
      return {64, 0, 96, 32};
    case SkinPart::Helmet:
      return {96, 0, 128, 32};
    case SkinPart::Legs:
      return {0, 64, 64, 128};
    case SkinPart::Arms:
      return {64, 64, 128, 128};
    case SkinPart::Gun:
      return {128, 0, 192, 64};
    case SkinPart::Boots:
      return {192, 0, 256, 64};
    default:
      return {128, 64, 256, 128};
  }
}

}  // namespace kxres
