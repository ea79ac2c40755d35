#include "OutputTree.h"

#include <fstream>
#include <stdexcept>

namespace kxres {

void OutputTree::Write(const std::string& relativePath, const std::vector<uint8_t>& bytes) {
  const std::filesystem::path path = mRoot / relativePath;
  std::filesystem::create_directories(path.parent_path());
  // Unchanged files keep their time stamps, so the engine's caches stay valid across builds.
  {
    std::ifstream old(path, std::ios::binary);
    if (old) {
      std::vector<uint8_t> existing((std::istreambuf_iterator<char>(old)),
                                    std::istreambuf_iterator<char>());
      if (existing == bytes) {
        ++mFilesWritten;
        mBytesWritten += bytes.size();
        return;
      }
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
  ++mFilesWritten;
  mBytesWritten += bytes.size();
}

void OutputTree::CopyFolder(const std::filesystem::path& source) {
  if (!std::filesystem::is_directory(source)) return;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(source)) {
    // The folder's own notes (README files, dot files) are not resources.
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name.front() == '.' || name.rfind("README", 0) == 0) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    Write(std::filesystem::relative(entry.path(), source).generic_string(), bytes);
  }
}

}  // namespace kxres
