// Writes small valid maps and models into the fuzz corpora:
//   kx_fuzz_loader_seeds <bsp-corpus> <md2-corpus> <3ds-corpus>
#include <cstdio>
#include <string>
#include <vector>

#include "loaders/QuakeBspFormatX.h"
#include "tests/loaders/SampleModelsX.h"

namespace {

bool Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

// Two textures, a lit quad, an unlit triangle and a sky face.
std::vector<uint8_t> SeedMap() {
  QuakeBspX map;
  map.texinfos.resize(2);
  map.texinfos[0].u_axis = {1, 0, 0};
  map.texinfos[0].v_axis = {0, 1, 0};
  SetBspTextureName(map.texinfos[0], "city/floor");
  map.texinfos[1] = {{0, 1, 0}, 4, {0, 0, 1}, 2, 4, 0, {}, -1};
  SetBspTextureName(map.texinfos[1], "env/sky");
  map.vertices = {{0, 0, 0}, {32, 0, 0}, {32, 16, 0}, {0, 16, 0}, {0, 0, 8}, {0, 8, 8}};
  map.edges = {{0, 0}, {0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {4, 5}, {5, 0}};
  map.face_edges = {1, 2, 3, 4, 5, 6, 7, -7, -6, -5};
  map.faces.push_back({0, 0, 0, 4, 0, {0, 255, 255, 255}, 0});
  map.faces.push_back({0, 0, 4, 3, 0, {0, 255, 255, 255}, -1});
  map.faces.push_back({0, 1, 7, 3, 1, {0, 255, 255, 255}, 0});
  for (int i = 0; i < 6; ++i) map.lighting.insert(map.lighting.end(), {uint8_t(40 * i), 90, 7});
  map.planes.push_back({{0, 0, 1}, 0, BSP_PLANE_Z});
  return SaveQuakeBsp(map);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: kx_fuzz_loader_seeds <bsp-dir> <md2-dir> <3ds-dir>\n");
    return 2;
  }
  const bool ok = Save(std::string(argv[1]) + "/seed-map.bsp", SeedMap()) &&
                  Save(std::string(argv[2]) + "/seed-model.md2", kxres::EncodeMd2(SampleMd2())) &&
                  Save(std::string(argv[3]) + "/seed-model.3ds", kxres::Encode3ds(Sample3ds()));
  return ok ? 0 : 1;
}
