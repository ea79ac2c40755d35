// libFuzzer target for the RIFF wave reader: any bytes must be refused or read within their
// bounds, and an accepted file must describe a format the sound device can play.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audio/CWaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1u << 20) return 0;
  CWaveFile wave;
  if (!wave.OpenFromMemory(data, static_cast<uint32_t>(size), "fuzz.wav")) return 0;
  const WaveFormatX& format = *wave.GetFormat();
  const bool playable = format.mFormatTag == WAVE_FORMAT_PCM &&
                        (format.mChannels == 1 || format.mChannels == 2) &&
                        (format.mBitsPerSample == 8 || format.mBitsPerSample == 16) &&
                        format.mBlockAlign == format.mChannels * format.mBitsPerSample / 8 &&
                        format.mSamplesPerSec > 0;
  if (!playable || wave.GetSize() == 0 || wave.GetSize() > size) abort();
  std::vector<uint8_t> buffer(97);
  uint32_t total = 0;
  while (uint32_t count = wave.Read(buffer.data(), static_cast<uint32_t>(buffer.size()))) {
    total += count;
  }
  if (total != wave.GetSize()) abort();
  return 0;
}
