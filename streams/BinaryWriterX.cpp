#include "streams/BinaryWriterX.h"

#include <bit>
#include <cstring>

#include "engine/ReportHooksX.h"

static_assert(std::endian::native == std::endian::little, "file values are little-endian");

BinaryWriterX::BinaryWriterX(const StringX& fileName) { Open(fileName); }

BinaryWriterX::BinaryWriterX(const StringX& fileName, bool buffered) {
  Open(fileName);
  if (buffered) {
    mBuffered = true;
    mBufferSize = sBufferSize;
    mBuffer = new uint8_t[mBufferSize];
  }
}

void BinaryWriterX::Open(const StringX& fileName) {
  mFileHandle = FileSystemX::CreateFile(
      fileName, FileSystemX::FILE_WRITE | FileSystemX::FILE_CREATEALWAYS, true);
  KX_ASSERT(mFileHandle, "BinaryWriterX::BinaryWriterX");
  mFailed = mFileHandle == nullptr;
}

BinaryWriterX::~BinaryWriterX() {
  if (mPending) WritePending();
  delete[] mBuffer;
  if (mFileHandle) FileSystemX::CloseFile(mFileHandle);
}

bool BinaryWriterX::WritePending() {
  const uint32_t count = mPending;
  mPending = 0;
  if (!mFileHandle || !FileSystemX::WriteFile(mFileHandle, mBuffer, count)) {
    KX_ASSERT_MSG(false, "BinaryWriterX::WritePending", "Unable to write file!");
    mFailed = true;
    return false;
  }
  return true;
}

void BinaryWriterX::Write(const void* bytes, uint32_t count) {
  if (count == 0 || !bytes) return;
  const uint8_t* source = static_cast<const uint8_t*>(bytes);
  if (!mBuffered) {
    // Every call goes out at once; the file holds the same bytes as a byte-by-byte write.
    if (!mFileHandle || !FileSystemX::WriteFile(mFileHandle, source, count)) {
      KX_ASSERT_MSG(false, "BinaryWriterX::WritePending", "Unable to write file!");
      mFailed = true;
    }
    return;
  }
  while (count > 0) {
    if (mPending == mBufferSize) WritePending();
    const uint32_t room = mBufferSize - mPending;
    const uint32_t chunk = count < room ? count : room;
    std::memcpy(mBuffer + mPending, source, chunk);
    mPending += chunk;
    source += chunk;
    count -= chunk;
  }
}

void BinaryWriterX::WriteUInt16(uint16_t value) { Write(&value, sizeof(value)); }
void BinaryWriterX::WriteUInt32(uint32_t value) { Write(&value, sizeof(value)); }
void BinaryWriterX::WriteUInt64(uint64_t value) { Write(&value, sizeof(value)); }
void BinaryWriterX::WriteFloat(float value) { Write(&value, sizeof(value)); }

void BinaryWriterX::WriteString(const char* text) {
  if (text) Write(text, static_cast<uint32_t>(std::strlen(text)));
}

void BinaryWriterX::WriteString(const char* text, uint32_t maxCount) {
  if (text) Write(text, static_cast<uint32_t>(strnlen(text, maxCount)));
}
