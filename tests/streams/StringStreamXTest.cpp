// Strings through the binary streams: round trips of empty, short and long strings, hostile
// lengths that must leave the string alone, and a const string on a loading stream.
#include <gtest/gtest.h>

#include <vector>

#include "ReportCaptureX.h"
#include "ScratchFolderX.h"
#include "foundation/StringX.h"
#include "streams/BinaryStreamsX.h"

namespace {

class StringStreamXTest : public ::testing::Test {
 protected:
  StringX FileName() const { return mFolder.EnginePath("strings.bin"); }
  void Write(const std::vector<uint8_t>& bytes) const {
    WriteBytes(mFolder.File("strings.bin"), bytes);
  }

  ScratchFolderX mFolder;
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
  EXPECT_EQ(ReadBytes(mFolder.File("strings.bin")).size(), 4u * 4 + 1 + 300 + 5);

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

TEST_F(StringStreamXTest, HostileLengthsAreRefusedAndTheStringKept) {
  // A length of 1000 with three characters behind it, an all-ones length, a cut-off length.
  const std::vector<uint8_t> files[] = {
      {0xE8, 0x03, 0x00, 0x00, 'a', 'b', 'c'}, {0xFF, 0xFF, 0xFF, 0xFF}, {0x02, 0x00}};
  for (const std::vector<uint8_t>& bytes : files) {
    SCOPED_TRACE(bytes.size());
    Write(bytes);
    BinaryWriteStream load(FileName());
    StringX kept("kept");
    load << kept;
    EXPECT_EQ(load.GetState(), static_cast<uint32_t>(STREAMSTATE_SHORT));
    EXPECT_TRUE(kept == "kept");
  }
}

TEST_F(StringStreamXTest, ConstStringOnALoadingStreamIsReported) {
  Write({0x01, 0x00, 0x00, 0x00, 'z'});
  ReportCaptureX capture;
  BinaryWriteStream load(FileName());
  const StringX constant("c");
  load << constant;
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "Can't write to a const val"), 2u)
      << "length and character";
  EXPECT_TRUE(constant == "c");
}
