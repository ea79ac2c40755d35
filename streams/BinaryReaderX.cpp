#include "streams/BinaryReaderX.h"

#include <bit>
#include <cstring>
#include <new>

#include "engine/ReportHooksX.h"

static_assert(std::endian::native == std::endian::little, "file values are little-endian");

BinaryReaderX::~BinaryReaderX() {
  delete[] mData;
  if (mFileHandle) {
    const bool closed = FileSystemX::CloseFile(mFileHandle);
    KX_ASSERT_MSG(closed, "BinaryReaderX::~BinaryReaderX", "FileSystemX::CloseFile(mFileHandle)");
  }
}

bool BinaryReaderX::Open(const StringX& fileName) {
  if (mOpen || mData || mFileHandle) return false;
  mFileHandle = FileSystemX::CreateFile(
      fileName, FileSystemX::FILE_READ | FileSystemX::FILE_OPENEXISTING, false);
  if (!mFileHandle) return false;

  auto closeHandle = [this] {
    const bool closed = FileSystemX::CloseFile(mFileHandle);
    KX_ASSERT_MSG(closed, "BinaryReaderX::Open", "FileSystemX::CloseFile(mFileHandle)");
    mFileHandle = nullptr;
  };

  const int64_t size = FileSystemX::GetFileSize(mFileHandle);  // logs its own failure
  if (size < 0) {
    closeHandle();
    return false;
  }
  if (size > static_cast<int64_t>(UINT32_MAX)) {
    KX_ASSERT_MSG(false, "BinaryReaderX::Open",
                  "Error opening the file, did not read enough bytes");
    closeHandle();
    return false;
  }
  const uint32_t expected = static_cast<uint32_t>(size);
  if (expected > 0) {
    mData = new (std::nothrow) uint8_t[expected];
    if (!mData) {
      closeHandle();
      return false;
    }
  }
  uint32_t numberRead = 0;
  const bool readOk = FileSystemX::ReadFile(mFileHandle, mData, expected, numberRead);
  closeHandle();
  if (!readOk || numberRead != expected) {
    // A short read (the file shrank, or an I/O error) leaves nothing half-loaded behind.
    if (readOk) {
      KX_ASSERT_MSG(false, "BinaryReaderX::Open",
                    "Error opening the file, did not read enough bytes");
    }
    delete[] mData;
    mData = nullptr;
    return false;
  }
  mNumberOfBytesRead = expected;
  mReachedByte = 0;
  mOpen = true;
  return true;
}

void BinaryReaderX::Close() {
  delete[] mData;
  mData = nullptr;
  if (mFileHandle) {
    const bool closed = FileSystemX::CloseFile(mFileHandle);
    KX_ASSERT_MSG(closed, "BinaryReaderX::Close", "FileSystemX::CloseFile(mFileHandle)");
    mFileHandle = nullptr;
  }
  mNumberOfBytesRead = 0;
  mReachedByte = 0;
  mOpen = false;
}

bool BinaryReaderX::Seek(uint32_t position) {
  KX_ASSERT(position < mNumberOfBytesRead, "BinaryReaderX::Seek");
  mReachedByte = position;
  return true;
}

bool BinaryReaderX::Skip(uint32_t numberOfBytes) {
  const uint64_t target = static_cast<uint64_t>(mReachedByte) + numberOfBytes;
  KX_ASSERT(numberOfBytes + mReachedByte <= mNumberOfBytesRead, "BinaryReaderX::Skip");
  // Past the end the position saturates instead of wrapping back into the data.
  mReachedByte = target > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(target);
  return true;
}

template <typename T>
T BinaryReaderX::ReadValue() {
  T value{};
  if (GetRemaining() < sizeof(T)) return value;
  std::memcpy(&value, mData + mReachedByte, sizeof(T));
  mReachedByte += sizeof(T);
  return value;
}

uint16_t BinaryReaderX::ReadUInt16() { return ReadValue<uint16_t>(); }
int32_t BinaryReaderX::ReadInt32() { return ReadValue<int32_t>(); }
uint32_t BinaryReaderX::ReadUInt32() { return ReadValue<uint32_t>(); }
float BinaryReaderX::ReadFloat() { return ReadValue<float>(); }
int64_t BinaryReaderX::ReadInt64() { return ReadValue<int64_t>(); }
double BinaryReaderX::ReadDouble() { return ReadValue<double>(); }
uint8_t BinaryReaderX::ReadByte() { return ReadValue<uint8_t>(); }

bool BinaryReaderX::Read(void* destination, uint32_t count) {
  if (count == 0) return true;
  if (GetRemaining() < count || !destination) return false;
  std::memcpy(destination, mData + mReachedByte, count);
  mReachedByte += count;
  return true;
}

uint8_t* BinaryReaderX::ReadBytes(uint32_t number) {
  if (number == 0) return nullptr;
  const uint32_t remaining = GetRemaining();
  KX_ASSERT_MSG(remaining >= number, "BinaryReaderX::ReadBytes",
                "mNumberOfBytesRead - mReachedByte >= number");
  if (remaining < number) return nullptr;
  uint8_t* copy = new uint8_t[number];
  std::memcpy(copy, mData + mReachedByte, number);
  mReachedByte += number;
  return copy;
}

void BinaryReaderX::ReadRemaining(void* destination) {
  const uint32_t remaining = GetRemaining();
  if (remaining > 0 && destination) std::memcpy(destination, mData + mReachedByte, remaining);
  if (mReachedByte < mNumberOfBytesRead) mReachedByte = mNumberOfBytesRead;
}

char* BinaryReaderX::ReadString() {
  const uint32_t remaining = GetRemaining();
  const uint8_t* start = remaining ? mData + mReachedByte : nullptr;
  const void* terminator = start ? std::memchr(start, 0, remaining) : nullptr;
  const uint32_t length =
      terminator ? static_cast<uint32_t>(static_cast<const uint8_t*>(terminator) - start)
                 : remaining;
  const uint32_t kept = length > sMaxStringLength ? sMaxStringLength : length;
  if (length > sMaxStringLength) {
    LogMessage("BinaryReaderX::ReadString: string of 2048 bytes or more cut to 2047");
  }
  char* copy = new char[kept + 1];
  if (kept) std::memcpy(copy, start, kept);
  copy[kept] = 0;
  mReachedByte += terminator ? length + 1 : length;
  return copy;
}
