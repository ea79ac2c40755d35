#pragma once
// A scratch working folder with a "Resources" tree and a running asset manager, for the
// texture, shader and material tests. Restart() stops and starts the manager again, as a new
// run of the program would.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "assets/AssetManagerBaseX.h"
#include "tests/streams/TestSupportX.h"

class TextureTestWorld {
 public:
  TextureTestWorld() : mOldFolder(std::filesystem::current_path()) {
    std::filesystem::current_path(mFolder.Path());
    AssetManagerBaseX::CreateSingleton();
  }
  ~TextureTestWorld() {
    AssetManagerBaseX::DestroySingleton();
    std::filesystem::current_path(mOldFolder);
  }
  void Restart() {
    AssetManagerBaseX::DestroySingleton();
    AssetManagerBaseX::CreateSingleton();
  }
  // Writes a file below the working folder (relative path with '/').
  void Write(const std::string& relative, const std::vector<uint8_t>& bytes) {
    WriteBytes(mFolder.File(relative), bytes);
  }
  void WriteText(const std::string& relative, const std::string& text) {
    Write(relative, std::vector<uint8_t>(text.begin(), text.end()));
  }
  std::vector<uint8_t> Read(const std::string& relative) {
    return ReadBytes(mFolder.File(relative));
  }
  bool Exists(const std::string& relative) {
    return std::filesystem::exists(mFolder.File(relative));
  }
  // Gives a file a last-write time `seconds` after the epoch.
  void SetFileTime(const std::string& relative, time_t seconds) {
    timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, mFolder.File(relative).c_str(), times, 0);
  }

 private:
  ScratchFolderX mFolder;
  std::filesystem::path mOldFolder;
};
