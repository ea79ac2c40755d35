// kx_inspect: loads a Quake 2 map, an MD2 or a 3DS model through the engine and prints its
// meshes, triangles, textures (and whether each was found), lightmap atlases and the warnings
// the engine logged on the way.
//
//   kx_inspect <file> [--log]
//
// Run it from the folder that holds Resources\ so that textures are found as the game finds
// them. Exit status: 0 loaded, 1 the file could not be read, 2 wrong arguments.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "MeshReportX.h"
#include "assets/AssetManagerBaseX.h"
#include "engine/ReportHooksX.h"
#include "engine/ThreadManagerX.h"
#include "geometry/MeshX.h"
#include "loaders/MeshLoaderX.h"

namespace {

std::mutex sLinesMutex;
std::vector<std::string> sLogLines;
std::vector<std::string> sWarnings;

bool LooksLikeWarning(const std::string& line) {
  static const char* const kWords[] = {
      "ERROR",   "Could not", "could not", "Bad ",   "outside", "damaged",  "left out", "no skin",
      "shorter", "runs past", "points at", "not a ", "too ",    "holds no", "Corrupt"};
  for (const char* word : kWords) {
    if (line.find(word) != std::string::npos) return true;
  }
  return false;
}

void InstallHooks() {
  ReportHooksX hooks;
  hooks.logMessage = [](const char* text) {
    std::lock_guard<std::mutex> lock(sLinesMutex);
    sLogLines.emplace_back(text ? text : "");
    if (LooksLikeWarning(sLogLines.back())) sWarnings.push_back(sLogLines.back());
  };
  hooks.assertFailed = [](const char* file, const char* function, int32_t line, const char* text) {
    std::lock_guard<std::mutex> lock(sLinesMutex);
    sWarnings.push_back(std::string("assertion in ") + (function ? function : "?") + " (" +
                        (file ? file : "?") + ":" + std::to_string(line) +
                        "): " + (text ? text : ""));
  };
  hooks.codeNotDone = hooks.assertFailed;
  SetReportHooks(hooks);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--log") != 0)) {
    std::fprintf(stderr, "usage: kx_inspect <map.bsp|model.md2|model.3ds> [--log]\n");
    return 2;
  }
  const bool printLog = argc == 3;
  InstallHooks();
  ThreadManagerX::CreateSingleton();
  AssetManagerBaseX::CreateSingleton();
  MeshLoaderX::CreateSingleton();

  MeshX* mesh = GetAssetImpl<MeshX>(StringX(argv[1]));
  int status = 0;
  if (mesh) {
    std::fputs(FormatReport(DescribeMesh(*mesh)).c_str(), stdout);
  } else {
    std::printf("could not read %s\n", argv[1]);
    status = 1;
  }

  MeshLoaderX::DestroySingleton();
  AssetManagerBaseX::DestroySingleton();
  ThreadManagerX::DestroySingleton();
  SetReportHooks({});
  std::lock_guard<std::mutex> lock(sLinesMutex);
  std::printf("%zu warnings\n", sWarnings.size());
  for (const std::string& warning : sWarnings) std::printf("  warning: %s\n", warning.c_str());
  if (printLog) {
    for (const std::string& line : sLogLines) std::printf("  log: %s\n", line.c_str());
  }
  return status;
}
