#pragma once
// A fresh folder under the system's temp folder, removed again with everything in it, and the
// small file helpers the tests write their inputs with. Path() gives the folder with '/',
// EnginePath() in the engine's '\' form.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/StringX.h"

class ScratchFolderX {
 public:
  ScratchFolderX() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kx_test_XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    mPath = mkdtemp(buffer.data());
  }
  ~ScratchFolderX() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
  }
  ScratchFolderX(const ScratchFolderX&) = delete;
  ScratchFolderX& operator=(const ScratchFolderX&) = delete;

  const std::string& Path() const { return mPath; }
  std::string File(const std::string& relative) const { return mPath + "/" + relative; }
  // The engine form of a path inside the folder ('\' separators).
  StringX EnginePath(const std::string& relative = "") const {
    std::string text = relative.empty() ? mPath : mPath + "/" + relative;
    std::replace(text.begin(), text.end(), '/', '\\');
    return StringX(text.c_str());
  }

 private:
  std::string mPath;
};

// Makes a folder the working directory for as long as it lives.
class WorkingFolderX {
 public:
  explicit WorkingFolderX(const std::filesystem::path& folder)
      : mPrevious(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~WorkingFolderX() {
    std::error_code ignored;
    std::filesystem::current_path(mPrevious, ignored);
  }
  WorkingFolderX(const WorkingFolderX&) = delete;
  WorkingFolderX& operator=(const WorkingFolderX&) = delete;

 private:
  std::filesystem::path mPrevious;
};

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}
