// The binary and text streams: byte layout, symmetric round trips, truncation and misuse.
#include <gtest/gtest.h>

#include "ReportCaptureX.h"
#include "ScratchFolderX.h"
#include "geometry/Vector3fX.h"
#include "streams/BinaryStreamsX.h"
#include "streams/TextStreamsX.h"
#include "tests/streams/PrimitiveValuesX.h"

namespace {

std::string Text(const StringX& s) { return s.Empty() ? std::string() : s.GetCharArray(); }

// One routine for every primitive, both directions.
struct AllValuesX : PrimitiveValuesX {
  ArrayX<unsigned int> numbers;
  ArrayX<Vector3fX> points;

  void Serialize(StreamX& stream) {
    SerializePrimitives(stream);
    stream << numbers << points;
  }
};

AllValuesX SampleValues() {
  AllValuesX values;
  values.d = -1.25;
  values.f = 3.5f;
  values.i64 = -0x123456789ll;
  values.l = -7;
  values.s = -2;
  values.i = 123456;
  values.u64 = 0xF0E0D0C0B0A09080ull;
  values.ul = 0xDEADBEEFul;
  values.us = 0xBEEF;
  values.ui = 42;
  values.c = 'q';
  values.uc = 200;
  values.b = true;
  values.v = Vector3fX(1, 2, 3);
  values.numbers.Add(7);
  values.numbers.Add(9);
  values.points.Add(Vector3fX(4, 5, 6));
  return values;
}

// Encoded size of SampleValues(): 8+4+8+4+2+4+8+4+2+4+1+1+1 + 12 + (4 + 8) + (4 + 12).
constexpr size_t kSampleSize = 51 + 12 + 12 + 16;

class StreamsTest : public ::testing::Test {
 protected:
  // The bytes `save` writes through a saving stream.
  template <class SaveF>
  std::vector<uint8_t> Saved(SaveF save) {
    {
      BinaryReadStream out(folder.EnginePath("saved.bin"));
      EXPECT_EQ(out.GetMode(), SM_READ);
      save(out);
      out.Close();
      EXPECT_EQ(out.GetState(), 0u);
    }
    return ReadBytes(folder.File("saved.bin"));
  }
  // Writes `bytes` to a file for a loading stream and returns its name.
  StringX Put(const std::vector<uint8_t>& bytes) {
    WriteBytes(folder.File("in.bin"), bytes);
    return folder.EnginePath("in.bin");
  }

  ReportCaptureX reports;
  ScratchFolderX folder;
};

TEST_F(StreamsTest, SavesTheExactBytes) {
  EXPECT_EQ(Saved([](BinaryReadStream& out) {
              int one = 1;
              bool yes = true;
              out << one << yes << 2.5f;  // a literal goes through the const operation
            }),
            (std::vector<uint8_t>{1, 0, 0, 0, 1, 0, 0, 0x20, 0x40}));
  EXPECT_EQ(Saved([](BinaryReadStream& out) {
              unsigned long ul = 7;
              long long ll = 1;
              out << ul << ll;
            }).size(),
            4u + 8u);
  AllValuesX values = SampleValues();
  EXPECT_EQ(Saved([&](BinaryReadStream& out) { out << values.numbers; }),
            (std::vector<uint8_t>{2, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0}));
  EXPECT_TRUE(reports.Asserts().empty());
}

TEST_F(StreamsTest, LoadsBackWhatWasSaved) {
  AllValuesX saved = SampleValues();
  const std::vector<uint8_t> bytes = Saved([&](BinaryReadStream& out) { saved.Serialize(out); });
  ASSERT_EQ(bytes.size(), kSampleSize);

  AllValuesX loaded;
  loaded.numbers.Add(1);  // replaced, not appended to
  loaded.numbers.Add(2);
  loaded.numbers.Add(3);
  BinaryWriteStream in(Put(bytes));
  ASSERT_EQ(in.GetMode(), SM_WRITE);
  loaded.Serialize(in);
  EXPECT_EQ(in.GetState(), 2u);  // ended exactly at the last byte
  // Saved again, the loaded values give the same bytes; the narrowed widths load back whole.
  EXPECT_EQ(Saved([&](BinaryReadStream& out) { loaded.Serialize(out); }), bytes);
  EXPECT_EQ(loaded.l, -7);  // sign-extended from 4 bytes
  EXPECT_EQ(loaded.ul, saved.ul);
  EXPECT_EQ(loaded.b, true);
  EXPECT_TRUE(reports.Asserts().empty());
}

TEST_F(StreamsTest, EveryTruncationIsShort) {
  const std::vector<uint8_t> bytes =
      Saved([values = SampleValues()](BinaryReadStream& out) mutable { values.Serialize(out); });
  for (size_t length = 0; length < bytes.size(); ++length) {
    SCOPED_TRACE(length);
    AllValuesX loaded;
    BinaryWriteStream in(Put(std::vector<uint8_t>(bytes.begin(), bytes.begin() + length)));
    loaded.Serialize(in);
    EXPECT_EQ(in.GetState(), 1u);
  }
}

TEST_F(StreamsTest, HostileCountsAreRefusedBeforeAllocating) {
  // A count of 0xFFFFFFFF, then ones that are plausible but larger than the data.
  for (uint32_t count : {0xFFFFFFFFu, 1000u, 3u}) {
    SCOPED_TRACE(count);
    std::vector<uint8_t> bytes = {1, 0, 0, 0, 2, 0, 0, 0};
    for (int shift : {24, 16, 8, 0}) bytes.insert(bytes.begin(), uint8_t(count >> shift));
    ArrayX<unsigned int> list;
    list.Add(5);
    BinaryWriteStream in(Put(bytes));
    in << list;
    EXPECT_EQ(in.GetState(), 1u);
    EXPECT_TRUE(list.Empty());
  }
  // Elements that are not plain values: each needs at least one byte.
  ArrayX<Vector3fX> points;
  BinaryWriteStream in(Put({200, 0, 0, 0, 0, 0, 0x80, 0x3F}));
  in << points;
  EXPECT_EQ(in.GetState(), 1u);
  EXPECT_TRUE(points.Empty());
}

TEST_F(StreamsTest, ShortReadsLeaveValuesAlone) {
  BinaryWriteStream in(Put({1, 2, 3, 4}));
  double d = 9.0;
  in << d;
  EXPECT_EQ(in.GetState(), 1u);
  EXPECT_EQ(d, 9.0);
  int i = 5;
  in << i;  // after state 1 nothing more is read
  EXPECT_EQ(i, 5);
  EXPECT_EQ(in.GetState(), 1u);

  WriteBytes(folder.File("two.bin"), {1, 0});
  BinaryWriteStream exact(folder.EnginePath("two.bin"));
  short s = 0;
  exact << s;
  EXPECT_EQ(exact.GetState(), 2u);
  char c = 'k';
  exact << c;  // past the exact end: short
  EXPECT_EQ(exact.GetState(), 1u);
  EXPECT_EQ(c, 'k');
}

TEST_F(StreamsTest, MisuseIsReported) {
  BinaryWriteStream missing(folder.EnginePath("missing.bin"));
  EXPECT_EQ(missing.GetState(), 3u);
  int i = 4;
  missing << i;
  EXPECT_EQ(i, 4);

  BinaryWriteStream in(Put({1, 0, 0, 0}));
  const int constant = 3;
  in << constant;
  EXPECT_TRUE(reports.HasAssert("BinaryWriteStream::operator <<: Can't write to a const val"));
  EXPECT_EQ(in.GetState(), 0u);

  in.SetMode(SM_READ);
  EXPECT_TRUE(reports.HasAssert("StreamX::SetMode: mMode == SM_NONE"));
  EXPECT_EQ(in.GetMode(), SM_READ);  // stored anyway

  BinaryReadStream noDefault;
  EXPECT_TRUE(reports.HasAssert("BinaryReadStream::BinaryReadStream: Not allowed"));
  BinaryWriteStream noDefaultEither;
  EXPECT_TRUE(reports.HasAssert("BinaryWriteStream::BinaryWriteStream: Not allowed"));

  TextReadStreamX text;
  ArrayX<int> list;
  text << list;
  EXPECT_TRUE(reports.HasAssert("StreamX::operator <<: Unknown mode"));

  long tooBig = 0x100000000l;
  BinaryReadStream out(folder.EnginePath("long.bin"));
  out << tooBig;
  EXPECT_TRUE(reports.HasAssert("long value does not fit 4 bytes"));
}

TEST_F(StreamsTest, WriteFailureMarksTheStream) {
  BinaryReadStream out("\\dev\\full");
  ASSERT_EQ(out.GetState(), 0u);
  std::vector<uint8_t> block(100000, 1);
  out.TransferBytes(static_cast<const void*>(block.data()), static_cast<uint32_t>(block.size()));
  out.Close();
  EXPECT_EQ(out.GetState(), 3u);
  EXPECT_TRUE(reports.HasAssert("Unable to write file!"));

  WriteBytes(folder.File("blocker"), {1});
  BinaryReadStream blocked(folder.EnginePath("blocker\\x.bin"));
  EXPECT_EQ(blocked.GetState(), 3u);
}

TEST_F(StreamsTest, TextStreams) {
  TextReadStreamX text;
  int minusFive = -5;
  text << true << minusFive << 'x';
  EXPECT_EQ(Text(text.GetText()), "true-5x");
  text.Close();
  EXPECT_TRUE(text.GetText().Empty());
  Vector3fX v(1, 2.5f, 0.5f);
  text << v;
  text << StringX("|") << "end";
  EXPECT_EQ(Text(text.GetText()), "(1.0,2.5,0.50000000)|end");

  TextWriteStreamX load;
  int untouched = 8;
  load << untouched;
  EXPECT_EQ(untouched, 8);
  EXPECT_TRUE(reports.Asserts().empty());
  load << 1;
  EXPECT_TRUE(reports.HasAssert("TextWriteStreamX::operator <<: Can't write to a const val"));
}

}  // namespace
