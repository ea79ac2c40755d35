// kx_make_resources: writes the demo's stand-in Resources tree.
//   kx_make_resources <Resources folder> [--content <folder of hand-written files>] [--stamp
//   <file>]
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "ResourceTree.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <Resources folder> [--content <folder>] [--stamp <file>]\n",
                 argv[0]);
    return 2;
  }
  std::string content, stamp;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--content")
      content = argv[i + 1];
    else if (option == "--stamp")
      stamp = argv[i + 1];
    else {
      std::fprintf(stderr, "unknown option %s\n", option.c_str());
      return 2;
    }
  }
  const auto start = std::chrono::steady_clock::now();
  try {
    kxres::OutputTree out(argv[1]);
    const kxres::GenerationReport r = kxres::ResourceTree::Generate(out, content);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("Resources: %zu files, %llu bytes in %.2f s\n", r.files,
                static_cast<unsigned long long>(r.bytes), seconds);
    std::printf(
        "Map: %zu faces, %zu nodes, %zu leaves, %zu brushes, %zu planes, %zu vertices, "
        "%zu lighting bytes, %zu lamps, %zu bytes\n",
        r.faces, r.nodes, r.leaves, r.brushes, r.planes, r.vertices, r.lightingBytes, r.lamps,
        r.mapBytes);
    for (const auto& [texture, count] : r.facesPerTexture)
      std::printf("  %-16s %zu faces\n", texture.c_str(), count);
    if (!stamp.empty()) std::ofstream(stamp) << "generated\n";
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kx_make_resources: %s\n", e.what());
    return 1;
  }
  return 0;
}
