#pragma once
// A scratch working folder holding the overlay's resources (fonts, crosshair, sky faces and the
// shader programs) copied from the build's generated Resources tree, with a running asset
// manager. Available() is false when there is no generated tree.
#include <filesystem>
#include <string>

#include "GeneratedResourcesX.h"
#include "assets/AssetManagerBaseX.h"
#include "tests/streams/TestSupportX.h"

class OverlayWorld {
 public:
  OverlayWorld() : mOldFolder(std::filesystem::current_path()) {
    std::filesystem::current_path(mFolder.Path());
    const std::filesystem::path source =
        GeneratedResources({"Textures/Fonts/047.png", "ShaderPrograms/Overlay2D.hlsl"});
    mAvailable = !source.empty();
    const char* files[] = {"Textures/Fonts/047.png",
                           "Textures/Fonts/254.png",
                           "Textures/Crosshairs/crosshairs1.png",
                           "Textures/env/wnightrt.png",
                           "Textures/env/wnightlf.png",
                           "Textures/env/wnightup.png",
                           "Textures/env/wnightdn.png",
                           "Textures/env/wnightft.png",
                           "Textures/env/wnightbk.png",
                           "ShaderPrograms/Overlay2D.hlsl",
                           "ShaderPrograms/Skybox.hlsl",
                           "ShaderPrograms/DebugLines.hlsl"};
    for (const char* file : files) {
      if (!mAvailable) break;
      const std::filesystem::path target = std::filesystem::path("Resources") / file;
      std::filesystem::create_directories(target.parent_path());
      std::error_code error;
      std::filesystem::copy_file(source / file, target, error);
      if (error) mAvailable = false;
    }
    AssetManagerBaseX::CreateSingleton();
  }
  ~OverlayWorld() {
    AssetManagerBaseX::DestroySingleton();
    std::filesystem::current_path(mOldFolder);
  }
  bool Available() const { return mAvailable; }

 private:
  ScratchFolderX mFolder;
  std::filesystem::path mOldFolder;
  bool mAvailable = false;
};
