// StringX: empty and null forms, growth, appends and concatenation, byte order, search,
// conversions to and from numbers, and the misuse it reports instead of reading astray.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "ReportCaptureX.h"
#include "foundation/StringX.h"

namespace {

std::string Text(const StringX& s) { return s.Empty() ? std::string() : s.GetCharArray(); }

std::string FloatText(float value, uint32_t notation = FLOATNOTATION_DEFAULT) {
  const uint32_t saved = StringX::GetFloatNotation();
  StringX::SetFloatNotation(notation);
  StringX s;
  s += value;
  StringX::SetFloatNotation(saved);
  return Text(s);
}

float FromBits(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}

}  // namespace

TEST(StringXTest, EmptyFormsAreEqualAndHaveNoCharArray) {
  StringX nullForm;
  StringX allocated("");
  EXPECT_EQ(allocated.Size(), 0u);
  EXPECT_TRUE(allocated.Empty());
  EXPECT_EQ(allocated.GetCharArray(), nullptr);
  EXPECT_EQ(allocated.Capacity(), 1u);
  EXPECT_TRUE(allocated == nullForm);
  EXPECT_TRUE(nullForm == "");
  EXPECT_FALSE(nullForm == static_cast<const char*>(nullptr));

  StringX s("abc");
  s = "";
  EXPECT_EQ(s.Capacity(), 0u) << "assigning \"\" returns to the null form";
  StringX copyOfAllocated(allocated);
  EXPECT_EQ(copyOfAllocated.Capacity(), 1u);
  StringX copyOfNull(nullForm);
  EXPECT_EQ(copyOfNull.Capacity(), 0u);
}

TEST(StringXTest, NullPointersAreReportedAndTreatedAsEmpty) {
  ReportCaptureX capture;
  StringX s(static_cast<const char*>(nullptr));
  EXPECT_TRUE(s.Empty());
  EXPECT_EQ(s.Capacity(), 1u);
  ASSERT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 1u);
  EXPECT_EQ(capture.AssertReports()[0].function, "StringX::StringX");
  EXPECT_EQ(capture.AssertReports()[0].text, "str");
  EXPECT_EQ(StringX::StringLength(nullptr), 0u);

  char* copy = StringX().CopyCharArray();
  EXPECT_STREQ(copy, "");
  delete[] copy;
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "mString"), 1u);
}

TEST(StringXTest, ConstructionCopiesAndCountsBytes) {
  StringX s("hello");
  EXPECT_EQ(s.Size(), 5u);
  EXPECT_EQ(s.Capacity(), 6u);
  StringX part("hello world", 5);
  EXPECT_EQ(Text(part), "hello");
  EXPECT_EQ(part.Capacity(), 6u);
  EXPECT_TRUE(part == s);

  char* copy = s.CopyCharArray();
  EXPECT_STREQ(copy, "hello");
  copy[0] = 'j';
  EXPECT_EQ(Text(s), "hello") << "CopyCharArray hands out a fresh buffer";
  delete[] copy;

  StringX assigned;
  assigned = s;
  EXPECT_EQ(Text(assigned), "hello");
  assigned = assigned;  // self-assignment keeps the content
  EXPECT_EQ(Text(assigned), "hello");
}

TEST(StringXTest, AssigningFromOwnBufferIsSafe) {
  StringX s("prefix:name");
  s = s.GetCharArray() + 7;
  EXPECT_EQ(Text(s), "name");
  s += s;
  EXPECT_EQ(Text(s), "namename");
  s += s.GetCharArray() + 4;
  EXPECT_EQ(Text(s), "namenamename");
}

TEST(StringXTest, IndexOutsideLengthIsReportedWithoutStrayAccess) {
  ReportCaptureX capture;
  StringX s("ab");
  EXPECT_EQ(s[1], 'b');
  s[0] = 'x';
  EXPECT_EQ(Text(s), "xb");
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
  s[1000] = 'z';  // a scratch character takes the write
  StringX empty;
  empty[0] = 'q';
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "X < mLength"), 2u);
  EXPECT_EQ(capture.AssertReports()[0].function, "StringX::operator []");
  EXPECT_EQ(Text(s), "xb");
  EXPECT_TRUE(empty.Empty());
}

TEST(StringXTest, CharAppendGrowsBy32ThenBy10AndStaysTerminated) {
  StringX s;
  s += 'a';
  EXPECT_EQ(s.Capacity(), 32u);
  for (uint32_t length = 2; length <= 60; ++length) {
    s += static_cast<char>('a' + length % 26);
    ASSERT_EQ(s.Size(), length);
    ASSERT_EQ(s.GetCharArray()[length], 0) << "terminated after every append";
    const uint32_t expected = length < 32 ? 32 : length < 42 ? 42 : length < 52 ? 52 : 62;
    ASSERT_EQ(s.Capacity(), expected) << "at length " << length;
  }
}

TEST(StringXTest, CapacityManagement) {
  StringX s("abcdef");
  s.IncreaseCapacity(10);
  EXPECT_EQ(s.Capacity(), 17u);
  EXPECT_EQ(Text(s), "abcdef");
  s.ShrinkToFit();
  EXPECT_EQ(s.Capacity(), 7u);
  s.SetCapacity(20);
  EXPECT_EQ(Text(s), "abcdef");
  s.SetCapacity(4);  // smaller: the content goes
  EXPECT_TRUE(s.Empty());
  EXPECT_EQ(s.Capacity(), 4u);
  s += 'x';
  EXPECT_EQ(Text(s), "x");

  StringX nullForm;
  nullForm.IncreaseCapacity(5);
  EXPECT_EQ(nullForm.Capacity(), 5u);
  EXPECT_TRUE(nullForm.Empty());
  nullForm += "abc";
  EXPECT_EQ(Text(nullForm), "abc");
}

TEST(StringXTest, AppendAndConcatenate) {
  StringX s("Stale cache for ");
  const StringX line = s + StringX("bwcity2.bsp");
  EXPECT_EQ(Text(line), "Stale cache for bwcity2.bsp");
  EXPECT_EQ(line.Capacity(), line.Size() + 1) << "string appends allocate exactly";
  EXPECT_EQ(Text(s), "Stale cache for ") << "+ leaves the left string alone";
  EXPECT_EQ(Text(StringX("n=") + 0), "n=0");
  EXPECT_EQ(Text(StringX("n=") + -42), "n=-42");
  EXPECT_EQ(Text(StringX() + 4000000000u), "4000000000");
  EXPECT_EQ(Text(StringX() + 18446744073709551615ul), "18446744073709551615");
  StringX big;
  big += std::numeric_limits<long long>::min();
  EXPECT_EQ(Text(big), "-9223372036854775808");
  big = "";
  big += std::numeric_limits<int>::min();
  EXPECT_EQ(Text(big), "-2147483648");
  EXPECT_EQ(Text(StringX("a") + 'b' + "c" + 2.5f), "abc2.5");
  EXPECT_EQ(Text("left " + StringX("right")), "left right");
  StringX unchanged("x");
  unchanged += StringX();
  EXPECT_EQ(Text(unchanged), "x");
}

TEST(StringXTest, ByteOrderComparison) {
  // Pairs in ascending byte order (bytes compare as signed values), and an equal pair.
  const std::pair<StringX, StringX> ascending[] = {{"abc", "abd"}, {"ab", "abc"},    {"B", "a"},
                                                   {"\x80", "A"},  {StringX(), "a"}, {"a", "b"}};
  for (const auto& [low, high] : ascending) {
    SCOPED_TRACE(Text(low) + " < " + Text(high));
    EXPECT_TRUE(low < high && high > low && low != high);
    EXPECT_FALSE(high < low || low > high || low == high);
  }
  EXPECT_FALSE(StringX("abc") < StringX("abc") || StringX("abc") > StringX("abc"));
  EXPECT_TRUE(StringX("abc") == "abc");
  EXPECT_FALSE(StringX("abc") == "ab");
  EXPECT_FALSE(StringX("ab") == "abc");
  EXPECT_FALSE(StringX("a\0b", 3) == "a");
}

TEST(StringXTest, CaseChangesOnlyAsciiLetters) {
  StringX s("Hello, World! \xC4");
  EXPECT_EQ(s.ToLower(), s.Size());
  EXPECT_EQ(Text(s), "hello, world! \xC4");
  s.ToUpper();
  EXPECT_EQ(Text(s), "HELLO, WORLD! \xC4");
}

TEST(StringXTest, SearchFindsWholePatterns) {
  const StringX path("a\\b\\c.txt");
  EXPECT_EQ(path.FindLastOf("\\"), 3u);
  EXPECT_EQ(StringX("c.txt").FindLastOf("\\"), INVALID32);
  EXPECT_EQ(path.FindFirstOf("\\"), 1u);
  EXPECT_EQ(path.FindFirstOf("\\", 2), 3u);
  EXPECT_EQ(path.FindFirstOf("c.txt", 0), 4u);
  EXPECT_EQ(path.FindFirstOf("txtx", 0), INVALID32) << "source ends inside the pattern";
  EXPECT_TRUE(path.StringIsIn(".txt"));
  EXPECT_TRUE(path.StringIsIn(StringX("b\\c")));
  EXPECT_FALSE(path.StringIsIn("b\\d"));
  EXPECT_EQ(StringX("aaaa").FindLastOf("aa"), 2u);
}

TEST(StringXTest, SearchMisuseIsReportedNotOverread) {
  ReportCaptureX capture;
  const StringX path("a\\b");
  EXPECT_EQ(path.FindFirstOf("\\", 3), INVALID32);
  EXPECT_EQ(path.FindFirstOf("\\", 1000), INVALID32);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "offset < str.Size()"), 2u);
  EXPECT_EQ(capture.AssertReports()[0].function, "StringX::FindFirstOf");
  capture.Clear();
  EXPECT_FALSE(StringX().StringIsIn("x"));
  EXPECT_FALSE(path.StringIsIn(StringX()));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "strSource && strLook"), 2u);
  EXPECT_EQ(capture.AssertReports()[0].function, "StringX::StringIsIn");
}

TEST(StringXTest, SubStringClampsToTheEnd) {
  const StringX s("abcdef");
  EXPECT_EQ(Text(s.SubString(2, INVALID32)), "cdef");
  EXPECT_EQ(Text(s.SubString(1, 2)), "bc");
  EXPECT_EQ(Text(s.SubString(4, 100)), "ef");
  EXPECT_EQ(Text(s.SubString(4, INVALID32 - 1)), "ef") << "offset + count must not wrap";
  EXPECT_TRUE(s.SubString(6, 2).Empty());
  EXPECT_TRUE(s.SubString(100, INVALID32).Empty());
  EXPECT_TRUE(StringX().SubString(0, 1).Empty());
}

TEST(StringXTest, ToIntReportsNonDigitsAndSkipsThem) {
  ReportCaptureX capture;
  EXPECT_EQ(StringX("-123").ToInt(), -123);
  EXPECT_EQ(StringX("2147483647").ToInt(), 2147483647);
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
  EXPECT_EQ(StringX("12a3").ToInt(), 123);
  ASSERT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 1u);
  EXPECT_EQ(capture.AssertReports()[0].function, "StringX::ToInt");
  EXPECT_EQ(capture.AssertReports()[0].text,
            "Couldn't convert string into int - string contains non-number chars");
  capture.Clear();
  EXPECT_EQ(StringX("-").ToInt(), 0);
  EXPECT_EQ(StringX().ToInt(), 0);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "mLength"), 1u);
  // No overflow check, but also no undefined behaviour (UBSan build).
  StringX("99999999999999999999").ToInt();
  StringX("-99999999999999999999").ToInt();
}

TEST(StringXTest, ToDoubleAcceptsPointOrComma) {
  ReportCaptureX capture;
  EXPECT_DOUBLE_EQ(StringX("3,25").ToDouble(), 3.25);
  EXPECT_DOUBLE_EQ(StringX("3.25").ToDouble(), 3.25);
  EXPECT_DOUBLE_EQ(StringX("-0.5").ToDouble(), -0.5);
  EXPECT_DOUBLE_EQ(StringX("42").ToDouble(), 42.0);
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
  EXPECT_DOUBLE_EQ(StringX("1.5.5").ToDouble(), 1.55);
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 1u)
      << "a second separator is a non-digit";
  EXPECT_EQ(capture.AssertReports()[0].function, "StringX::ToDouble");
  StringX longFraction("0.");
  for (int i = 0; i < 400; ++i) longFraction += '3';
  EXPECT_NEAR(longFraction.ToDouble(), 1.0 / 3.0, 1e-15) << "many digits stay finite";
}

TEST(StringXTest, FloatTextInEachNotation) {
  EXPECT_EQ(FloatText(2.5f), "2.5");
  EXPECT_EQ(FloatText(1.0f), "1.0");
  EXPECT_EQ(FloatText(0.5f), "0.50000000");
  EXPECT_EQ(FloatText(0.25f), "0.25000000");
  EXPECT_EQ(FloatText(20000.0f), "2.0E4");
  EXPECT_EQ(FloatText(-2.5f), "-2.5");
  EXPECT_EQ(FloatText(100.0f), "100.0");
  EXPECT_EQ(FloatText(1000.0f), "1000.0");
  EXPECT_EQ(FloatText(1e-5f), "9.9999990E-6");
  EXPECT_EQ(FloatText(0.0f), "0.0");
  EXPECT_EQ(FloatText(-0.0f), "-0.0");
  EXPECT_EQ(FloatText(std::numeric_limits<float>::infinity()), "INF");
  EXPECT_EQ(FloatText(-std::numeric_limits<float>::infinity()), "-INF");
  EXPECT_EQ(FloatText(2.5f, FLOATNOTATION_ALWAYS), "2.5");
  EXPECT_EQ(FloatText(0.5f, FLOATNOTATION_ALWAYS), "5.0E-1");
  EXPECT_EQ(FloatText(100.0f, FLOATNOTATION_ALWAYS), "1.0E2");
  EXPECT_EQ(FloatText(0.0f, FLOATNOTATION_ALWAYS), "0.0E0");
  EXPECT_EQ(FloatText(-0.0f, FLOATNOTATION_ALWAYS), "-0.0E0");
  EXPECT_EQ(FloatText(20000.0f, FLOATNOTATION_NEVER), "20000.0");
  EXPECT_EQ(FloatText(0.001f, FLOATNOTATION_NEVER), "0.0010000001");
  // More integer digits than significant ones: zeros keep the magnitude.
  EXPECT_EQ(FloatText(1e10f, FLOATNOTATION_NEVER), "10000000000.0");
  // Every NaN, quiet or signalling, of either sign.
  EXPECT_EQ(FloatText(FromBits(0x7F820000u)), "NaN");
  EXPECT_EQ(FloatText(FromBits(0xFF9112AAu)), "NaN");
  EXPECT_EQ(FloatText(FromBits(0x7FC00000u)), "NaN");
  EXPECT_EQ(FloatText(std::nanf("")), "NaN");
}

TEST(StringXTest, FloatTextStaysWellFormedOverTheWholeRange) {
  // Every value gives digits, at most one point and no stray characters.
  const float values[] = {std::numeric_limits<float>::max(),
                          std::numeric_limits<float>::min(),
                          std::numeric_limits<float>::denorm_min(),
                          9.9999999f,
                          0.99999994f,
                          123456789.0f,
                          1.0f / 3.0f};
  for (uint32_t notation = 0; notation < 3; ++notation) {
    for (float value : values) {
      const std::string text = FloatText(value, notation);
      ASSERT_FALSE(text.empty());
      EXPECT_LE(std::count(text.begin(), text.end(), '.'), 1) << text;
      for (char c : text)
        EXPECT_TRUE((c >= '0' && c <= '9') || c == '.' || c == 'E' || c == '-') << text;
      EXPECT_NEAR(std::stod(text), value, std::fabs(value) * 1e-5) << text;
    }
  }
}
