#include "audio/CWaveFile.h"

#include <cstring>

#include "engine/ReportHooksX.h"

namespace {

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool IsFourCC(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

constexpr uint32_t kChunkHeaderSize = 8;
constexpr uint32_t kMinFormatSize = 16;
constexpr uint32_t kMaxSamplesPerSec = 384000;

}  // namespace

bool CWaveFile::Open(const StringX& fileName) {
  Close();
  mName = fileName;
  if (!mReader.Open(fileName)) {
    LogMessage((StringX("Wave file could not be read: ") + fileName).GetCharArray());
    return false;
  }
  if (mReader.GetSize() == 0) return Refuse("the file is empty");
  mData = mReader.GetData();
  mSize = mReader.GetSize();
  return ReadMMIO();
}

bool CWaveFile::OpenFromMemory(const uint8_t* data, uint32_t size, const StringX& name) {
  Close();
  mName = name;
  if (!data || size == 0) return Refuse("the file is empty");
  mData = data;
  mSize = size;
  return ReadMMIO();
}

void CWaveFile::Close() {
  mReader.Close();
  mData = nullptr;
  mSize = 0;
  mFormat = WaveFormatX();
  mDataOffset = 0;
  mDataSize = 0;
  mReadPosition = 0;
}

uint32_t CWaveFile::Read(uint8_t* buffer, uint32_t size) {
  if (!IsOpen() || !buffer || mReadPosition >= mDataSize) return 0;
  const uint32_t count = size < mDataSize - mReadPosition ? size : mDataSize - mReadPosition;
  std::memcpy(buffer, mData + mDataOffset + mReadPosition, count);
  mReadPosition += count;
  return count;
}

bool CWaveFile::Refuse(const StringX& reason) {
  LogMessage((StringX("Wave file refused, ") + reason + ": " + mName).GetCharArray());
  Close();
  return false;
}

bool CWaveFile::ReadMMIO() {
  if (mSize < 12) return Refuse("too short for a RIFF header");
  if (!IsFourCC(mData, "RIFF")) return Refuse("not a RIFF file");
  if (!IsFourCC(mData + 8, "WAVE")) return Refuse("the RIFF form is not WAVE");
  const uint32_t riffSize = ReadU32(mData + 4);
  if (riffSize < 4) return Refuse(StringX("RIFF chunk size ") + riffSize + " is too small");
  if (riffSize > mSize - kChunkHeaderSize) {
    return Refuse(StringX("RIFF chunk size ") + riffSize + " exceeds the file of " + mSize +
                  " bytes");
  }
  // Chunks inside the RIFF chunk; bytes after it are not ours.
  const uint32_t end = kChunkHeaderSize + riffSize;
  const uint8_t* formatChunk = nullptr;
  uint32_t formatSize = 0;
  bool haveData = false;
  uint32_t position = 12;
  while (end - position >= kChunkHeaderSize) {
    const uint8_t* header = mData + position;
    const uint32_t chunkSize = ReadU32(header + 4);
    position += kChunkHeaderSize;
    if (chunkSize > end - position) {
      return Refuse(StringX("chunk '") + StringX(reinterpret_cast<const char*>(header), 4) +
                    "' of " + chunkSize + " bytes exceeds the RIFF data");
    }
    if (IsFourCC(header, "fmt ") && !formatChunk) {
      formatChunk = mData + position;
      formatSize = chunkSize;
    } else if (IsFourCC(header, "data") && !haveData) {
      haveData = true;
      mDataOffset = position;
      mDataSize = chunkSize;
    }
    // An odd-sized chunk is followed by one pad byte; the last one may lack it.
    const uint32_t padded = chunkSize + (chunkSize & 1u);
    if (padded >= end - position) break;
    position += padded;
  }
  if (!formatChunk) return Refuse("no fmt chunk");
  if (!ReadFormat(formatChunk, formatSize)) return false;
  if (!haveData) return Refuse("no data chunk");
  if (mDataSize == 0) return Refuse("the data chunk is empty");
  mReadPosition = 0;
  return true;
}

bool CWaveFile::ReadFormat(const uint8_t* chunk, uint32_t chunkSize) {
  if (chunkSize < kMinFormatSize) {
    return Refuse(StringX("fmt chunk of ") + chunkSize + " bytes is too small");
  }
  mFormat.mFormatTag = ReadU16(chunk);
  mFormat.mChannels = ReadU16(chunk + 2);
  mFormat.mSamplesPerSec = ReadU32(chunk + 4);
  mFormat.mAvgBytesPerSec = ReadU32(chunk + 8);
  mFormat.mBlockAlign = ReadU16(chunk + 12);
  mFormat.mBitsPerSample = ReadU16(chunk + 14);
  // A PCM format carries no extra bytes.
  mFormat.mExtraSize = 0;
  const WaveFormatX& f = mFormat;
  if (f.mFormatTag != WAVE_FORMAT_PCM) {
    return Refuse(StringX("not PCM (format tag ") + static_cast<uint32_t>(f.mFormatTag) + ")");
  }
  if (f.mChannels != 1 && f.mChannels != 2) {
    return Refuse(StringX("") + static_cast<uint32_t>(f.mChannels) +
                  " channels, only mono and stereo are played");
  }
  if (f.mBitsPerSample != 8 && f.mBitsPerSample != 16) {
    return Refuse(StringX("") + static_cast<uint32_t>(f.mBitsPerSample) +
                  " bits per sample, only 8 and 16 are played");
  }
  if (f.mSamplesPerSec == 0 || f.mSamplesPerSec > kMaxSamplesPerSec) {
    return Refuse(StringX("sample rate ") + f.mSamplesPerSec + " is out of range");
  }
  if (f.mBlockAlign != f.mChannels * f.mBitsPerSample / 8) {
    return Refuse(StringX("block align ") + static_cast<uint32_t>(f.mBlockAlign) +
                  " does not match the channels and bits");
  }
  return true;
}
