#include "CityTextures.h"

#include "WalWriter.h"

namespace kxres {

namespace {

enum TextureId {
  kAsphalt,
  kPavement,
  kConcrete,
  kBrick1,
  kBrick2,
  kWindows1,
  kWindows2,
  kMetal,
  kRoof,
  kLamp
};

}  // namespace

const std::vector<CityTexture>& CityTextures() {
  static const std::vector<CityTexture> textures = {
      {"city/asphalt", Surface::Asphalt, 128, 0, 0},
      {"city/pavement", Surface::Pavement, 128, 0, 0},
      {"city/concrete", Surface::Concrete, 128, 0, 0},
      {"city/brick1", Surface::Brick, 128, 0, 0},
      {"city/brick2", Surface::DarkBrick, 128, 0, 0},
      {"city/windows1", Surface::Windows, 128, 0, 0},
      {"city/windows2", Surface::OfficeWindows, 128, 0, 0},
      {"city/metal", Surface::Metal, 64, 0, 0},
      {"city/roof", Surface::Roof, 128, 0, 0},
      {"city/lamp", Surface::Lamp, 16, kSurfLight, 300},
  };
  return textures;
}

const CityTexture& TopTexture(CellKind kind) {
  switch (kind) {
    case CellKind::Street:
      return CityTextures()[kAsphalt];
    case CellKind::Plaza:
      return CityTextures()[kPavement];
    case CellKind::Terrace:
    case CellKind::Stairs:
      return CityTextures()[kConcrete];
    case CellKind::LampPost:
      return CityTextures()[kLamp];
    default:
      return CityTextures()[kRoof];
  }
}

const CityTexture& SideTexture(CellKind kind) {
  switch (kind) {
    case CellKind::BrickBuilding:
      return CityTextures()[kBrick1];
    case CellKind::DarkBrickBuilding:
    case CellKind::Border:
      return CityTextures()[kBrick2];
    case CellKind::WindowBuilding:
      return CityTextures()[kWindows1];
    case CellKind::OfficeBuilding:
      return CityTextures()[kWindows2];
    case CellKind::LampPost:
      return CityTextures()[kMetal];
    default:
      return CityTextures()[kConcrete];
  }
}

}  // namespace kxres
