#pragma once
// The binary streams. BinaryReadStream saves: it reads the program's variables and writes
// them to a file. BinaryWriteStream loads: it reads a whole file and writes its values into
// the program's variables.
#include <memory>

#include "streams/BinaryReaderX.h"
#include "streams/BinaryWriterX.h"
#include "streams/StreamX.h"

class BinaryReadStream : public StreamX {
 public:
  // Opens `fileName` for writing, creating missing folders and replacing an existing file.
  // State 3 when the file could not be opened.
  explicit BinaryReadStream(const StringX& fileName);
  BinaryReadStream();  // not allowed: reports and stays without a file (state 3)
  ~BinaryReadStream() override;
  BinaryReadStream(const BinaryReadStream&) = delete;
  BinaryReadStream& operator=(const BinaryReadStream&) = delete;

  // Writes the pending bytes. A failed write moves the state to 3.
  void Close() override;

  StreamX& Transfer(StreamValueTypeX type, void* value) override;
  StreamX& TransferConst(StreamValueTypeX type, const void* value) override;
  StreamX& TransferBytes(void* bytes, uint32_t count) override;
  StreamX& TransferBytes(const void* bytes, uint32_t count) override;

 private:
  // Checks the writer after a write: once it failed, later values are skipped.
  void NoteWriteResult();

  std::unique_ptr<BinaryWriterX> mWriter;
};

class BinaryWriteStream : public StreamX {
 public:
  // Reads the whole of `fileName`; state 3 when that failed.
  explicit BinaryWriteStream(const StringX& fileName);
  BinaryWriteStream();  // not allowed: reports and stays without a file (state 3)
  ~BinaryWriteStream() override = default;
  BinaryWriteStream(const BinaryWriteStream&) = delete;
  BinaryWriteStream& operator=(const BinaryWriteStream&) = delete;

  void Close() override { mReader.Close(); }
  uint32_t GetRemaining() const override { return mReader.GetRemaining(); }

  StreamX& Transfer(StreamValueTypeX type, void* value) override;
  StreamX& TransferConst(StreamValueTypeX type, const void* value) override;
  StreamX& TransferBytes(void* bytes, uint32_t count) override;
  StreamX& TransferBytes(const void* bytes, uint32_t count) override;

 private:
  // Applies the remaining-bytes rule for a value of n bytes: false when it is not all there
  // (state 1); state 2 when it ends exactly at the last byte.
  bool Available(uint32_t n);

  BinaryReaderX mReader;
};
