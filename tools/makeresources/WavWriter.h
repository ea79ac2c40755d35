// RIFF WAVE files: mono, 16-bit PCM.
#pragma once

#include <cstdint>
#include <vector>

namespace kxres {

constexpr uint32_t kSampleRate = 22050;

// samples in [-1, 1]; clipped.
std::vector<uint8_t> EncodeWav(const std::vector<float>& samples,
                               uint32_t sampleRate = kSampleRate);

}  // namespace kxres
