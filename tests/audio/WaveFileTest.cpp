// The RIFF wave reader: generated files of every accepted kind, and damaged or unsupported
// files, which must be refused with a log line and never read outside their bytes.
#include <gtest/gtest.h>

#include <filesystem>

#include "ReportCaptureX.h"
#include "WaveBuilder.h"
#include "audio/CWaveFile.h"

namespace {

// Reads all the sample data of an open wave file.
std::vector<uint8_t> ReadAll(CWaveFile& wave) {
  std::vector<uint8_t> out(wave.GetSize() + 16);
  wave.ResetFile();
  out.resize(wave.Read(out.data(), static_cast<uint32_t>(out.size())));
  return out;
}

// Opens a copy of exactly `bytes` on the heap, so that AddressSanitizer sees any over-read.
bool OpenExact(CWaveFile& wave, const std::vector<uint8_t>& bytes) {
  static std::vector<uint8_t> copy;
  copy = bytes;
  copy.shrink_to_fit();
  return wave.OpenFromMemory(copy.data(), static_cast<uint32_t>(copy.size()), "test.wav");
}

TEST(WaveFileTest, ReadsPcmOfEveryAcceptedKind) {
  for (uint16_t channels : {1, 2}) {
    for (uint16_t bits : {8, 16}) {
      SCOPED_TRACE(testing::Message() << channels << " channels, " << bits << " bits");
      WaveSpec spec;
      spec.channels = channels;
      spec.bits = bits;
      spec.rate = 11025;
      CWaveFile wave;
      ASSERT_TRUE(OpenExact(wave, WaveBuilder::Make(spec)));
      const WaveFormatX* format = wave.GetFormat();
      ASSERT_NE(format, nullptr);
      EXPECT_EQ(format->mFormatTag, WAVE_FORMAT_PCM);
      EXPECT_EQ(format->mChannels, channels);
      EXPECT_EQ(format->mBitsPerSample, bits);
      EXPECT_EQ(format->mSamplesPerSec, 11025u);
      EXPECT_EQ(format->mBlockAlign, channels * bits / 8);
      EXPECT_EQ(format->mExtraSize, 0);
      EXPECT_EQ(ReadAll(wave), WaveBuilder::Samples(spec));
    }
  }
}

TEST(WaveFileTest, ReadsInPiecesAndStopsAtTheChunkEnd) {
  WaveSpec spec;
  spec.frames = 101;
  std::vector<uint8_t> bytes = WaveBuilder::Make(spec);
  WaveBuilder::Chunk(bytes, "LIST", std::vector<uint8_t>(40, 0xEE));  // after the data
  WaveBuilder::Set32(bytes, 4, static_cast<uint32_t>(bytes.size() - 8));
  CWaveFile wave;
  ASSERT_TRUE(OpenExact(wave, bytes));
  EXPECT_EQ(wave.GetSize(), 202u);
  std::vector<uint8_t> read;
  uint8_t piece[64];
  while (uint32_t n = wave.Read(piece, sizeof(piece))) read.insert(read.end(), piece, piece + n);
  EXPECT_EQ(read, WaveBuilder::Samples(spec));
  EXPECT_EQ(wave.Read(piece, sizeof(piece)), 0u);
  wave.ResetFile();
  EXPECT_EQ(wave.Read(piece, 10), 10u);
}

TEST(WaveFileTest, FollowsPadBytesOfOddChunks) {
  WaveSpec spec;
  spec.oddChunkBeforeData = true;
  spec.formatSize = 18;
  CWaveFile wave;
  ASSERT_TRUE(OpenExact(wave, WaveBuilder::Make(spec)));
  EXPECT_EQ(ReadAll(wave), WaveBuilder::Samples(spec));

  // An odd data chunk at the very end may lack its pad byte.
  WaveSpec last;
  last.dropFinalPad = true;
  std::vector<uint8_t> expected = WaveBuilder::Samples(last);
  expected.push_back(0);
  ASSERT_TRUE(OpenExact(wave, WaveBuilder::Make(last)));
  EXPECT_EQ(ReadAll(wave), expected);
}

TEST(WaveFileTest, OpensFilesFromDisk) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("kx_wave_" + std::to_string(getpid()) + ".wav");
  WaveSpec spec;
  ASSERT_TRUE(WaveBuilder::Write(path.string(), WaveBuilder::Make(spec)));
  CWaveFile wave;
  ASSERT_TRUE(wave.Open(path.string().c_str()));
  EXPECT_EQ(ReadAll(wave), WaveBuilder::Samples(spec));
  wave.Close();
  EXPECT_EQ(wave.GetFormat(), nullptr);
  std::filesystem::remove(path);

  ReportCaptureX log;
  EXPECT_FALSE(wave.Open("no\\such\\file.wav"));
  EXPECT_TRUE(log.HasLog("no\\such\\file.wav"));
}

struct BadFile {
  const char* name;
  std::vector<uint8_t> bytes;
  const char* reason;  // part of the log line
};

std::vector<BadFile> BadFiles() {
  std::vector<BadFile> bad;
  const std::vector<uint8_t> good = WaveBuilder::Make(WaveSpec());
  auto with = [](auto change) {
    WaveSpec spec;
    change(spec);
    return WaveBuilder::Make(spec);
  };
  bad.push_back({"float samples", with([](WaveSpec& s) { s.formatTag = 3; }), "not PCM"});
  bad.push_back({"extensible", with([](WaveSpec& s) { s.formatTag = 0xFFFE; }), "not PCM"});
  bad.push_back({"24 bits", with([](WaveSpec& s) { s.bits = 24; }), "bits per sample"});
  bad.push_back({"zero bits", with([](WaveSpec& s) { s.bits = 0; }), "bits per sample"});
  bad.push_back({"three channels", with([](WaveSpec& s) { s.channels = 3; }), "channels"});
  bad.push_back({"no channels", with([](WaveSpec& s) { s.channels = 0; }), "channels"});
  bad.push_back({"rate 0", with([](WaveSpec& s) { s.rate = 0; }), "sample rate"});
  bad.push_back({"short fmt", with([](WaveSpec& s) { s.formatSize = 14; }), "fmt chunk"});
  bad.push_back({"no data", with([](WaveSpec& s) { s.frames = 0; }), "empty"});

  std::vector<uint8_t> b = good;
  b[20 + 12] = 3;  // block align
  bad.push_back({"block align", b, "block align"});
  b = good;
  b[0] = 'X';
  bad.push_back({"not RIFF", b, "not a RIFF"});
  b = good;
  b[8] = 'A';
  bad.push_back({"not WAVE", b, "not WAVE"});
  b = good;
  WaveBuilder::Set32(b, 4, static_cast<uint32_t>(good.size()));
  bad.push_back({"RIFF size past the end", b, "exceeds the file"});
  b = good;
  WaveBuilder::Set32(b, 4, 0xFFFFFFFFu);
  bad.push_back({"RIFF size huge", b, "exceeds the file"});
  b = good;
  WaveBuilder::Set32(b, 40, static_cast<uint32_t>(good.size()));  // data chunk size
  bad.push_back({"oversized data", b, "exceeds the RIFF data"});
  b = good;
  WaveBuilder::Set32(b, 40, 0xFFFFFFF8u);
  bad.push_back({"data size wraps", b, "exceeds the RIFF data"});
  b = good;
  WaveBuilder::Set32(b, 16, 0xFFFFFFFFu);  // fmt chunk size
  bad.push_back({"oversized fmt", b, "exceeds the RIFF data"});
  b = good;
  b[12] = 'f', b[13] = 'a', b[14] = 'k', b[15] = 'e';
  bad.push_back({"no fmt", b, "no fmt chunk"});
  b = good;
  b[36] = 'd', b[37] = 'u', b[38] = 'm', b[39] = 'b';
  bad.push_back({"no data chunk", b, "no data chunk"});
  bad.push_back({"empty", {}, "empty"});
  return bad;
}

TEST(WaveFileTest, RefusesDamagedAndUnsupportedFilesWithALogLine) {
  for (const BadFile& file : BadFiles()) {
    SCOPED_TRACE(file.name);
    ReportCaptureX log;
    CWaveFile wave;
    EXPECT_FALSE(OpenExact(wave, file.bytes));
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
  WaveSpec spec;
  spec.frames = 40;
  spec.oddChunkBeforeData = true;
  const std::vector<uint8_t> good = WaveBuilder::Make(spec);
  ReportCaptureX log;
  for (size_t size = 0; size < good.size(); ++size) {
    SCOPED_TRACE(size);
    log.Clear();
    CWaveFile wave;
    EXPECT_FALSE(OpenExact(wave, std::vector<uint8_t>(good.begin(), good.begin() + size)));
    EXPECT_EQ(log.Logs().size(), 1u);
  }
}

}  // namespace
