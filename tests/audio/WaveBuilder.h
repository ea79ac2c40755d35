#pragma once
// Builds RIFF wave files in memory for the audio tests, well-formed or damaged on purpose.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

struct WaveSpec {
  uint16_t formatTag = 1;
  uint16_t channels = 1;
  uint16_t bits = 16;
  uint32_t rate = 22050;
  uint32_t frames = 2205;
  float frequency = 440.0f;
  float amplitude = 0.5f;
  uint32_t formatSize = 16;  // 18 adds an extra-size field
  // An odd-sized chunk before "data" (its pad byte included).
  bool oddChunkBeforeData = false;
  // An odd number of data bytes without the final pad byte.
  bool dropFinalPad = false;
};

class WaveBuilder {
 public:
  static std::vector<uint8_t> Make(const WaveSpec& spec) {
    std::vector<uint8_t> body;
    Append(body, "WAVE");
    std::vector<uint8_t> format;
    Put16(format, spec.formatTag);
    Put16(format, spec.channels);
    Put32(format, spec.rate);
    const uint16_t blockAlign = static_cast<uint16_t>(spec.channels * spec.bits / 8);
    Put32(format, spec.rate * blockAlign);
    Put16(format, blockAlign);
    Put16(format, spec.bits);
    format.resize(spec.formatSize, 0);
    Chunk(body, "fmt ", format);
    if (spec.oddChunkBeforeData) Chunk(body, "note", {'a', 'b', 'c'});
    std::vector<uint8_t> samples = Samples(spec);
    if (spec.dropFinalPad) samples.push_back(0);  // an odd byte count
    Chunk(body, "data", samples);
    if (spec.dropFinalPad) body.pop_back();
    std::vector<uint8_t> file;
    Append(file, "RIFF");
    Put32(file, static_cast<uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
  }

  // The sample bytes of a sine tone (the same value on every channel).
  static std::vector<uint8_t> Samples(const WaveSpec& spec) {
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < spec.frames; ++i) {
      const float v = spec.amplitude * std::sin(6.2831853f * spec.frequency * i / spec.rate);
      for (uint16_t c = 0; c < spec.channels; ++c) {
        if (spec.bits == 8) {
          out.push_back(static_cast<uint8_t>(128 + std::lround(v * 127.0f)));
        } else {
          Put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767.0f))));
        }
      }
    }
    return out;
  }

  static void Chunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& data) {
    Append(out, id);
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1u) out.push_back(0);
  }

  static void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  static void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  static void Set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  static void Append(std::vector<uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
  }

  static bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
  }
};
