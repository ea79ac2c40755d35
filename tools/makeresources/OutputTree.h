// The generated Resources folder: writes files below one root, creating folders as needed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kxres {

class OutputTree {
 public:
  explicit OutputTree(std::filesystem::path root) : mRoot(std::move(root)) {}

  // relativePath uses '/' as separator, e.g. "Textures/Quake/city/brick1.PNG".
  // Throws std::runtime_error when the file cannot be written.
  void Write(const std::string& relativePath, const std::vector<uint8_t>& bytes);
  // Copies a folder of hand-written files into the tree (same relative layout), leaving out
  // README files and dot files.
  void CopyFolder(const std::filesystem::path& source);

  const std::filesystem::path& Root() const { return mRoot; }
  size_t FilesWritten() const { return mFilesWritten; }
  uint64_t BytesWritten() const { return mBytesWritten; }

 private:
  std::filesystem::path mRoot;
  size_t mFilesWritten = 0;
  uint64_t mBytesWritten = 0;
};

}  // namespace kxres
