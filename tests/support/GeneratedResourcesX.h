#pragma once
// Finds the generated Resources tree: this build folder's, or (for the sanitizer builds, which
// generate none) the default build folder's.
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <vector>

// The first Resources tree that holds every one of `required` (paths inside the tree), as an
// absolute path; empty when there is none.
inline std::filesystem::path GeneratedResources(std::initializer_list<const char*> required) {
  std::vector<std::filesystem::path> candidates;
#ifdef KX_RESOURCES_DIR
  candidates.emplace_back(KX_RESOURCES_DIR);
#endif
  if (const char* source = std::getenv("KX_SOURCE_DIR")) {
    candidates.push_back(std::filesystem::path(source) / "build" / "Resources");
  }
  for (const std::filesystem::path& candidate : candidates) {
    bool complete = true;
    for (const char* file : required)
      complete = complete && std::filesystem::exists(candidate / file);
    if (complete) return std::filesystem::absolute(candidate);
  }
  return {};
}
