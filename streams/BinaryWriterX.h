#pragma once
// Writes bytes to a file through a pending buffer.
//
// A buffered writer (the log file) collects bytes in a 32768-byte block and writes the block
// when it is full, at WritePending and at destruction. An unbuffered writer (the binary saving
// stream) writes the bytes of every Write call at once.
#include <cstdint>

#include "foundation/StringX.h"
#include "streams/FileSystemX.h"

class BinaryWriterX {
 public:
  // Opens `fileName` for writing (creating missing folders, replacing an existing file).
  explicit BinaryWriterX(const StringX& fileName);
  BinaryWriterX(const StringX& fileName, bool buffered);
  ~BinaryWriterX();
  BinaryWriterX(const BinaryWriterX&) = delete;
  BinaryWriterX& operator=(const BinaryWriterX&) = delete;

  bool IsOpen() const { return mFileHandle != nullptr; }
  // True once any write to the file failed (the data of that write is lost).
  bool HasFailed() const { return mFailed; }

  void Write(const void* bytes, uint32_t count);
  void WriteUInt16(uint16_t value);
  void WriteUInt32(uint32_t value);
  void WriteUInt64(uint64_t value);
  void WriteFloat(float value);
  // The characters without the terminator.
  void WriteString(const char* text);
  // At most `maxCount` characters.
  void WriteString(const char* text, uint32_t maxCount);

  // Writes the pending bytes with one file write and empties the buffer. False (after the
  // report "Unable to write file!") when there is no file or the write failed; the pending
  // bytes are dropped either way.
  bool WritePending();

  static constexpr uint32_t sBufferSize = 32768;

 private:
  void Open(const StringX& fileName);

  FileSystemX::FileHandleX mFileHandle = nullptr;
  uint32_t mBufferSize = 0;
  uint32_t mPending = 0;
  uint8_t* mBuffer = nullptr;
  bool mBuffered = false;
  bool mFailed = false;
};
