#pragma once
// File and path functions over the host file system.
//
// Engine paths are 8-bit strings with '\' as separator. They keep that form everywhere in
// the engine; only this layer turns them into '/' when it calls the operating system, and
// when the exact name is missing it resolves every path component without regard to case
// (map, model and texture names come from data written on a case-insensitive system).
#include <cstdint>
#include <string>

#include "foundation/StringX.h"

namespace FileSystemX {

// Open flags of CreateFile (a bit set).
enum : uint32_t {
  FILE_NOACCESS = 1,       // no access rights requested (overrides read and write)
  FILE_READ = 4,           // read access
  FILE_WRITE = 8,          // write access (with FILE_READ: read and write)
  FILE_OPENEXISTING = 16,  // the file must exist
  FILE_CREATEALWAYS = 32,  // create or truncate (used when FILE_OPENEXISTING is absent)
};

// Attribute bits of FileInformationX.
enum : uint32_t {
  FILE_ATTRIBUTE_READONLY_X = 0x1,
  FILE_ATTRIBUTE_DIRECTORY_X = 0x10,
};

// An open file. Handles are plain pointers; null means "no file".
struct FileX;
using FileHandleX = FileX*;

struct FileInformationX {
  uint32_t attributes = 0;
  // Times are 100-nanosecond intervals since 1601-01-01 (UTC), the same value for the same
  // file on every call.
  uint64_t creationTime = 0;
  uint64_t lastAccessTime = 0;
  uint64_t lastWriteTime = 0;
  uint64_t size = 0;
};

// The operating-system form of an engine path: '\' becomes '/', and components that do not
// exist with the exact spelling are replaced by an existing entry whose name differs only in
// letter case. Components after the first one that cannot be found stay as given.
std::string ToSystemPath(const char* path);

FileHandleX CreateFile(const StringX& fileName, uint32_t flags, bool createDirectories);
bool CloseFile(FileHandleX handle);
// True when exactly `count` bytes were read.
bool ReadFile(FileHandleX handle, void* buffer, uint32_t count);
// Reports the number of bytes read; `count` 0 is success.
bool ReadFile(FileHandleX handle, void* buffer, uint32_t count, uint32_t& numberRead);
// False for a null handle, true for `count` 0, else true when exactly `count` bytes went out.
bool WriteFile(FileHandleX handle, const void* buffer, uint32_t count);

bool FileExists(const StringX& fileName);
// True when the directory was created or already exists as a directory.
bool CreateDirectory(const StringX& path);
// Creates `path` and every missing parent; an empty path is true.
bool CreateDirectories(const StringX& path);
bool DeleteFile(const StringX& fileName);
bool DeleteDirectory(const StringX& path);
// Replaces `newName` (if present) by `oldName` in one step.
bool RenameFile(const StringX& oldName, const StringX& newName);

bool GetFileInformation(const StringX& fileName, FileInformationX& information);
// 100-nanosecond intervals; -1 after logging "Could not retrieve file information".
int64_t GetLastWriteTime(const StringX& fileName);
int64_t GetFileSize(const StringX& fileName);
int64_t GetFileSize(FileHandleX handle);
bool IsReadOnly(const StringX& fileName);
bool IsWritable(const StringX& fileName);
bool IsDirectory(const StringX& fileName);

// The current directory in engine form ('\' separators), empty on failure.
StringX GetCurrentDirectory();
bool SetCurrentDirectory(const StringX& path);

// Path splitting. Only a '.' after the last '\' starts an extension.
StringX GetFileName(const StringX& path);
StringX GetDirectory(const StringX& path);
StringX GetExtension(const StringX& path);
StringX RemoveExtension(const StringX& path);
StringX GetFileNameWithoutExtension(const StringX& path);
void FixSlashes(StringX& path);

}  // namespace FileSystemX
