#pragma once
// Helpers shared by the stream and asset tests: the report capture and a scratch folder that
// is removed again.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ReportCaptureX.h"
#include "foundation/StringX.h"

// A fresh folder under the system temp folder; Path() gives it with '/' and EnginePath()
// in the engine's '\' form.
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

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
