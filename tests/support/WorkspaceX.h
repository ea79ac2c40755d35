#pragma once
// A working folder for tests of the engine's managers: a fresh scratch folder made the current
// directory, a "Resources" tree holding what the test writes or copies in (from the build's
// generated Resources tree or the source's shader programs), and the engine's asset manager
// over it. Restart() stops and starts the manager again, as a new run of the program would.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "GeneratedResourcesX.h"
#include "ScratchFolderX.h"
#include "assets/AssetManagerBaseX.h"

class WorkspaceX {
 public:
  WorkspaceX() { AssetManagerBaseX::CreateSingleton(); }
  ~WorkspaceX() {
    if (GetAssetManager()) AssetManagerBaseX::DestroySingleton();
  }
  WorkspaceX(const WorkspaceX&) = delete;
  WorkspaceX& operator=(const WorkspaceX&) = delete;

  AssetManagerBaseX* Assets() const { return GetAssetManager(); }
  const ScratchFolderX& Folder() const { return mFolder; }
  void Restart() {
    AssetManagerBaseX::DestroySingleton();
    AssetManagerBaseX::CreateSingleton();
  }

  // Copies files of the generated Resources tree (paths inside it) to the same places in this
  // one; false when the tree or one of the files is missing.
  bool CopyGenerated(std::initializer_list<const char*> files) {
    const std::filesystem::path source = GeneratedResources(files);
    if (source.empty()) return false;
    for (const char* file : files) {
      if (!Copy(source / file, std::filesystem::path("Resources") / file)) return false;
    }
    return true;
  }
  // Copies the source's shader programs to Resources/ShaderPrograms; false without them.
  bool CopyShaderPrograms() {
    const char* source = std::getenv("KX_SOURCE_DIR");
    if (!source) return false;
    const std::filesystem::path programs = std::filesystem::path(source) / "content/ShaderPrograms";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(programs, error)) {
      if (!Copy(entry.path(),
                std::filesystem::path("Resources/ShaderPrograms") / entry.path().filename()))
        return false;
    }
    return !error;
  }

  // Files below the working folder (relative paths with '/').
  void Write(const std::string& relative, const std::vector<uint8_t>& bytes) {
    WriteBytes(mFolder.File(relative), bytes);
  }
  void WriteText(const std::string& relative, const std::string& text) {
    ::WriteText(mFolder.File(relative), text);
  }
  std::vector<uint8_t> Read(const std::string& relative) const {
    return ReadBytes(mFolder.File(relative));
  }
  bool Exists(const std::string& relative) const {
    return std::filesystem::exists(mFolder.File(relative));
  }
  // Gives a file a last-write time `seconds` after the epoch.
  void SetFileTime(const std::string& relative, time_t seconds) {
    timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, mFolder.File(relative).c_str(), times, 0);
  }

 private:
  static bool Copy(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code error;
    std::filesystem::create_directories(to.parent_path(), error);
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    return !error;
  }

  ScratchFolderX mFolder;
  WorkingFolderX mWorking{mFolder.Path()};
};
