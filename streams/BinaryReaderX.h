#pragma once
// Reads a whole file into memory in one go, then hands out bytes and little-endian values
// from that copy. Every read checks the bytes that remain first and never reads past the data.
#include <cstdint>

#include "foundation/StringX.h"
#include "streams/FileSystemX.h"

class BinaryReaderX {
 public:
  BinaryReaderX() = default;
  ~BinaryReaderX();
  BinaryReaderX(const BinaryReaderX&) = delete;
  BinaryReaderX& operator=(const BinaryReaderX&) = delete;

  // Reads the whole file. False when a file is already held, the file cannot be opened or
  // its size read, or fewer bytes arrive than the size (the reader then holds nothing).
  bool Open(const StringX& fileName);
  void Close();

  // True between a successful Open and Close (also for an empty file).
  bool IsOpen() const { return mOpen; }
  uint32_t GetSize() const { return mNumberOfBytesRead; }
  uint32_t GetPosition() const { return mReachedByte; }
  // Bytes from the read position to the end; 0 when the position is at or past the end.
  uint32_t GetRemaining() const {
    return mReachedByte < mNumberOfBytesRead ? mNumberOfBytesRead - mReachedByte : 0;
  }
  // The whole file (null for an empty or closed reader).
  const uint8_t* GetData() const { return mData; }

  bool Seek(uint32_t position);
  bool Skip(uint32_t numberOfBytes);

  // Typed little-endian reads: 0 without moving when the value's bytes are not all there.
  uint16_t ReadUInt16();
  int32_t ReadInt32();
  uint32_t ReadUInt32();
  float ReadFloat();
  int64_t ReadInt64();
  double ReadDouble();
  uint8_t ReadByte();

  // Copies `count` bytes to `destination` and advances; false (nothing copied, position kept)
  // when fewer bytes remain.
  bool Read(void* destination, uint32_t count);
  // A new copy of `number` bytes (free with delete[]); null for 0 or when fewer bytes remain.
  uint8_t* ReadBytes(uint32_t number);
  // Copies every remaining byte (GetRemaining() of them) and moves to the end.
  void ReadRemaining(void* destination);
  // Reads up to and including a 0 byte (or the end) and returns a new NUL-terminated copy
  // (free with delete[]). Longer strings than sMaxStringLength characters are cut there and
  // the rest up to the 0 byte is skipped.
  char* ReadString();

  static constexpr uint32_t sMaxStringLength = 2047;

 private:
  template <typename T>
  T ReadValue();

  FileSystemX::FileHandleX mFileHandle = nullptr;
  uint32_t mNumberOfBytesRead = 0;
  uint32_t mReachedByte = 0;
  uint8_t* mData = nullptr;
  bool mOpen = false;
};
