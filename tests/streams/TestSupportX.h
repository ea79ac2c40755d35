#pragma once
// Helpers shared by the stream and asset tests: a capture of the report hooks and a
// scratch folder that is removed again.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"

// Installs report hooks that record every log line and assertion text; restores none on exit.
class ReportCaptureX {
 public:
  ReportCaptureX() {
    sCurrent = this;
    ReportHooksX hooks;
    hooks.logMessage = [](const char* text) { sCurrent->Add(sCurrent->mLogs, text); };
    hooks.assertFailed = [](const char*, const char* function, int32_t, const char* text) {
      sCurrent->Add(sCurrent->mAsserts, std::string(function) + ": " + (text ? text : ""));
    };
    SetReportHooks(hooks);
  }
  ~ReportCaptureX() {
    SetReportHooks({});
    sCurrent = nullptr;
  }
  std::vector<std::string> Logs() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mLogs;
  }
  std::vector<std::string> Asserts() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mAsserts;
  }
  size_t CountLog(const std::string& line) {
    auto logs = Logs();
    return static_cast<size_t>(std::count(logs.begin(), logs.end(), line));
  }
  bool HasAssert(const std::string& text) {
    for (const auto& a : Asserts()) {
      if (a.find(text) != std::string::npos) return true;
    }
    return false;
  }
  void Reset() {
    std::lock_guard<std::mutex> lock(mMutex);
    mLogs.clear();
    mAsserts.clear();
  }

 private:
  void Add(std::vector<std::string>& list, const std::string& text) {
    std::lock_guard<std::mutex> lock(mMutex);
    list.push_back(text);
  }
  static inline ReportCaptureX* sCurrent = nullptr;
  std::mutex mMutex;
  std::vector<std::string> mLogs;
  std::vector<std::string> mAsserts;
};

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
