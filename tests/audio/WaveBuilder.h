#pragma once
// Builds RIFF wave files in memory for the audio tests, well-formed or damaged on purpose.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

// What WaveBuilder::Make builds: the format fields and a sine tone.
struct WaveShape {
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
  static std::vector<uint8_t> Make(const WaveShape& shape) {
    std::vector<uint8_t> file;
    Append(file, "RIFF");
    Put32(file, 0);  // the RIFF chunk's size, set at the end
    Append(file, "WAVE");
    std::vector<uint8_t> format;
    Put16(format, shape.formatTag);
    Put16(format, shape.channels);
    Put32(format, shape.rate);
    const uint16_t blockAlign = static_cast<uint16_t>(shape.channels * shape.bits / 8);
    Put32(format, shape.rate * blockAlign);
    Put16(format, blockAlign);
    Put16(format, shape.bits);
    format.resize(shape.formatSize, 0);
    Chunk(file, "fmt ", format);
    if (shape.oddChunkBeforeData) Chunk(file, "note", {'a', 'b', 'c'});
    Chunk(file, "data", Data(shape));
    if (shape.dropFinalPad) file.pop_back();
    Set32(file, 4, static_cast<uint32_t>(file.size() - 8));
    return file;
  }

  // The data chunk's bytes: a sine tone (the same value on every channel), and with
  // dropFinalPad one zero byte more for an odd byte count.
  static std::vector<uint8_t> Data(const WaveShape& shape) {
    std::vector<uint8_t> out;
    for (uint32_t i = 0; i < shape.frames; ++i) {
      const float v = shape.amplitude * std::sin(6.2831853f * shape.frequency * i / shape.rate);
      for (uint16_t c = 0; c < shape.channels; ++c) {
        if (shape.bits == 8) {
          out.push_back(static_cast<uint8_t>(128 + std::lround(v * 127.0f)));
        } else {
          Put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767.0f))));
        }
      }
    }
    if (shape.dropFinalPad) out.push_back(0);
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
