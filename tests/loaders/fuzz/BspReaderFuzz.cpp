// The Quake 2 map reader under libFuzzer.
#include "loaders/ReadBSPQuakeX.h"
#include "tests/loaders/fuzz/ReaderFuzzX.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzReader<ReadBSPQuake>(
      data, size, ".bsp",
      [](ReadBSPQuake& reader, const StringX& path) { return reader.ReadFile(path); });
}
