#pragma once
// What kx_inspect prints about a loaded mesh: its sections with their triangles, textures
// (and whether each texture's picture was found) and lightmap atlases.
#include <cstdint>
#include <string>
#include <vector>

class MeshX;

struct SectionReportX {
  uint32_t triangles = 0;
  std::string material;
  std::string texture;
  bool textureFound = false;
  std::string lightmap;  // empty when the section has none
  uint32_t lightmapWidth = 0;
  uint32_t lightmapHeight = 0;
};

struct MeshReportX {
  std::string name;
  uint32_t vertices = 0;
  uint32_t triangles = 0;
  std::vector<SectionReportX> sections;
  uint32_t atlases = 0;  // distinct lightmap textures
};

// True when the picture a texture name stands for exists: a ".WAL" or ".PCX" wall texture is
// drawn from the ".PNG" of the same name, found directly or through the search paths.
bool IsTexturePictureFound(const std::string& textureName);

MeshReportX DescribeMesh(const MeshX& mesh);
// The report as text, one line per section and a summary line.
std::string FormatReport(const MeshReportX& report);
