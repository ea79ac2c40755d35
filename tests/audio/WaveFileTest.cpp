// The RIFF wave reader: generated files of every accepted kind, and damaged or unsupported
// files, which must be refused with a log line and never read outside their bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "ReportCaptureX.h"
#include "WaveBuilder.h"
#include "audio/CWaveFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Reads all the sample data of an open wave file from its start, in pieces of an odd size.
Bytes ReadAll(CWaveFile& wave) {
  Bytes out;
  uint8_t piece[61];
  wave.ResetFile();
  while (uint32_t n = wave.Read(piece, sizeof(piece))) out.insert(out.end(), piece, piece + n);
  return out;
}

// Opens a copy of exactly `bytes` on the heap, so that AddressSanitizer sees any over-read.
bool OpenExact(CWaveFile& wave, const Bytes& bytes) {
  static Bytes copy;
  copy = bytes;
  copy.shrink_to_fit();
  return wave.OpenFromMemory(copy.data(), static_cast<uint32_t>(copy.size()), "test.wav");
}

void SetSize(Bytes& b, size_t at, size_t size) {
  WaveBuilder::Set32(b, at, static_cast<uint32_t>(size));
}

// A file of `shape`, then damaged by `damage`. Offsets in the file: RIFF size at 4, fmt chunk
// at 12 (its size at 16, block align at 32), data chunk at 36 (its size at 40).
struct FileCase {
  const char* name;
  WaveShape shape;
  void (*damage)(Bytes&) = nullptr;
  const char* reason = "";  // of a refused file: part of the log line

  Bytes Build() const {
    Bytes bytes = WaveBuilder::Make(shape);
    if (damage) damage(bytes);
    return bytes;
  }
};

const FileCase sGoodFiles[] = {
    {"mono, 16 bits", {}},
    {"stereo, 16 bits at 11025 Hz", {.channels = 2, .rate = 11025}},
    {"mono, 8 bits: odd data with its pad byte", {.bits = 8}},
    {"stereo, 8 bits", {.channels = 2, .bits = 8}},
    {"odd chunk before the data, fmt with extra size",
     {.formatSize = 18, .oddChunkBeforeData = true}},
    {"odd data at the end without its pad byte", {.dropFinalPad = true}},
    {"chunk after the data",
     {},
     [](Bytes& b) {
       WaveBuilder::Chunk(b, "LIST", Bytes(40, 0xEE));
       SetSize(b, 4, b.size() - 8);
     }},
};

TEST(WaveFileTest, ReadsEveryAcceptedFileWithinItsDataChunk) {
  for (const FileCase& file : sGoodFiles) {
    SCOPED_TRACE(file.name);
    const WaveShape& shape = file.shape;
    CWaveFile wave;
    ASSERT_TRUE(OpenExact(wave, file.Build()));
    const WaveFormatX* format = wave.GetFormat();
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->mFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format->mChannels, shape.channels);
    EXPECT_EQ(format->mBitsPerSample, shape.bits);
    EXPECT_EQ(format->mSamplesPerSec, shape.rate);
    EXPECT_EQ(format->mBlockAlign, shape.channels * shape.bits / 8);
    EXPECT_EQ(format->mExtraSize, 0);
    EXPECT_EQ(wave.GetSize(), WaveBuilder::Data(shape).size());
    EXPECT_EQ(ReadAll(wave), WaveBuilder::Data(shape));
    EXPECT_EQ(ReadAll(wave), WaveBuilder::Data(shape));  // ResetFile starts over
  }
}

TEST(WaveFileTest, OpensFilesFromDisk) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("kx_wave_" + std::to_string(getpid()) + ".wav");
  ASSERT_TRUE(WaveBuilder::Write(path.string(), WaveBuilder::Make(WaveShape())));
  CWaveFile wave;
  ASSERT_TRUE(wave.Open(path.string().c_str()));
  EXPECT_EQ(ReadAll(wave), WaveBuilder::Data(WaveShape()));
  wave.Close();
  EXPECT_EQ(wave.GetFormat(), nullptr);
  std::filesystem::remove(path);

  ReportCaptureX log;
  EXPECT_FALSE(wave.Open("no\\such\\file.wav"));
  EXPECT_TRUE(log.HasLog("no\\such\\file.wav"));
}

const FileCase sBadFiles[] = {
    {"float samples", {.formatTag = 3}, nullptr, "not PCM"},
    {"extensible", {.formatTag = 0xFFFE}, nullptr, "not PCM"},
    {"24 bits", {.bits = 24}, nullptr, "bits per sample"},
    {"zero bits", {.bits = 0}, nullptr, "bits per sample"},
    {"three channels", {.channels = 3}, nullptr, "channels"},
    {"no channels", {.channels = 0}, nullptr, "channels"},
    {"rate 0", {.rate = 0}, nullptr, "sample rate"},
    {"short fmt", {.formatSize = 14}, nullptr, "fmt chunk"},
    {"no data", {.frames = 0}, nullptr, "empty"},
    {"block align", {}, [](Bytes& b) { b[32] = 3; }, "block align"},
    {"not RIFF", {}, [](Bytes& b) { b[0] = 'X'; }, "not a RIFF"},
    {"not WAVE", {}, [](Bytes& b) { b[8] = 'A'; }, "not WAVE"},
    {"RIFF size past the end", {}, [](Bytes& b) { SetSize(b, 4, b.size()); }, "exceeds the file"},
    {"RIFF size huge", {}, [](Bytes& b) { SetSize(b, 4, 0xFFFFFFFFu); }, "exceeds the file"},
    {"oversized data", {}, [](Bytes& b) { SetSize(b, 40, b.size()); }, "exceeds the RIFF data"},
    {"data size wraps", {}, [](Bytes& b) { SetSize(b, 40, 0xFFFFFFF8u); }, "exceeds the RIFF data"},
    {"oversized fmt", {}, [](Bytes& b) { SetSize(b, 16, 0xFFFFFFFFu); }, "exceeds the RIFF data"},
    {"no fmt", {}, [](Bytes& b) { std::memcpy(&b[12], "fake", 4); }, "no fmt chunk"},
    {"no data chunk", {}, [](Bytes& b) { std::memcpy(&b[36], "dumb", 4); }, "no data chunk"},
    {"empty", {}, [](Bytes& b) { b.clear(); }, "empty"},
};

TEST(WaveFileTest, RefusesDamagedAndUnsupportedFilesWithALogLine) {
  for (const FileCase& file : sBadFiles) {
    SCOPED_TRACE(file.name);
    ReportCaptureX log;
    CWaveFile wave;
    EXPECT_FALSE(OpenExact(wave, file.Build()));
    EXPECT_FALSE(wave.IsOpen());
    EXPECT_EQ(wave.GetFormat(), nullptr);
    EXPECT_EQ(wave.GetSize(), 0u);
    uint8_t byte;
    EXPECT_EQ(wave.Read(&byte, 1), 0u);
    ASSERT_EQ(log.Logs().size(), 1u);
    EXPECT_NE(log.Logs()[0].find(file.reason), std::string::npos) << log.Logs()[0];
    EXPECT_NE(log.Logs()[0].find("test.wav"), std::string::npos);
  }
}

TEST(WaveFileTest, RefusesEveryTruncationOfAGoodFile) {
  WaveShape shape;
  shape.frames = 40;
  shape.oddChunkBeforeData = true;
  const Bytes good = WaveBuilder::Make(shape);
  ReportCaptureX log;
  for (size_t size = 0; size < good.size(); ++size) {
    SCOPED_TRACE(size);
    log.Clear();
    CWaveFile wave;
    EXPECT_FALSE(OpenExact(wave, Bytes(good.begin(), good.begin() + size)));
    EXPECT_EQ(log.Logs().size(), 1u);
  }
}

}  // namespace
