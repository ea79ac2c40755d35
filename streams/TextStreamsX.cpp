#include "streams/TextStreamsX.h"

#include "engine/ReportHooksX.h"

TextReadStreamX& TextReadStreamX::operator<<(const StringX& text) {
  mText += text;
  return *this;
}

TextReadStreamX& TextReadStreamX::operator<<(const char* text) {
  if (text && *text) mText += text;
  return *this;
}

StreamX& TextReadStreamX::Transfer(StreamValueTypeX type, void* value) {
  return TransferConst(type, value);
}

StreamX& TextReadStreamX::TransferConst(StreamValueTypeX type, const void* value) {
  switch (type) {
    case SV_DOUBLE:
      mText += *static_cast<const double*>(value);
      break;
    case SV_FLOAT:
      mText += *static_cast<const float*>(value);
      break;
    case SV_INT64:
      mText += *static_cast<const long long*>(value);
      break;
    case SV_LONG:
      mText += *static_cast<const long*>(value);
      break;
    case SV_SHORT:
      mText += static_cast<int>(*static_cast<const short*>(value));
      break;
    case SV_INT:
      mText += *static_cast<const int*>(value);
      break;
    case SV_UINT64:
      mText += *static_cast<const unsigned long long*>(value);
      break;
    case SV_ULONG:
      mText += *static_cast<const unsigned long*>(value);
      break;
    case SV_USHORT:
      mText += static_cast<unsigned int>(*static_cast<const unsigned short*>(value));
      break;
    case SV_UINT:
      mText += *static_cast<const unsigned int*>(value);
      break;
    case SV_CHAR:
      mText += *static_cast<const char*>(value);
      break;
    case SV_UCHAR:
      mText += static_cast<unsigned int>(*static_cast<const unsigned char*>(value));
      break;
    case SV_BOOL:
      mText += *static_cast<const bool*>(value) ? "true" : "false";
      break;
  }
  return *this;
}

StreamX& TextReadStreamX::TransferFloats(float* values, uint32_t count) {
  return TransferFloats(static_cast<const float*>(values), count);
}

StreamX& TextReadStreamX::TransferFloats(const float* values, uint32_t count) {
  mText += '(';
  for (uint32_t i = 0; i < count; ++i) {
    if (i) mText += ',';
    mText += values[i];
  }
  mText += ')';
  return *this;
}

TextWriteStreamX& TextWriteStreamX::operator<<(const StringX&) {
  KX_ASSERT_MSG(false, "TextWriteStreamX::operator <<", "Can't write to a const val");
  return *this;
}

TextWriteStreamX& TextWriteStreamX::operator<<(const char*) {
  KX_ASSERT_MSG(false, "TextWriteStreamX::operator <<", "Can't write to a const val");
  return *this;
}

StreamX& TextWriteStreamX::TransferConst(StreamValueTypeX, const void*) {
  KX_ASSERT_MSG(false, "TextWriteStreamX::operator <<", "Can't write to a const val");
  return *this;
}
