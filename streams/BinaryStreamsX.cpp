#include "streams/BinaryStreamsX.h"

#include <cstring>

#include "engine/ReportHooksX.h"

namespace {

bool Loadable(uint32_t state) { return state == STREAMSTATE_GOOD || state == STREAMSTATE_AT_END; }

}  // namespace

// ---- saving ----

BinaryReadStream::BinaryReadStream(const StringX& fileName) : StreamX(SM_READ) {
  mWriter = std::make_unique<BinaryWriterX>(fileName, true);
  mState = mWriter->IsOpen() ? STREAMSTATE_GOOD : STREAMSTATE_NO_FILE;
}

BinaryReadStream::BinaryReadStream() : StreamX(SM_READ) {
  KX_ASSERT_MSG(false, "BinaryReadStream::BinaryReadStream", "Not allowed");
  mState = STREAMSTATE_NO_FILE;
}

BinaryReadStream::~BinaryReadStream() { Close(); }

void BinaryReadStream::Close() {
  if (!mWriter) return;
  if (mWriter->IsOpen()) mWriter->WritePending();
  NoteWriteResult();
  mWriter.reset();
}

void BinaryReadStream::NoteWriteResult() {
  if (mWriter && mWriter->HasFailed()) mState = STREAMSTATE_NO_FILE;
}

StreamX& BinaryReadStream::Transfer(StreamValueTypeX type, void* value) {
  return TransferConst(type, value);
}

StreamX& BinaryReadStream::TransferConst(StreamValueTypeX type, const void* value) {
  if (GetState() != STREAMSTATE_GOOD || !mWriter) return *this;
  switch (type) {
    case SV_LONG: {
      const long v = *static_cast<const long*>(value);
      KX_ASSERT_MSG(v >= INT32_MIN && v <= INT32_MAX, "BinaryReadStream::operator <<",
                    "long value does not fit 4 bytes");
      const int32_t narrow = static_cast<int32_t>(v);
      mWriter->Write(&narrow, 4);
      break;
    }
    case SV_ULONG: {
      const unsigned long v = *static_cast<const unsigned long*>(value);
      KX_ASSERT_MSG(v <= UINT32_MAX, "BinaryReadStream::operator <<",
                    "unsigned long value does not fit 4 bytes");
      const uint32_t narrow = static_cast<uint32_t>(v);
      mWriter->Write(&narrow, 4);
      break;
    }
    case SV_BOOL: {
      const uint8_t byte = *static_cast<const bool*>(value) ? 1 : 0;
      mWriter->Write(&byte, 1);
      break;
    }
    default:
      mWriter->Write(value, StreamEncodedSize(type));
      break;
  }
  NoteWriteResult();
  return *this;
}

StreamX& BinaryReadStream::TransferBytes(void* bytes, uint32_t count) {
  return TransferBytes(static_cast<const void*>(bytes), count);
}

StreamX& BinaryReadStream::TransferBytes(const void* bytes, uint32_t count) {
  if (GetState() != STREAMSTATE_GOOD || !mWriter) return *this;
  mWriter->Write(bytes, count);
  NoteWriteResult();
  return *this;
}

// ---- loading ----

BinaryWriteStream::BinaryWriteStream(const StringX& fileName) : StreamX(SM_WRITE) {
  mState = mReader.Open(fileName) ? STREAMSTATE_GOOD : STREAMSTATE_NO_FILE;
}

BinaryWriteStream::BinaryWriteStream() : StreamX(SM_WRITE) {
  KX_ASSERT_MSG(false, "BinaryWriteStream::BinaryWriteStream", "Not allowed");
  mState = STREAMSTATE_NO_FILE;
}

bool BinaryWriteStream::Available(uint32_t n) {
  const uint32_t remaining = mReader.GetRemaining();
  if (remaining < n) {
    // Also after state 2: a read past the exact end marks the data as short.
    mState = STREAMSTATE_SHORT;
    return false;
  }
  if (remaining == n) mState = STREAMSTATE_AT_END;
  return true;
}

StreamX& BinaryWriteStream::Transfer(StreamValueTypeX type, void* value) {
  if (!Loadable(GetState())) return *this;
  const uint32_t n = StreamEncodedSize(type);
  if (!Available(n)) return *this;
  switch (type) {
    case SV_LONG:
      *static_cast<long*>(value) = mReader.ReadInt32();
      break;
    case SV_ULONG:
      *static_cast<unsigned long*>(value) = mReader.ReadUInt32();
      break;
    case SV_BOOL:
      *static_cast<bool*>(value) = mReader.ReadByte() != 0;
      break;
    default:
      mReader.Read(value, n);
      break;
  }
  return *this;
}

StreamX& BinaryWriteStream::TransferConst(StreamValueTypeX, const void*) {
  KX_ASSERT_MSG(false, "BinaryWriteStream::operator <<", "Can't write to a const val");
  return *this;
}

StreamX& BinaryWriteStream::TransferBytes(void* bytes, uint32_t count) {
  if (!Loadable(GetState()) || count == 0) return *this;
  if (!Available(count)) return *this;
  mReader.Read(bytes, count);
  return *this;
}

StreamX& BinaryWriteStream::TransferBytes(const void*, uint32_t) {
  KX_ASSERT_MSG(false, "BinaryWriteStream::operator <<", "Can't write to a const val");
  return *this;
}
