#include "engine/SystemX.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"

char SystemX::sPathRoot[256] = {};

namespace {
constexpr size_t kMaxCurrentDir = 512;

// The working directory in engine form ('\' separators), empty on failure.
std::string ReadCurrentDir() {
  char buffer[kMaxCurrentDir + 1];
  if (!::getcwd(buffer, sizeof(buffer))) return {};
  std::string dir(buffer);
  for (char& c : dir)
    if (c == '/') c = '\\';
  return dir;
}

bool HoldsResources(const std::filesystem::path& dir) {
  std::error_code error;
  return std::filesystem::is_directory(dir / SystemX::RESOURCE_FOLDER, error);
}

bool IsBuildFolderName(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name == "debug" || name == "korvelx" || name == "release";
}
}  // namespace

void SystemX::FixCurrentDirectory() {
  std::string currentDir = ReadCurrentDir();
  KX_ASSERT_MSG(!currentDir.empty(), "SystemX::FixCurrentDirectory", "!currentDir.Empty()");

  const size_t lastSlash = currentDir.rfind('\\');
  const std::string lastComponent =
      lastSlash == std::string::npos ? currentDir : currentDir.substr(lastSlash + 1);
  const std::filesystem::path here = std::filesystem::current_path();
  const std::filesystem::path parent = here.parent_path();
  // A folder that holds Resources\ is the right one whatever its name.
  if (!currentDir.empty() && !HoldsResources(here) && parent != here &&
      (HoldsResources(parent) || IsBuildFolderName(lastComponent))) {
    std::error_code error;
    std::filesystem::current_path(parent, error);
    KX_ASSERT_MSG(!error, "SystemX::FixCurrentDirectory", "FileSystemX::SetCurrentDir(realPath)");
  }

  currentDir = ReadCurrentDir();
  KX_ASSERT_MSG(!currentDir.empty(), "SystemX::FixCurrentDirectory", "!currentDir.Empty()");
  KX_ASSERT_MSG(currentDir.size() < 255, "SystemX::FixCurrentDirectory", "currentDir.Size() < 255");
  // Never more than the buffer holds: 254 characters, the backslash and the terminator.
  const size_t length = currentDir.size() < 255 ? currentDir.size() : 254;
  std::memcpy(sPathRoot, currentDir.data(), length);
  sPathRoot[length] = 0;
  KX_ASSERT(sPathRoot[0], "SystemX::FixCurrentDirectory");
  if (length > 0 && sPathRoot[length - 1] != '\\') {
    sPathRoot[length] = '\\';
    sPathRoot[length + 1] = 0;
  }
}

StringX SystemX::GetFilenameFromResource(const StringX& resourceName) {
  KX_ASSERT(resourceName.Size() > 1, "SystemX::GetFilenameFromResource");
  if (!sPathRoot[0]) {
    FixCurrentDirectory();
    KX_ASSERT(sPathRoot[0], "SystemX::GetFilenameFromResource");
  }
  StringX result(sPathRoot);
  const char* name = resourceName.GetCharArray();
  if (name) {
    if (*name == '\\' || *name == '/') ++name;
    result += name;
  }
  for (uint32_t i = 0; i < result.Size(); ++i)
    if (result[i] == '/') result[i] = '\\';
  return result;
}

uint32_t SystemX::GetHardwareThreadCount() {
  static std::atomic<uint32_t> sCount{0xFFFFFFFFu};
  uint32_t count = sCount.load(std::memory_order_relaxed);
  if (count == 0xFFFFFFFFu) {
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    count = online > 0 ? static_cast<uint32_t>(online) : std::thread::hardware_concurrency();
    sCount.store(count, std::memory_order_relaxed);
  }
  return count;
}

uint32_t SystemX::GetProcessorClockFrequence() {
  ::CodeNotDone(__FILE__, "SystemX::GetProcessorClockFrequence", __LINE__, "CodeNotDone()");
  return 0;
}

void SystemX::Sleep(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

uint32_t SystemX::GetCurrentThreadId() { return static_cast<uint32_t>(::syscall(SYS_gettid)); }
