#include "ResourceTree.h"

#include <stdexcept>

#include "CityBspBuilder.h"
#include "CityPlan.h"
#include "FontPainter.h"
#include "InfantryModel.h"
#include "InfantrySkinLayout.h"
#include "Lightmapper.h"
#include "Md2Writer.h"
#include "Model3dsWriter.h"
#include "SoundSynth.h"
#include "TexturePainter.h"
#include "WalWriter.h"
#include "WavWriter.h"

namespace kxres {

namespace {

// The engine builds one lightmap atlas per texture; past 2048 faces it no longer fits.
constexpr size_t kMaxFacesPerTexture = 2048;

}  // namespace

void ResourceTree::WriteMap(OutputTree& out, GenerationReport& report) {
  const CityLayout city;
  const std::vector<std::string> problems = city.CheckGamePlaces();
  if (!problems.empty()) throw std::logic_error("city layout: " + problems.front());
  const Lightmapper lightmapper(city);
  CityBspBuilder builder(city, lightmapper);
  const QuakeBspX map = builder.Build();
  const std::vector<uint8_t> bytes = SaveQuakeBsp(map);
  out.Write(kMapFile, bytes);
  out.Write(kPlanFile, EncodePng(CityPlan::Draw(city)));

  for (const bsp_face& face : map.faces)
    ++report.facesPerTexture[std::string(GetBspTextureName(map.texinfos[face.texture_info]))];
  for (const auto& [texture, count] : report.facesPerTexture)
    if (count > kMaxFacesPerTexture) throw std::logic_error("too many faces use " + texture);
  report.faces = map.faces.size();
  report.leaves = map.leaves.size();
  report.nodes = map.nodes.size();
  report.brushes = map.brushes.size();
  report.planes = map.planes.size();
  report.vertices = map.vertices.size();
  report.lightingBytes = map.lighting.size();
  report.mapBytes = bytes.size();
  report.lamps = city.Lamps().size();

  // Each wall texture: the WAL file (header plus grey mip levels) and the PNG the engine draws.
  // The engine asks for "<name>.WAL" and, for the pixels, "<name>.PNG": the same spelling here.
  for (const CityTexture& texture : CityTextures()) {
    const Image image = TexturePainter::Wall(texture.surface, texture.size);
    const std::string base = std::string(kQuakeTextures) + texture.name;
    out.Write(base + ".WAL",
              EncodeWal({texture.name, texture.flags, kContentsSolid, texture.value}, image));
    out.Write(base + ".PNG", EncodePng(image));
  }
}

void ResourceTree::WriteImages(OutputTree& out) {
  out.Write("Textures/default.bmp", EncodeBmp24(TexturePainter::Fallback()));
  for (const char* face : {"rt", "lf", "up", "dn", "ft", "bk"})
    out.Write(std::string("Textures/env/wnight") + face + ".png",
              EncodePng(TexturePainter::SkyFace(face, 256)));
  out.Write("Textures/Crosshairs/crosshairs1.png", EncodePng(TexturePainter::Crosshairs()));
  // The banner font "047" and the frame-rate font "254".
  out.Write("Textures/Fonts/047.png",
            EncodePng(FontPainter::Grid(kFontFile, 24, 32, {255, 200, 80, 255})));
  out.Write("Textures/Fonts/254.png",
            EncodePng(FontPainter::Grid(kFontFile, 16, 16, {140, 255, 140, 255})));
}

void ResourceTree::WriteModels(OutputTree& out) {
  out.Write(kModelFile, EncodeMd2(InfantryModel::Build(kSkinName)));
  out.Write(kSkinFile, EncodePng(TexturePainter::InfantrySkin(kSkinWidth, kSkinHeight)));
  out.Write(kPropFile, Encode3ds(SampleProps()));
  out.Write("Models/crate.png", EncodePng(TexturePainter::Wall(Surface::Metal, 64)));
}

void ResourceTree::WriteSounds(OutputTree& out) {
  for (const SynthSound& sound : SoundSynth::All())
    out.Write(std::string(kSoundFolder) + sound.fileName, EncodeWav(sound.samples));
}

GenerationReport ResourceTree::Generate(OutputTree& out,
                                        const std::filesystem::path& contentFolder) {
  GenerationReport report;
  WriteMap(out, report);
  WriteImages(out);
  WriteModels(out);
  WriteSounds(out);
  out.CopyFolder(contentFolder);
  report.files = out.FilesWritten();
  report.bytes = out.BytesWritten();
  return report;
}

}  // namespace kxres
