#pragma once
// StreamX: one symmetric serialisation operation for saving and loading.
//
// An object's save/load routine passes each member with `stream << member`. On a saving
// stream (mode SM_READ: values are read from the variables) the values go out; on a loading
// stream (mode SM_WRITE: values are written into the variables) the same calls read them back.
// Values passed as const can only be saved; a loading stream reports them.
//
// On disk every value is its little-endian bytes with no header, tag or padding. `long` and
// `unsigned long` always take 4 bytes (they are 8 in memory here); the 64-bit values are
// `long long` and `unsigned long long`.
#include <cstdint>
#include <type_traits>

#include "engine/ReportHooksX.h"
#include "foundation/ArrayX.h"
#include "foundation/StringX.h"

enum StreamModeX : uint32_t {
  SM_NONE = 0,
  SM_READ = 1,   // saving: values are read from the variables and emitted
  SM_WRITE = 2,  // loading: values are taken from the input and written into the variables
};

enum StreamStateX : uint32_t {
  STREAMSTATE_GOOD = 0,
  STREAMSTATE_SHORT = 1,    // a read found fewer bytes left than the value needs
  STREAMSTATE_AT_END = 2,   // the last read consumed exactly the last bytes of the input
  STREAMSTATE_NO_FILE = 3,  // the file could not be opened, or writing to it failed
};

// The primitive types a stream carries, in the order of the stream operations.
enum StreamValueTypeX : uint32_t {
  SV_DOUBLE,
  SV_FLOAT,
  SV_INT64,
  SV_LONG,
  SV_SHORT,
  SV_INT,
  SV_UINT64,
  SV_ULONG,
  SV_USHORT,
  SV_UINT,
  SV_CHAR,
  SV_UCHAR,
  SV_BOOL,
};

// Bytes a value of the type takes in a binary stream.
uint32_t StreamEncodedSize(StreamValueTypeX type);

class StreamX {
 public:
  virtual ~StreamX() = default;

  virtual uint32_t GetMode() const { return mMode; }
  // The mode may be set once; a second setting is reported and stored anyway.
  virtual void SetMode(uint32_t mode);
  virtual uint32_t GetState() const { return mState; }
  virtual void SetState(uint32_t state) { mState = state; }
  // Flushes and releases the stream's resource.
  virtual void Close() {}
  // Input bytes not yet read (loading streams); the largest count otherwise.
  virtual uint32_t GetRemaining() const { return UINT32_MAX; }

  // Non-const values: saved or loaded depending on the mode.
  StreamX& operator<<(double& v) { return Transfer(SV_DOUBLE, &v); }
  StreamX& operator<<(float& v) { return Transfer(SV_FLOAT, &v); }
  StreamX& operator<<(long long& v) { return Transfer(SV_INT64, &v); }
  StreamX& operator<<(long& v) { return Transfer(SV_LONG, &v); }
  StreamX& operator<<(short& v) { return Transfer(SV_SHORT, &v); }
  StreamX& operator<<(int& v) { return Transfer(SV_INT, &v); }
  StreamX& operator<<(unsigned long long& v) { return Transfer(SV_UINT64, &v); }
  StreamX& operator<<(unsigned long& v) { return Transfer(SV_ULONG, &v); }
  StreamX& operator<<(unsigned short& v) { return Transfer(SV_USHORT, &v); }
  StreamX& operator<<(unsigned int& v) { return Transfer(SV_UINT, &v); }
  StreamX& operator<<(char& v) { return Transfer(SV_CHAR, &v); }
  StreamX& operator<<(unsigned char& v) { return Transfer(SV_UCHAR, &v); }
  StreamX& operator<<(bool& v) { return Transfer(SV_BOOL, &v); }

  // Const values: saved; a loading stream reports "Can't write to a const val".
  StreamX& operator<<(const double& v) { return TransferConst(SV_DOUBLE, &v); }
  StreamX& operator<<(const float& v) { return TransferConst(SV_FLOAT, &v); }
  StreamX& operator<<(const long long& v) { return TransferConst(SV_INT64, &v); }
  StreamX& operator<<(const long& v) { return TransferConst(SV_LONG, &v); }
  StreamX& operator<<(const short& v) { return TransferConst(SV_SHORT, &v); }
  StreamX& operator<<(const int& v) { return TransferConst(SV_INT, &v); }
  StreamX& operator<<(const unsigned long long& v) { return TransferConst(SV_UINT64, &v); }
  StreamX& operator<<(const unsigned long& v) { return TransferConst(SV_ULONG, &v); }
  StreamX& operator<<(const unsigned short& v) { return TransferConst(SV_USHORT, &v); }
  StreamX& operator<<(const unsigned int& v) { return TransferConst(SV_UINT, &v); }
  StreamX& operator<<(const char& v) { return TransferConst(SV_CHAR, &v); }
  StreamX& operator<<(const unsigned char& v) { return TransferConst(SV_UCHAR, &v); }
  StreamX& operator<<(const bool& v) { return TransferConst(SV_BOOL, &v); }

  // Composites of floats (vectors, matrices) pass their floats in order.
  virtual StreamX& TransferFloats(float* values, uint32_t count);
  virtual StreamX& TransferFloats(const float* values, uint32_t count);

  // A block of raw bytes: the same file content as passing each byte as an unsigned char.
  virtual StreamX& TransferBytes(void* bytes, uint32_t count);
  virtual StreamX& TransferBytes(const void* bytes, uint32_t count);

  // The two operations every stream provides: one value of the given type at `value`.
  virtual StreamX& Transfer(StreamValueTypeX type, void* value) = 0;
  virtual StreamX& TransferConst(StreamValueTypeX type, const void* value) = 0;

 protected:
  StreamX() = default;
  explicit StreamX(uint32_t mode) : mMode(mode) {}

  uint32_t mMode = SM_NONE;
  uint32_t mState = STREAMSTATE_GOOD;
};

// A string travels as its length (unsigned long, 4 bytes) followed by its characters. Loading
// refuses a length longer than the bytes that are left.
StreamX& operator<<(StreamX& stream, const StringX& str);
StreamX& operator<<(StreamX& stream, StringX& str);

// The on-disk size of one element when the element is a plain value the stream can move as a
// block; 0 for every other type.
template <typename T>
constexpr uint32_t StreamBlockElementSize() {
  if constexpr (std::is_same_v<T, long> || std::is_same_v<T, unsigned long> ||
                std::is_same_v<T, bool>) {
    return 0;  // these change size or value on the way
  } else if constexpr (std::is_arithmetic_v<T>) {
    return sizeof(T);
  } else {
    return 0;
  }
}

// An array travels as its element count (unsigned long, 4 bytes) followed by each element.
// Loading checks the count against the bytes that are left before anything is allocated.
template <typename T>
StreamX& operator<<(StreamX& stream, ArrayX<T>& array) {
  constexpr uint32_t blockSize = StreamBlockElementSize<T>();
  const uint32_t mode = stream.GetMode();
  if (mode == SM_READ) {
    unsigned long count = array.Size();
    stream << count;
    if constexpr (blockSize > 0) {
      return stream.TransferBytes(static_cast<const void*>(array.begin()), count * blockSize);
    }
    for (uint32_t i = 0; i < array.Size(); ++i) stream << array[i];
    return stream;
  }
  if (mode != SM_WRITE) {
    AssertFailed(__FILE__, "StreamX::operator <<", __LINE__, "Unknown mode");
    return stream;
  }
  array.Clear();
  unsigned long count = 0;
  stream << count;
  const uint32_t state = stream.GetState();
  if (state != STREAMSTATE_GOOD && state != STREAMSTATE_AT_END) return stream;
  // Every element takes at least one byte, a plain one exactly its size.
  const uint64_t needed = static_cast<uint64_t>(count) * (blockSize > 0 ? blockSize : 1);
  if (count > GENERAL_MAX_SIZE || needed > stream.GetRemaining()) {
    stream.SetState(STREAMSTATE_SHORT);
    return stream;
  }
  if (count == 0) return stream;
  array.Resize(static_cast<uint32_t>(count));
  if constexpr (blockSize > 0) {
    stream.TransferBytes(static_cast<void*>(array.begin()),
                         static_cast<uint32_t>(count) * blockSize);
  } else {
    for (uint32_t i = 0; i < array.Size(); ++i) stream << array[i];
  }
  return stream;
}
