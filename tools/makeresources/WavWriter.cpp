#include "WavWriter.h"

#include <algorithm>
#include <cmath>

#include "ByteBuffer.h"

namespace kxres {

std::vector<uint8_t> EncodeWav(const std::vector<float>& samples, uint32_t sampleRate) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size()) * 2;
  ByteBuffer b;
  b.Text("RIFF");
  b.U32(4 + (8 + 16) + (8 + dataBytes));
  b.Text("WAVE");
  b.Text("fmt ");
  b.U32(16);
  b.U16(1);  // PCM
  b.U16(1);  // mono
  b.U32(sampleRate);
  b.U32(sampleRate * 2);  // bytes per second
  b.U16(2);               // block align
  b.U16(16);              // bits per sample
  b.Text("data");
  b.U32(dataBytes);
  for (float s : samples)
    b.I16(static_cast<int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f)));
  return b.Data();
}

}  // namespace kxres
