// libFuzzer entry point for the image readers (built with -DKX_FUZZ=ON and clang).
#include "BitmapFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzImageReaders(data, size);
  return 0;
}
