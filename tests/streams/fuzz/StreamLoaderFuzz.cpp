// Fuzz target: arbitrary bytes loaded through BinaryWriteStream into a record with every
// primitive, composites and nested arrays, then walked with BinaryReaderX. Any crash,
// over-read or huge allocation is a fault.
#include <cstdlib>

#include "geometry/Vector3fX.h"
#include "streams/BinaryReaderX.h"
#include "streams/BinaryStreamsX.h"
#include "tests/streams/PrimitiveValuesX.h"
#include "tests/streams/fuzz/FuzzSupportX.h"

namespace {

struct RecordX : PrimitiveValuesX {
  ArrayX<unsigned char> bytes;
  ArrayX<Vector3fX> points;
  ArrayX<ArrayX<unsigned int>> nested;

  void Serialize(StreamX& stream) {
    SerializePrimitives(stream);
    stream << bytes << points << nested;
  }
};

void WalkWithReader(const StringX& name) {
  BinaryReaderX reader;
  if (!reader.Open(name)) return;
  // The first bytes steer a sequence of reads, seeks and skips.
  for (int step = 0; step < 64 && reader.GetRemaining() > 0; ++step) {
    switch (reader.ReadByte() % 8) {
      case 0:
        delete[] reader.ReadString();
        break;
      case 1:
        reader.Skip(reader.ReadUInt16());
        break;
      case 2:
        reader.Seek(reader.ReadUInt32());
        break;
      case 3:
        delete[] reader.ReadBytes(reader.ReadUInt16());
        break;
      case 4:
        (void)reader.ReadDouble();
        (void)reader.ReadInt64();
        break;
      case 5: {
        uint8_t buffer[16];
        (void)reader.Read(buffer, reader.ReadByte() % 17);
        break;
      }
      case 6: {
        const uint32_t remaining = reader.GetRemaining();
        uint8_t* rest = new uint8_t[remaining ? remaining : 1];
        reader.ReadRemaining(rest);
        delete[] rest;
        break;
      }
      default:
        (void)reader.ReadFloat();
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = FuzzFolder() + "/stream.bin";
  static const StringX name(path.c_str());
  WriteFuzzFile(path, data, size);

  RecordX record;
  BinaryWriteStream stream(name);
  record.Serialize(stream);
  const uint32_t state = stream.GetState();
  if (state > STREAMSTATE_AT_END) abort();  // the file exists: 3 is impossible
  if (state == STREAMSTATE_AT_END && stream.GetRemaining() != 0) abort();
  stream.Close();

  WalkWithReader(name);
  return 0;
}
