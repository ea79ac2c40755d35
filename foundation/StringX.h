#pragma once
// StringX: the engine's 8-bit string. A heap-owned, NUL-terminated buffer with an explicit
// length and a separate capacity; no encoding is assumed and every copy is deep. Misuse is
// reported through AssertFailed and the call goes on with a safe result.
#include <cstdint>

// The value that means "no index" (all bits set), and its 8-bit counterpart.
constexpr uint32_t INVALID32 = 0xFFFFFFFFu;
constexpr uint8_t INVALID8 = 0xFFu;

// When the float text uses an exponent.
enum FloatNotationX : uint32_t {
  FLOATNOTATION_ALWAYS = 0,   // whenever the decimal exponent is not 0
  FLOATNOTATION_DEFAULT = 1,  // when the absolute decimal exponent is 4 or more
  FLOATNOTATION_NEVER = 2,
};

class StringX {
 public:
  StringX() = default;
  StringX(const char* str);  // NOLINT: implicit on purpose, text literals convert freely
  StringX(const char* str, unsigned count);
  StringX(const StringX& str);
  StringX(StringX&& str) noexcept;
  ~StringX();

  StringX& operator=(const StringX& str);
  StringX& operator=(StringX&& str) noexcept;
  StringX& operator=(const char* str);

  // Frees the buffer and returns to the empty, never-allocated form.
  void Clear();

  uint32_t Size() const { return mLength; }
  bool Empty() const { return mLength == 0; }
  uint32_t Capacity() const { return mCapacity; }

  // Character X; X must be below Size(). A bad index is reported and answered with a scratch
  // character, never with memory outside the buffer.
  char& operator[](unsigned X);
  const char& operator[](unsigned X) const;

  // The buffer for reading, or null when the string is empty.
  const char* GetCharArray() const { return mLength ? mString : nullptr; }
  // A fresh copy of the text with its terminator; the caller frees it with delete[].
  char* CopyCharArray() const;
  // Bytes before the terminator; 0 for null.
  static uint32_t StringLength(const char* str);

  void IncreaseCapacity(unsigned extra);
  void SetCapacity(unsigned size);
  void ShrinkToFit();

  StringX& operator+=(const StringX& str);
  StringX& operator+=(char c);
  StringX& operator+=(const char* str);
  StringX& operator+=(int value);
  StringX& operator+=(unsigned int value);
  StringX& operator+=(long value);
  StringX& operator+=(unsigned long value);
  StringX& operator+=(long long value);
  StringX& operator+=(unsigned long long value);
  StringX& operator+=(float value);
  StringX& operator+=(double value) { return *this += static_cast<float>(value); }

  StringX operator+(const StringX& str) const;
  StringX operator+(char c) const;
  StringX operator+(const char* str) const;
  StringX operator+(int value) const;
  StringX operator+(unsigned int value) const;
  StringX operator+(long value) const;
  StringX operator+(unsigned long value) const;
  StringX operator+(long long value) const;
  StringX operator+(unsigned long long value) const;
  StringX operator+(float value) const;
  StringX operator+(double value) const { return *this + static_cast<float>(value); }

  bool operator==(const StringX& str) const;
  bool operator==(const char* str) const;
  bool operator!=(const StringX& str) const { return !(*this == str); }
  bool operator!=(const char* str) const { return !(*this == str); }
  // Byte order with signed 8-bit bytes; a prefix sorts first; no case folding.
  bool operator<(const StringX& str) const;
  bool operator>(const StringX& str) const;

  // ASCII letters only; return the number of characters visited.
  unsigned ToLower();
  unsigned ToUpper();

  bool StringIsIn(const StringX& look) const;
  bool StringIsIn(const char* look) const;
  // First occurrence of the whole of str at or after offset, or INVALID32.
  uint32_t FindFirstOf(const StringX& str, unsigned offset = 0) const;
  // Last occurrence of the whole of str, or INVALID32.
  uint32_t FindLastOf(const StringX& str) const;
  // count characters from offset; INVALID32 (or a count past the end) takes the rest.
  StringX SubString(unsigned offset, unsigned count = INVALID32) const;

  int32_t ToInt() const;
  double ToDouble() const;

  // The process-wide float notation (FloatNotationX), shared by every thread.
  static void SetFloatNotation(uint32_t notation);
  static uint32_t GetFloatNotation();

 private:
  // Replaces the buffer with a fresh one of `capacity` bytes holding the first `keep` characters.
  void Reallocate(uint32_t capacity, uint32_t keep);
  void AppendBytes(const char* bytes, uint32_t count);
  void AppendUnsigned(uint64_t magnitude, bool negative);
  // Position of look in the buffer at or after start, or INVALID32.
  uint32_t Search(const char* look, uint32_t start) const;

  char* mString = nullptr;
  uint32_t mCapacity = 0;
  uint32_t mLength = 0;
};

StringX operator+(const char* left, const StringX& right);
