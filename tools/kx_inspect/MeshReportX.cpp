#include "MeshReportX.h"

#include <set>
#include <sstream>

#include "assets/AssetManagerImplX.h"
#include "assets/MaterialX.h"
#include "assets/TextureX.h"
#include "geometry/MeshX.h"
#include "streams/FileSystemX.h"

namespace {
std::string Text(const StringX& s) { return s.Empty() ? std::string() : s.GetCharArray(); }
}  // namespace

bool IsTexturePictureFound(const std::string& textureName) {
  if (textureName.empty()) return false;
  StringX name(textureName.c_str());
  FileSystemX::FixSlashes(name);
  StringX extension = FileSystemX::GetExtension(name);
  extension.ToUpper();
  if (extension == "WAL" || extension == "PCX") {
    name = FileSystemX::RemoveExtension(name) + ".PNG";
  }
  return !AssetManagerImplX::FindSourcePath(name).Empty();
}

MeshReportX DescribeMesh(const MeshX& mesh) {
  MeshReportX report;
  report.name = Text(mesh.GetName());
  report.vertices = mesh.mVertexList.Size();
  std::set<std::string> atlases;
  for (uint32_t s = 0; s < mesh.mSections.Size(); ++s) {
    const SectionX& section = mesh.mSections[s];
    SectionReportX line;
    line.triangles = section.end > section.first ? (section.end - section.first) / 3 : 0;
    report.triangles += line.triangles;
    const MaterialX* material = s < mesh.mMaterials.Size() ? mesh.mMaterials[s] : nullptr;
    if (material) {
      line.material = Text(material->GetName());
      line.texture = Text(material->GetDiffuseTextureName());
      line.textureFound = IsTexturePictureFound(line.texture);
      if (const TextureX* lightmap = material->GetLightmap()) {
        line.lightmap = Text(material->GetLightmapName());
        line.lightmapWidth = lightmap->GetSourceWidth();
        line.lightmapHeight = lightmap->GetSourceHeight();
        atlases.insert(line.lightmap);
      }
    }
    report.sections.push_back(line);
  }
  report.atlases = static_cast<uint32_t>(atlases.size());
  return report;
}

std::string FormatReport(const MeshReportX& report) {
  std::ostringstream out;
  out << "mesh " << report.name << ": " << report.sections.size() << " sections, "
      << report.triangles << " triangles, " << report.vertices << " vertices, " << report.atlases
      << " lightmap atlases\n";
  for (size_t i = 0; i < report.sections.size(); ++i) {
    const SectionReportX& s = report.sections[i];
    out << "  section " << i << ": " << s.triangles << " triangles, texture "
        << (s.texture.empty() ? "(none)" : s.texture) << " "
        << (s.texture.empty() ? ""
            : s.textureFound  ? "[found]"
                              : "[MISSING: default used]");
    if (!s.lightmap.empty()) {
      out << ", lightmap " << s.lightmap << " " << s.lightmapWidth << "x" << s.lightmapHeight;
    }
    out << "\n";
  }
  return out.str();
}
