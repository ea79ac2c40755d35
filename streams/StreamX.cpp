#include "streams/StreamX.h"

#include "engine/ReportHooksX.h"

uint32_t StreamEncodedSize(StreamValueTypeX type) {
  switch (type) {
    case SV_DOUBLE:
    case SV_INT64:
    case SV_UINT64:
      return 8;
    case SV_FLOAT:
    case SV_LONG:
    case SV_INT:
    case SV_ULONG:
    case SV_UINT:
      return 4;
    case SV_SHORT:
    case SV_USHORT:
      return 2;
    case SV_CHAR:
    case SV_UCHAR:
    case SV_BOOL:
      return 1;
  }
  return 0;
}

void StreamX::SetMode(uint32_t mode) {
  KX_ASSERT(mMode == SM_NONE, "StreamX::SetMode");
  mMode = mode;
}

StreamX& StreamX::TransferFloats(float* values, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) Transfer(SV_FLOAT, values + i);
  return *this;
}

StreamX& StreamX::TransferFloats(const float* values, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) TransferConst(SV_FLOAT, values + i);
  return *this;
}

StreamX& StreamX::TransferBytes(void* bytes, uint32_t count) {
  unsigned char* values = static_cast<unsigned char*>(bytes);
  for (uint32_t i = 0; i < count; ++i) Transfer(SV_UCHAR, values + i);
  return *this;
}

StreamX& StreamX::TransferBytes(const void* bytes, uint32_t count) {
  const unsigned char* values = static_cast<const unsigned char*>(bytes);
  for (uint32_t i = 0; i < count; ++i) TransferConst(SV_UCHAR, values + i);
  return *this;
}
