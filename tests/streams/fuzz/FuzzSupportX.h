#pragma once
// Shared by the fuzz targets: a private folder (under /dev/shm when present) where the input
// becomes a file, because the engine's loaders read whole files.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline const std::string& FuzzFolder() {
  static const std::string folder = [] {
    std::string pattern =
        access("/dev/shm", W_OK) == 0 ? "/dev/shm/kx_fuzz_XXXXXX" : "/tmp/kx_fuzz_XXXXXX";
    char* made = mkdtemp(pattern.data());
    return std::string(made ? made : "/tmp");
  }();
  return folder;
}

inline void WriteFuzzFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) abort();
  if (size && std::fwrite(data, 1, size, file) != size) abort();
  std::fclose(file);
}
