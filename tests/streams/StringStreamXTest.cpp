#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ReportCaptureX.h"
#include "foundation/StringX.h"
#include "streams/BinaryStreamsX.h"

namespace {

// A file in a scratch folder of its own, removed at the end of the test.
class StringStreamXTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mFolder =
        std::filesystem::temp_directory_path() / ("kx_string_stream_" + std::to_string(getpid()));
    std::filesystem::create_directories(mFolder);
  }
  void TearDown() override { std::filesystem::remove_all(mFolder); }

  StringX FileName() const { return StringX((mFolder / "strings.bin").string().c_str()); }

  void WriteBytes(const std::vector<unsigned char>& bytes) const {
    std::ofstream file((mFolder / "strings.bin").string(), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }

  std::filesystem::path mFolder;
};

}  // namespace

TEST_F(StringStreamXTest, StringsRoundTrip) {
  StringX longText;
  for (int i = 0; i < 300; ++i) longText += static_cast<char>('a' + i % 26);
  {
    BinaryReadStream save(FileName());
    StringX empty;
    StringX one("x");
    const StringX constant("const");
    save << empty << one << longText << constant;
  }
  EXPECT_EQ(std::filesystem::file_size(mFolder / "strings.bin"), 4u * 4 + 1 + 300 + 5);

  BinaryWriteStream load(FileName());
  StringX empty("old");
  StringX one;
  StringX text;
  StringX constant;
  load << empty << one << text << constant;
  EXPECT_EQ(load.GetState(), static_cast<uint32_t>(STREAMSTATE_AT_END));
  EXPECT_TRUE(empty.Empty());
  EXPECT_TRUE(one == "x");
  EXPECT_TRUE(text == longText);
  EXPECT_TRUE(constant == "const");
  EXPECT_EQ(text.Capacity(), 301u);
}

TEST_F(StringStreamXTest, HostileLengthsAreRefused) {
  // A length of 1000 with three characters behind it, then an all-ones length.
  WriteBytes({0xE8, 0x03, 0x00, 0x00, 'a', 'b', 'c'});
  {
    BinaryWriteStream load(FileName());
    StringX kept("kept");
    load << kept;
    EXPECT_EQ(load.GetState(), static_cast<uint32_t>(STREAMSTATE_SHORT));
    EXPECT_TRUE(kept == "kept") << "a refused string keeps its value";
  }
  WriteBytes({0xFF, 0xFF, 0xFF, 0xFF});
  {
    BinaryWriteStream load(FileName());
    StringX kept("kept");
    load << kept;
    EXPECT_EQ(load.GetState(), static_cast<uint32_t>(STREAMSTATE_SHORT));
    EXPECT_TRUE(kept == "kept");
  }
  WriteBytes({0x02, 0x00});
  {
    BinaryWriteStream load(FileName());
    StringX kept("kept");
    load << kept;
    EXPECT_EQ(load.GetState(), static_cast<uint32_t>(STREAMSTATE_SHORT));
    EXPECT_TRUE(kept == "kept") << "a cut-off length changes nothing";
  }
}

TEST_F(StringStreamXTest, ConstStringOnALoadingStreamIsReported) {
  WriteBytes({0x01, 0x00, 0x00, 0x00, 'z'});
  ReportCaptureX capture;
  BinaryWriteStream load(FileName());
  const StringX constant("c");
  load << constant;
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "Can't write to a const val"), 2u)
      << "length and character";
  EXPECT_TRUE(constant == "c");
}
