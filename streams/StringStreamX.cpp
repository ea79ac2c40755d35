// StringX through the engine's streams: a saving stream (SM_READ) writes the string, a loading
// stream (SM_WRITE) reads it into a non-const string.
#include "foundation/StringX.h"
#include "streams/StreamX.h"

StreamX& operator<<(StreamX& stream, const StringX& str) {
  const unsigned long length = str.Size();
  stream << length;
  for (uint32_t i = 0; i < str.Size(); ++i) stream << str[i];
  return stream;
}

StreamX& operator<<(StreamX& stream, StringX& str) {
  if (stream.GetMode() != SM_WRITE) return stream << static_cast<const StringX&>(str);
  unsigned long length = 0;
  stream << length;
  const uint32_t state = stream.GetState();
  if (state != STREAMSTATE_GOOD && state != STREAMSTATE_AT_END) return stream;
  // Each character takes one byte: a longer length comes from a truncated or corrupt input.
  if (length > stream.GetRemaining()) {
    stream.SetState(STREAMSTATE_SHORT);
    return stream;
  }
  str.Clear();
  if (!length) return stream;
  str.SetCapacity(static_cast<uint32_t>(length) + 1);
  for (unsigned long i = 0; i < length; ++i) {
    char c = 0;
    stream << c;
    str += c;
  }
  return stream;
}
