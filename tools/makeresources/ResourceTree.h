// Generates the complete stand-in Resources tree of the demo: the city map with its wall
// textures, the sky box, the crosshair and bitmap fonts, the fallback texture, the bot model
// with its skin, a 3DS prop, and every sound the game and the bots play.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "OutputTree.h"

namespace kxres {

struct GenerationReport {
  size_t faces = 0, leaves = 0, nodes = 0, brushes = 0, planes = 0, vertices = 0;
  size_t lightingBytes = 0, mapBytes = 0, lamps = 0;
  std::map<std::string, size_t> facesPerTexture;
  size_t files = 0;
  uint64_t bytes = 0;
};

class ResourceTree {
 public:
  // Where the engine looks for each kind of file, relative to the Resources folder.
  static constexpr const char* kMapFile = "maps/bwcity2.bsp";
  static constexpr const char* kPlanFile = "maps/bwcity2-plan.png";
  static constexpr const char* kQuakeTextures = "Textures/Quake/";
  static constexpr const char* kModelFile = "Models/monsters/infantry/tris.md2";
  static constexpr const char* kSkinName = "infantry_skin.png";
  static constexpr const char* kSkinFile = "Textures/Humans/infantry_skin.png";
  static constexpr const char* kPropFile = "Models/crate.3ds";
  static constexpr const char* kSoundFolder = "Sound/";
  static constexpr const char* kFontFile =
      "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";

  // contentFolder: hand-written files copied over the generated ones (may not exist).
  static GenerationReport Generate(OutputTree& out, const std::filesystem::path& contentFolder);

 private:
  static void WriteMap(OutputTree& out, GenerationReport& report);
  static void WriteImages(OutputTree& out);
  static void WriteModels(OutputTree& out);
  static void WriteSounds(OutputTree& out);
};

}  // namespace kxres
