#include "streams/FileSystemX.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "engine/ReportHooksX.h"

namespace FileSystemX {

struct FileX {
  int fd = -1;
};
namespace {

const char* Chars(const StringX& text) {
  const char* chars = text.GetCharArray();
  return chars ? chars : "";
}

bool PathExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

// Finds an entry of `directory` whose name equals `name` ignoring ASCII case.
bool FindEntryIgnoringCase(const std::string& directory, const std::string& name,
                           std::string& found) {
  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (!dir) return false;
  bool result = false;
  while (dirent* entry = readdir(dir)) {
    if (strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = entry->d_name;
      result = true;
      break;
    }
  }
  closedir(dir);
  return result;
}

// Walks the components of a '/' path and replaces every one that is missing by an entry
// that differs only in case. Stops matching at the first component found nowhere.
std::string ResolveIgnoringCase(const std::string& path) {
  std::string resolved;
  size_t start = 0;
  if (!path.empty() && path[0] == '/') {
    resolved = "/";
    start = 1;
  }
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string component = path.substr(start, end - start);
    const bool last = end >= path.size();
    if (!component.empty() && component != "." && component != "..") {
      std::string candidate = resolved + component;
      std::string found;
      if (!PathExists(candidate)) {
        if (!FindEntryIgnoringCase(resolved, component, found)) {
          // Nothing matches: keep the rest as written (a file or folder about to be created).
          return resolved + path.substr(start);
        }
        candidate = resolved + found;
      }
      resolved = candidate;
    } else {
      resolved += component;
    }
    if (last) break;
    resolved += '/';
    start = end + 1;
  }
  return resolved;
}

uint64_t ToFileTime(const timespec& time) {
  // 100-ns intervals between 1601-01-01 and 1970-01-01.
  const uint64_t epochOffset = 116444736000000000ull;
  return epochOffset + static_cast<uint64_t>(time.tv_sec) * 10000000ull +
         static_cast<uint64_t>(time.tv_nsec) / 100;
}

void FillInformation(const struct stat& info, FileInformationX& information) {
  information.attributes = 0;
  if (S_ISDIR(info.st_mode)) information.attributes |= FILE_ATTRIBUTE_DIRECTORY_X;
  if ((info.st_mode & S_IWUSR) == 0) information.attributes |= FILE_ATTRIBUTE_READONLY_X;
  information.creationTime = ToFileTime(info.st_ctim);
  information.lastAccessTime = ToFileTime(info.st_atim);
  information.lastWriteTime = ToFileTime(info.st_mtim);
  information.size = static_cast<uint64_t>(info.st_size);
}

void LogNoInformation() { LogMessage("Could not retrieve file information"); }

}  // namespace

std::string ToSystemPath(const char* path) {
  std::string result = path ? path : "";
  for (char& c : result) {
    if (c == '\\') c = '/';
  }
  if (result.empty() || PathExists(result)) return result;
  return ResolveIgnoringCase(result);
}

FileHandleX CreateFile(const StringX& fileName, uint32_t flags, bool createDirectories) {
  if (fileName.Empty()) return nullptr;
  if (createDirectories && !CreateDirectories(GetDirectory(fileName))) return nullptr;
  int openFlags = O_CLOEXEC;
  if (flags & FILE_NOACCESS) {
    openFlags |= O_PATH;
  } else if ((flags & FILE_READ) && (flags & FILE_WRITE)) {
    openFlags |= O_RDWR;
  } else if (flags & FILE_WRITE) {
    openFlags |= O_WRONLY;
  } else {
    openFlags |= O_RDONLY;
  }
  if (!(flags & FILE_OPENEXISTING) && (flags & FILE_CREATEALWAYS) && !(flags & FILE_NOACCESS)) {
    openFlags |= O_CREAT | O_TRUNC;
  }
  const std::string path = ToSystemPath(Chars(fileName));
  int fd;
  do {
    fd = open(path.c_str(), openFlags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  // A folder is not a file: opening one fails, as it does on the system the data comes from.
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  FileX* file = new FileX;
  file->fd = fd;
  return file;
}

bool CloseFile(FileHandleX handle) {
  if (!handle) return false;
  const bool closed = close(handle->fd) == 0;
  delete handle;
  return closed;
}

bool ReadFile(FileHandleX handle, void* buffer, uint32_t count, uint32_t& numberRead) {
  numberRead = 0;
  if (count == 0) return true;
  if (!handle || !buffer) return false;
  char* target = static_cast<char*>(buffer);
  while (numberRead < count) {
    const ssize_t got = read(handle->fd, target + numberRead, count - numberRead);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) break;  // end of file
    numberRead += static_cast<uint32_t>(got);
  }
  return true;
}

bool ReadFile(FileHandleX handle, void* buffer, uint32_t count) {
  uint32_t numberRead = 0;
  return ReadFile(handle, buffer, count, numberRead) && numberRead == count;
}

bool WriteFile(FileHandleX handle, const void* buffer, uint32_t count) {
  if (!handle) return false;
  if (count == 0) return true;
  if (!buffer) return false;
  const char* source = static_cast<const char*>(buffer);
  uint32_t written = 0;
  while (written < count) {
    const ssize_t put = write(handle->fd, source + written, count - written);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (put == 0) return false;
    written += static_cast<uint32_t>(put);
  }
  return true;
}

bool FileExists(const StringX& fileName) {
  FileHandleX handle = CreateFile(fileName, FILE_NOACCESS | FILE_OPENEXISTING, false);
  if (!handle) return false;
  CloseFile(handle);
  return true;
}

bool CreateDirectory(const StringX& path) {
  if (path.Empty()) return false;
  const std::string systemPath = ToSystemPath(Chars(path));
  if (mkdir(systemPath.c_str(), 0755) == 0) return true;
  struct stat info;
  // Only an existing folder counts as success; a file in the way or a refusal is a failure.
  return errno == EEXIST && stat(systemPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateDirectories(const StringX& path) {
  if (path.Empty()) return true;
  if (IsDirectory(path)) return true;
  const StringX parent = GetDirectory(path);
  // A path like "\tmp" has the root as its parent: nothing to create there.
  if (!parent.Empty() && !CreateDirectories(parent)) return false;
  return CreateDirectory(path);
}

bool DeleteFile(const StringX& fileName) {
  return unlink(ToSystemPath(Chars(fileName)).c_str()) == 0;
}

bool DeleteDirectory(const StringX& path) { return rmdir(ToSystemPath(Chars(path)).c_str()) == 0; }

bool RenameFile(const StringX& oldName, const StringX& newName) {
  const std::string from = ToSystemPath(Chars(oldName));
  const std::string to = ToSystemPath(Chars(newName));
  return rename(from.c_str(), to.c_str()) == 0;
}

bool GetFileInformation(const StringX& fileName, FileInformationX& information) {
  if (fileName.Empty()) return false;
  struct stat info;
  if (stat(ToSystemPath(Chars(fileName)).c_str(), &info) != 0) return false;
  FillInformation(info, information);
  return true;
}

int64_t GetLastWriteTime(const StringX& fileName) {
  FileInformationX information;
  if (!GetFileInformation(fileName, information)) {
    LogNoInformation();
    return -1;
  }
  return static_cast<int64_t>(information.lastWriteTime);
}

int64_t GetFileSize(const StringX& fileName) {
  FileInformationX information;
  if (!GetFileInformation(fileName, information)) {
    LogNoInformation();
    return -1;
  }
  return static_cast<int64_t>(information.size);
}

int64_t GetFileSize(FileHandleX handle) {
  struct stat info;
  if (!handle || fstat(handle->fd, &info) != 0) {
    LogNoInformation();
    return -1;
  }
  return static_cast<int64_t>(info.st_size);
}

bool IsReadOnly(const StringX& fileName) {
  FileInformationX information;
  if (!GetFileInformation(fileName, information)) {
    LogNoInformation();
    return false;
  }
  return (information.attributes & FILE_ATTRIBUTE_READONLY_X) != 0;
}

bool IsWritable(const StringX& fileName) {
  FileInformationX information;
  if (!GetFileInformation(fileName, information)) {
    LogNoInformation();
    return true;
  }
  return (information.attributes & FILE_ATTRIBUTE_READONLY_X) == 0;
}

bool IsDirectory(const StringX& fileName) {
  FileInformationX information;
  if (!GetFileInformation(fileName, information)) return false;
  return (information.attributes & FILE_ATTRIBUTE_DIRECTORY_X) != 0;
}

StringX GetCurrentDirectory() {
  char buffer[512];
  if (!getcwd(buffer, sizeof(buffer))) return StringX();
  StringX result(buffer);
  for (uint32_t i = 0; i < result.Size(); ++i) {
    if (result[i] == '/') result[i] = '\\';
  }
  return result;
}

bool SetCurrentDirectory(const StringX& path) {
  if (path.Empty()) return false;
  return chdir(ToSystemPath(Chars(path)).c_str()) == 0;
}

namespace {

// Index just after the last '\', 0 when there is none.
uint32_t FileNameStart(const StringX& path) {
  if (path.Empty()) return 0;
  const uint32_t slash = path.FindLastOf(StringX("\\"));
  return slash == INVALID32 ? 0 : slash + 1;
}

// Index of the '.' that starts the extension of the file name, INVALID32 when none.
uint32_t ExtensionDot(const StringX& path) {
  if (path.Empty()) return INVALID32;
  const uint32_t dot = path.FindLastOf(StringX("."));
  if (dot == INVALID32 || dot < FileNameStart(path)) return INVALID32;
  return dot;
}

}  // namespace

StringX GetFileName(const StringX& path) {
  const uint32_t start = FileNameStart(path);
  if (start == 0) return path;
  return path.SubString(start, INVALID32);
}

StringX GetDirectory(const StringX& path) {
  const uint32_t start = FileNameStart(path);
  if (start == 0) return StringX();
  return path.SubString(0, start - 1);
}

StringX GetExtension(const StringX& path) {
  const uint32_t dot = ExtensionDot(path);
  if (dot == INVALID32) return StringX();
  return path.SubString(dot + 1, INVALID32);
}

StringX RemoveExtension(const StringX& path) {
  const uint32_t dot = ExtensionDot(path);
  if (dot == INVALID32) return path;
  return path.SubString(0, dot);
}

StringX GetFileNameWithoutExtension(const StringX& path) {
  return RemoveExtension(GetFileName(path));
}

void FixSlashes(StringX& path) {
  for (uint32_t i = 0; i < path.Size(); ++i) {
    if (path[i] == '/') path[i] = '\\';
  }
}

}  // namespace FileSystemX
