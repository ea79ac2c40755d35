// The 3DS model reader under libFuzzer.
#include "loaders/Read3DSX.h"
#include "tests/loaders/fuzz/ReaderFuzzX.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzReader<Read3DSX>(
      data, size, ".3ds", [](Read3DSX& reader, const StringX& path) { return reader.Read(path); });
}
