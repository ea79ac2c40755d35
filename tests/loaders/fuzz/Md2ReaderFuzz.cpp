// The MD2 model reader under libFuzzer.
#include "loaders/ReadMD2X.h"
#include "tests/loaders/fuzz/ReaderFuzzX.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzReader<ReadMD2X>(
      data, size, ".md2", [](ReadMD2X& reader, const StringX& path) { return reader.Read(path); });
}
