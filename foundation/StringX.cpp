#include "foundation/StringX.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "engine/ReportHooksX.h"

namespace {

std::atomic<uint32_t> sFloatNotation{FLOATNOTATION_DEFAULT};

const char* const kNonNumberText =
    "Couldn't convert string into int - string contains non-number chars";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Writes the float text of v into out (at least 128 bytes) and returns its length.
uint32_t FormatFloat(float v, uint32_t notation, char* out) {
  uint32_t n = 0;
  auto put = [&](const char* text) {
    while (*text) out[n++] = *text++;
  };
  if (std::isnan(v)) {
    put("NaN");
    return n;
  }
  if (v == 0.0f) {
    put(std::signbit(v) ? "-0.0" : "0.0");
    if (notation == FLOATNOTATION_ALWAYS) put("E0");
    return n;
  }
  if (std::isinf(v)) {
    put(v > 0 ? "INF" : "-INF");
    return n;
  }
  if (v < 0) {
    out[n++] = '-';
    v = -v;
  }
  // Mantissa in [1, 10) and decimal exponent, stepping in float as the text always has.
  float m = v;
  int32_t e = 0;
  while (m >= 10.0f) {
    m *= 0.1f;
    ++e;
  }
  while (m < 1.0f) {
    m *= 10.0f;
    --e;
  }
  const int32_t limit = notation == FLOATNOTATION_ALWAYS    ? 0
                        : notation == FLOATNOTATION_DEFAULT ? 4
                                                            : INT32_MAX;
  const int32_t magnitude = e < 0 ? -e : e;
  const bool plain = e != 0 && magnitude < limit;
  int32_t pointAfter = 0;  // digit index followed by the point; -1: the point leads
  if (plain && e < 0) {
    put("0.");
    for (int32_t i = 1; i < magnitude; ++i) out[n++] = '0';
    pointAfter = -1;
  } else if (plain) {
    pointAfter = e;
  }
  const int32_t kMaxDigits = 8;
  bool pointWritten = false;
  for (int32_t i = 0;; ++i) {
    // Past eight digits only zeros are written, and only to reach a point still ahead.
    if (i >= kMaxDigits && (pointWritten || pointAfter < i)) break;
    int32_t digit = 0;
    if (i < kMaxDigits) {
      digit = std::clamp(static_cast<int32_t>(m), 0, 9);
      m = (m - static_cast<float>(digit)) * 10.0f;
    }
    out[n++] = static_cast<char>('0' + digit);
    if (i == pointAfter) {
      out[n++] = '.';
      pointWritten = true;
    }
    if (pointWritten && m == 0.0f) break;
  }
  if (out[n - 1] == '.') out[n++] = '0';
  if (!plain && e != 0) {
    out[n++] = 'E';
    if (e < 0) out[n++] = '-';
    char digits[4];
    uint32_t count = 0;
    for (int32_t rest = magnitude; rest; rest /= 10)
      digits[count++] = static_cast<char>('0' + rest % 10);
    while (count) out[n++] = digits[--count];
  }
  return n;
}

}  // namespace

StringX::StringX(const char* str) {
  KX_ASSERT_MSG(str, "StringX::StringX", "str");
  const uint32_t length = StringLength(str);
  Reallocate(length + 1, 0);
  if (length) std::memcpy(mString, str, length);
  mLength = length;
  mString[mLength] = 0;
}

StringX::StringX(const char* str, unsigned count) {
  KX_ASSERT_MSG(str || !count, "StringX::StringX", "str");
  if (!str) count = 0;
  Reallocate(count + 1, 0);
  if (count) std::memcpy(mString, str, count);
  mLength = count;
  mString[mLength] = 0;
}

StringX::StringX(const StringX& str) {
  if (str.mString) AppendBytes(str.mString, str.mLength);
  if (str.mString && !mString) Reallocate(1, 0);  // an allocated "" stays allocated
}

StringX::StringX(StringX&& str) noexcept
    : mString(str.mString), mCapacity(str.mCapacity), mLength(str.mLength) {
  str.mString = nullptr;
  str.mCapacity = 0;
  str.mLength = 0;
}

StringX::~StringX() { delete[] mString; }

StringX& StringX::operator=(const StringX& str) {
  if (this == &str) return *this;
  Clear();
  if (str.mString) {
    Reallocate(str.mLength + 1, 0);
    std::memcpy(mString, str.mString, str.mLength);
    mLength = str.mLength;
    mString[mLength] = 0;
  }
  return *this;
}

StringX& StringX::operator=(StringX&& str) noexcept {
  if (this == &str) return *this;
  delete[] mString;
  mString = str.mString;
  mCapacity = str.mCapacity;
  mLength = str.mLength;
  str.mString = nullptr;
  str.mCapacity = 0;
  str.mLength = 0;
  return *this;
}

StringX& StringX::operator=(const char* str) {
  // Copy before freeing: str may point into this string's own buffer.
  StringX copy;
  copy.AppendBytes(str, StringLength(str));
  return *this = static_cast<StringX&&>(copy);
}

void StringX::Clear() {
  delete[] mString;
  mString = nullptr;
  mCapacity = 0;
  mLength = 0;
}

char& StringX::operator[](unsigned X) {
  KX_ASSERT_MSG(X < mLength, "StringX::operator []", "X < mLength");
  if (X < mCapacity) return mString[X];
  thread_local char sScratch;
  sScratch = 0;
  return sScratch;
}

const char& StringX::operator[](unsigned X) const { return const_cast<StringX&>(*this)[X]; }

char* StringX::CopyCharArray() const {
  KX_ASSERT_MSG(mString, "StringX::CopyCharArray", "mString");
  char* copy = new char[mLength + 1];
  if (mLength) std::memcpy(copy, mString, mLength);
  copy[mLength] = 0;
  return copy;
}

uint32_t StringX::StringLength(const char* str) {
  return str ? static_cast<uint32_t>(std::strlen(str)) : 0;
}

void StringX::Reallocate(uint32_t capacity, uint32_t keep) {
  char* buffer = capacity ? new char[capacity] : nullptr;
  if (buffer) {
    if (keep) std::memcpy(buffer, mString, keep);
    buffer[keep] = 0;
  }
  delete[] mString;
  mString = buffer;
  mCapacity = capacity;
  mLength = buffer ? keep : 0;
}

void StringX::IncreaseCapacity(unsigned extra) {
  if (extra) Reallocate(mCapacity + extra, mLength);
}

void StringX::SetCapacity(unsigned size) {
  if (size == mCapacity) return;
  if (size < mCapacity) mLength = 0;
  Reallocate(size, mLength);
}

void StringX::ShrinkToFit() {
  if (mString && mLength && mCapacity != mLength + 1) Reallocate(mLength + 1, mLength);
}

void StringX::AppendBytes(const char* bytes, uint32_t count) {
  if (!count) return;
  if (count >= INVALID32 - mLength) {
    AssertFailed(__FILE__, "StringX::operator +=", __LINE__, "mLength + count < INVALID32");
    return;
  }
  // One exact buffer; the old one is freed only after the copy, so bytes may alias it.
  const uint32_t length = mLength + count;
  char* buffer = new char[length + 1];
  if (mLength) std::memcpy(buffer, mString, mLength);
  std::memcpy(buffer + mLength, bytes, count);
  buffer[length] = 0;
  delete[] mString;
  mString = buffer;
  mCapacity = length + 1;
  mLength = length;
}

StringX& StringX::operator+=(const StringX& str) {
  AppendBytes(str.mString, str.mLength);
  return *this;
}

StringX& StringX::operator+=(char c) {
  if (mLength >= mCapacity) Reallocate(mCapacity + 32, mLength);
  mString[mLength++] = c;
  if (mLength >= mCapacity) Reallocate(mCapacity + 10, mLength);
  mString[mLength] = 0;
  return *this;
}

StringX& StringX::operator+=(const char* str) {
  KX_ASSERT_MSG(str, "StringX::operator +=", "str");
  AppendBytes(str, StringLength(str));
  return *this;
}

void StringX::AppendUnsigned(uint64_t magnitude, bool negative) {
  char scratch[20];
  uint32_t start = sizeof(scratch);
  do {
    scratch[--start] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  if (negative) scratch[--start] = '-';
  AppendBytes(scratch + start, sizeof(scratch) - start);
}

namespace {
uint64_t Magnitude(int64_t value) {
  return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}
}  // namespace

StringX& StringX::operator+=(int value) { return *this += static_cast<long long>(value); }
StringX& StringX::operator+=(long value) { return *this += static_cast<long long>(value); }
StringX& StringX::operator+=(long long value) {
  AppendUnsigned(Magnitude(value), value < 0);
  return *this;
}
StringX& StringX::operator+=(unsigned int value) {
  return *this += static_cast<unsigned long long>(value);
}
StringX& StringX::operator+=(unsigned long value) {
  return *this += static_cast<unsigned long long>(value);
}
StringX& StringX::operator+=(unsigned long long value) {
  AppendUnsigned(value, false);
  return *this;
}

StringX& StringX::operator+=(float value) {
  char text[128];
  AppendBytes(text, FormatFloat(value, GetFloatNotation(), text));
  return *this;
}

StringX StringX::operator+(const StringX& str) const { return StringX(*this) += str; }
StringX StringX::operator+(char c) const { return StringX(*this) += c; }
StringX StringX::operator+(const char* str) const { return StringX(*this) += str; }
StringX StringX::operator+(int value) const { return StringX(*this) += value; }
StringX StringX::operator+(unsigned int value) const { return StringX(*this) += value; }
StringX StringX::operator+(long value) const { return StringX(*this) += value; }
StringX StringX::operator+(unsigned long value) const { return StringX(*this) += value; }
StringX StringX::operator+(long long value) const { return StringX(*this) += value; }
StringX StringX::operator+(unsigned long long value) const { return StringX(*this) += value; }
StringX StringX::operator+(float value) const { return StringX(*this) += value; }

StringX operator+(const char* left, const StringX& right) { return StringX(left) += right; }

bool StringX::operator==(const StringX& str) const {
  return mLength == str.mLength && (!mLength || std::memcmp(mString, str.mString, mLength) == 0);
}

bool StringX::operator==(const char* str) const {
  if (!str) return false;
  for (uint32_t i = 0; i < mLength; ++i)
    if (!str[i] || str[i] != mString[i]) return false;
  return str[mLength] == 0;
}

bool StringX::operator<(const StringX& str) const {
  const uint32_t shorter = std::min(mLength, str.mLength);
  for (uint32_t i = 0; i < shorter; ++i) {
    const signed char a = static_cast<signed char>(mString[i]);
    const signed char b = static_cast<signed char>(str.mString[i]);
    if (a != b) return a < b;
  }
  return mLength < str.mLength;
}

bool StringX::operator>(const StringX& str) const { return str < *this; }

unsigned StringX::ToLower() {
  for (uint32_t i = 0; i < mLength; ++i)
    if (mString[i] >= 'A' && mString[i] <= 'Z') mString[i] = static_cast<char>(mString[i] + 32);
  return mLength;
}

unsigned StringX::ToUpper() {
  for (uint32_t i = 0; i < mLength; ++i)
    if (mString[i] >= 'a' && mString[i] <= 'z') mString[i] = static_cast<char>(mString[i] - 32);
  return mLength;
}

uint32_t StringX::Search(const char* look, uint32_t start) const {
  const char* source = GetCharArray();
  if (!source || !look) {
    AssertFailed(__FILE__, "StringX::StringIsIn", __LINE__, "strSource && strLook");
    return INVALID32;
  }
  if (start > mLength) return INVALID32;
  for (uint32_t pos = start; source[pos]; ++pos) {
    uint32_t k = 0;
    while (look[k] && source[pos + k] == look[k]) ++k;
    if (!look[k]) return pos;
    if (!source[pos + k]) return INVALID32;  // the source ended inside the pattern
  }
  return INVALID32;
}

bool StringX::StringIsIn(const StringX& look) const {
  return Search(look.GetCharArray(), 0) != INVALID32;
}

bool StringX::StringIsIn(const char* look) const { return Search(look, 0) != INVALID32; }

uint32_t StringX::FindFirstOf(const StringX& str, unsigned offset) const {
  // The offset indexes this string: one past its end can never match.
  if (mLength && offset >= mLength) {
    AssertFailed(__FILE__, "StringX::FindFirstOf", __LINE__, "offset < str.Size()");
    return INVALID32;
  }
  return Search(str.GetCharArray(), offset);
}

uint32_t StringX::FindLastOf(const StringX& str) const {
  uint32_t last = INVALID32;
  for (uint32_t pos = Search(str.GetCharArray(), 0); pos != INVALID32;
       pos = Search(str.GetCharArray(), pos + 1))
    last = pos;
  return last;
}

StringX StringX::SubString(unsigned offset, unsigned count) const {
  if (offset >= mLength) return StringX();
  const uint64_t end = static_cast<uint64_t>(offset) + count;
  if (count < INVALID32 && end < mLength) return StringX(mString + offset, count);
  return StringX(mString + offset, mLength - offset);
}

int32_t StringX::ToInt() const {
  if (!mLength) {
    AssertFailed(__FILE__, "StringX::ToInt", __LINE__, "mLength");
    return 0;
  }
  const bool negative = mString[0] == '-';
  // Unsigned arithmetic: an overlong number wraps instead of overflowing.
  uint32_t value = 0;
  for (uint32_t i = negative ? 1 : 0; i < mLength; ++i) {
    if (IsDigit(mString[i]))
      value = value * 10 + static_cast<uint32_t>(mString[i] - '0');
    else
      AssertFailed(__FILE__, "StringX::ToInt", __LINE__, kNonNumberText);
  }
  return static_cast<int32_t>(negative ? 0 - value : value);
}

double StringX::ToDouble() const {
  if (!mLength) {
    AssertFailed(__FILE__, "StringX::ToDouble", __LINE__, "mLength");
    return 0.0;
  }
  const bool negative = mString[0] == '-';
  double whole = 0.0;
  double fraction = 0.0;
  double scale = 1.0;
  bool separatorSeen = false;
  for (uint32_t i = negative ? 1 : 0; i < mLength; ++i) {
    const char c = mString[i];
    if (IsDigit(c)) {
      if (separatorSeen) {
        if (scale < 1e300) {  // digits past double precision change nothing
          fraction = fraction * 10.0 + (c - '0');
          scale *= 10.0;
        }
      } else {
        whole = whole * 10.0 + (c - '0');
      }
    } else if ((c == '.' || c == ',') && !separatorSeen) {
      separatorSeen = true;
    } else {
      AssertFailed(__FILE__, "StringX::ToDouble", __LINE__, kNonNumberText);
    }
  }
  const double result = whole + fraction / scale;
  return negative ? -result : result;
}

void StringX::SetFloatNotation(uint32_t notation) {
  sFloatNotation.store(std::min<uint32_t>(notation, FLOATNOTATION_NEVER),
                       std::memory_order_relaxed);
}

uint32_t StringX::GetFloatNotation() { return sFloatNotation.load(std::memory_order_relaxed); }
