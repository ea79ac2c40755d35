#pragma once
// The text streams. TextReadStreamX renders values as text into an in-memory StringX (for
// logs and tests); TextWriteStreamX is its loading counterpart and takes no values.
#include "streams/StreamX.h"

class TextReadStreamX : public StreamX {
 public:
  TextReadStreamX() = default;

  const StringX& GetText() const { return mText; }
  // Returns the text to empty.
  void Close() override { mText.Clear(); }

  using StreamX::operator<<;
  TextReadStreamX& operator<<(const StringX& text);
  TextReadStreamX& operator<<(StringX& text) { return *this << static_cast<const StringX&>(text); }
  TextReadStreamX& operator<<(const char* text);

  StreamX& Transfer(StreamValueTypeX type, void* value) override;
  StreamX& TransferConst(StreamValueTypeX type, const void* value) override;
  StreamX& TransferFloats(float* values, uint32_t count) override;
  StreamX& TransferFloats(const float* values, uint32_t count) override;

 private:
  StringX mText;
};

class TextWriteStreamX : public StreamX {
 public:
  TextWriteStreamX() = default;

  void Close() override { mText.Clear(); }

  using StreamX::operator<<;
  TextWriteStreamX& operator<<(const StringX& text);
  TextWriteStreamX& operator<<(StringX&) { return *this; }
  TextWriteStreamX& operator<<(const char* text);

  StreamX& Transfer(StreamValueTypeX, void*) override { return *this; }
  StreamX& TransferConst(StreamValueTypeX type, const void* value) override;

 private:
  StringX mText;
};
