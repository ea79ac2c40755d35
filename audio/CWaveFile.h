#pragma once
// Reads RIFF wave files: the "RIFF" chunk of form "WAVE" with its "fmt " and "data" chunks.
// Every size in the file is checked against the bytes that are really there before it is
// used; odd-sized chunks are followed by their pad byte. Only PCM data of 8 or 16 bits, mono
// or stereo, is accepted. A refused file is named in one log line with the reason.
#include <cstdint>

#include "foundation/StringX.h"
#include "streams/BinaryReaderX.h"

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// The "fmt " chunk (WAVEFORMATEX); mExtraSize is 0 for PCM.
struct WaveFormatX {
  uint16_t mFormatTag = 0;
  uint16_t mChannels = 0;
  uint32_t mSamplesPerSec = 0;
  uint32_t mAvgBytesPerSec = 0;
  uint16_t mBlockAlign = 0;
  uint16_t mBitsPerSample = 0;
  uint16_t mExtraSize = 0;
};

class CWaveFile {
 public:
  CWaveFile() = default;
  CWaveFile(const CWaveFile&) = delete;
  CWaveFile& operator=(const CWaveFile&) = delete;

  // Reads the whole file and walks its chunks; false (logged) when it cannot be used.
  bool Open(const StringX& fileName);
  // The same over bytes in memory, which must stay alive while this file is open.
  bool OpenFromMemory(const uint8_t* data, uint32_t size, const StringX& name);
  void Close();

  bool IsOpen() const { return mData != nullptr; }
  // The format, or null when no file is open.
  const WaveFormatX* GetFormat() const { return IsOpen() ? &mFormat : nullptr; }
  // Bytes of sample data in the data chunk.
  uint32_t GetSize() const { return mDataSize; }

  // Moves the read position back to the start of the sample data.
  void ResetFile() { mReadPosition = 0; }
  // Copies up to `size` bytes from the read position, never past the data chunk's end;
  // returns the number copied.
  uint32_t Read(uint8_t* buffer, uint32_t size);

 private:
  // Walks the RIFF structure of mData/mSize; fills mFormat and the data chunk's place.
  bool ReadMMIO();
  bool ReadFormat(const uint8_t* chunk, uint32_t chunkSize);
  bool Refuse(const StringX& reason);

  BinaryReaderX mReader;
  StringX mName;
  const uint8_t* mData = nullptr;
  uint32_t mSize = 0;
  WaveFormatX mFormat;
  uint32_t mDataOffset = 0;
  uint32_t mDataSize = 0;
  uint32_t mReadPosition = 0;
};
