// BitmapX: BMP reading of every depth, PNG intake, pixel operations and saving.
#include <gtest/gtest.h>

#include <filesystem>

#include "BitmapTestImages.h"
#include "ReportCaptureX.h"
#include "ScratchFolderX.h"
#include "assets/BitmapX.h"
#include "assets/ImageCodecX.h"

namespace {

const std::vector<RgbX> kPalette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

BitmapX FromBytes(const std::vector<uint8_t>& bytes) {
  return BitmapX(StringX("test.bmp"), bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// Header fields are packed: tests take them by value.
template <typename T>
T Field(T value) {
  return value;
}

ColorX Rgb(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 0) { return ColorX(r, g, b, a); }

// Pixels of a 32-bit bitmap, row by row from memory row 0.
std::vector<ColorX> Pixels(const BitmapX& bitmap) {
  const ArrayX<ColorX>& pixels = bitmap.GetBitmap32Bit();
  return std::vector<ColorX>(pixels.begin(), pixels.end());
}

// A 32-bit bitmap whose pixel (x, y) has red = x and green = y.
void FillCoordinates(BitmapX& bitmap) {
  for (uint32_t y = 0; y < bitmap.GetHeight(); ++y)
    for (uint32_t x = 0; x < bitmap.GetWidth(); ++x)
      bitmap.SetPixel(x, y, ColorX(uint8_t(x), uint8_t(y), 7, 255));
}

std::vector<uint8_t> Column(const BitmapX& bitmap, uint32_t y) {
  std::vector<uint8_t> reds;
  for (uint32_t x = 0; x < bitmap.GetWidth(); ++x) reds.push_back(bitmap.GetPixel(x, y).r);
  return reds;
}

}  // namespace

// --- Reading BMP files of every depth --------------------------------------------------------

// Every depth into 32-bit pixels, memory row 0 at the bottom: palette indices packed at 1, 4 and
// 8 bits (three pixels a row: padding at every depth), B,G,R(,X) bytes at 24 and 32 bits, a
// top-down file, and indices past a short colour table (black).
TEST(BitmapReadTest, EveryDepthGivesExactPixelsBottomRowFirst) {
  ReportCaptureX capture;
  const std::vector<RgbX> blackRed = {kPalette[0], kPalette[1]};
  const ColorX red = Rgb(255, 0, 0), black = Rgb(0, 0, 0);
  const std::vector<ColorX> redBlack = {red, black, red, black, red, red};  // 1,0,1 / 0,1,1
  const struct {
    const char* what;
    std::vector<uint8_t> file;
    std::vector<ColorX> pixels;
  } cases[] = {
      {"1 bit", MakeBmp(3, 2, 1, blackRed, {{0xA0}, {0x60}}), redBlack},
      {"4 bits", MakeBmp(3, 2, 4, blackRed, {{0x10, 0x10}, {0x01, 0x10}}), redBlack},
      {"8 bits", MakeBmp(3, 2, 8, blackRed, {{1, 0, 1}, {0, 1, 1}}), redBlack},
      {"24 bits",
       MakeBmp(3, 2, 24, {}, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}}),
       {Rgb(3, 2, 1), Rgb(6, 5, 4), Rgb(9, 8, 7), Rgb(12, 11, 10), Rgb(15, 14, 13),
        Rgb(18, 17, 16)}},
      {"32 bits",
       MakeBmp(2, 1, 32, {}, {{1, 2, 3, 99, 4, 5, 6, 98}}),
       {Rgb(3, 2, 1), Rgb(6, 5, 4)}},
      // File rows: top row red, bottom row blue.
      {"top-down", MakeBmp(1, -2, 24, {}, {{0, 0, 255}, {255, 0, 0}}), {Rgb(0, 0, 255), red}},
      {"short colour table",
       MakeBmp(2, 1, 8, {kPalette[1], kPalette[2]}, {{1, 3}}),
       {Rgb(0, 255, 0), black}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BitmapX bitmap = FromBytes(c.file);
    ASSERT_TRUE(bitmap.IsValid());
    ASSERT_TRUE(bitmap.ConvertInto32Bitmap());
    EXPECT_EQ(Pixels(bitmap), c.pixels);
    // The headers now describe a bottom-up 24-bit image of padded rows.
    const auto& info = bitmap.GetInfoHeader();
    EXPECT_EQ(bitmap.GetBitCount(), 24u);
    EXPECT_GT(Field(info.biHeight), 0);
    const uint32_t rowBytes = (bitmap.GetWidth() * 3 + 3) / 4 * 4;
    EXPECT_EQ(Field(info.biSizeImage), rowBytes * bitmap.GetHeight());
    EXPECT_EQ(Field(bitmap.GetFileHeader().bfSize), 54u + rowBytes * bitmap.GetHeight());
  }
  EXPECT_TRUE(capture.Asserts().empty());
}

TEST(BitmapReadTest, BrokenFilesAreRefusedWithoutCrashing) {
  ReportCaptureX capture;
  std::vector<uint8_t> good = MakeSolidBmp(4, 4, {1, 2, 3});

  std::vector<uint8_t> badMagic = good;
  badMagic[0] = 'X';
  EXPECT_FALSE(FromBytes(badMagic).IsValid());
  // Bad data is reported by the result and a log line, not as a broken contract.
  EXPECT_TRUE(capture.HasLog("Not a BMP file"));
  EXPECT_TRUE(capture.Asserts().empty());

  std::vector<uint8_t> truncated(good.begin(), good.end() - 5);
  EXPECT_FALSE(FromBytes(truncated).IsValid());
  EXPECT_FALSE(FromBytes(std::vector<uint8_t>(good.begin(), good.begin() + 20)).IsValid());

  auto patched = [&](size_t offset, uint32_t value) {
    std::vector<uint8_t> bytes = good;
    std::memcpy(bytes.data() + offset, &value, 4);
    return FromBytes(bytes);
  };
  EXPECT_FALSE(patched(18, 100000).IsValid());       // huge width: refused before allocating
  EXPECT_FALSE(patched(22, 0x80000000u).IsValid());  // most negative height
  EXPECT_FALSE(patched(18, 0).IsValid());            // zero width
  EXPECT_FALSE(patched(30, 1).IsValid());            // RLE compression
  EXPECT_FALSE(patched(10, 0xFFFFFFF0u).IsValid());  // pixel offset past the end
  EXPECT_FALSE(patched(14, 0xFFFFFF00u).IsValid());  // information header size past the end

  std::vector<uint8_t> depth16 = good;
  depth16[28] = 16;
  EXPECT_FALSE(FromBytes(depth16).IsValid());
  EXPECT_TRUE(capture.HasAssert(
      "GetNumberOfBytesFromBits failed due to unknown number of bits : name :test.bmp"));

  // An 8-bit file whose colour table is cut off.
  std::vector<uint8_t> palette = MakeBmp(2, 1, 8, kPalette, {{1, 3}});
  palette.resize(60);
  EXPECT_FALSE(FromBytes(palette).IsValid());
}

TEST(BitmapReadTest, MissingFileLogsAndStaysEmpty) {
  ReportCaptureX capture;
  BitmapX bitmap(StringX("no\\such\\file.bmp"));
  EXPECT_FALSE(bitmap.IsValid());
  EXPECT_FALSE(bitmap.ConvertInto32Bitmap());
  EXPECT_EQ(capture.CountLog("Could not open bitmap no\\such\\file.bmp"), 1u);
}

TEST(BitmapReadTest, RealSkinsOfOddSizesLoad) {
  const std::string folder = RealTestDataFolder() + "models/";
  if (!std::filesystem::exists(folder + "sydney.bmp")) GTEST_SKIP() << "no real test data";
  for (auto [name, width, height] :
       {std::tuple{"sydney.bmp", 308u, 193u}, std::tuple{"faerie2.bmp", 220u, 193u}}) {
    SCOPED_TRACE(name);
    BitmapX bitmap(StringX((folder + name).c_str()));
    ASSERT_TRUE(bitmap.ConvertInto32Bitmap());
    EXPECT_EQ(bitmap.GetWidth(), width);
    EXPECT_EQ(bitmap.GetHeight(), height);
    EXPECT_EQ(bitmap.GetBitmap32Bit().Size(), width * height);
    uint32_t coloured = 0;
    for (const ColorX& pixel : bitmap.GetBitmap32Bit())
      coloured += pixel.r | pixel.g | pixel.b ? 1 : 0;
    EXPECT_GT(coloured, width * height / 2);
    EXPECT_TRUE(bitmap.ChangeSize(512, 256));
    EXPECT_EQ(bitmap.GetBitmap32Bit().Size(), 512u * 256u);
  }
}

// --- PNG through the image codec -------------------------------------------------------------

TEST(BitmapCodecTest, PngRowsAreReversedAndAlphaKept) {
  // Top row: red, green; bottom row: blue, white at alpha 128.
  std::vector<uint8_t> png = MakePng(2, 2,
                                     {255, 0, 0, 255, 0, 255, 0, 255,  //
                                      0, 0, 255, 255, 255, 255, 255, 128});
  DecodedImageX decoded;
  StringX error;
  ASSERT_TRUE(decoded.DecodePng(png.data(), png.size(), error));
  BitmapX bitmap(decoded.GetImage(), StringX("x.png"));
  ASSERT_EQ(bitmap.GetWidth(), 2u);
  EXPECT_EQ(Pixels(bitmap), (std::vector<ColorX>{Rgb(0, 0, 255, 255), Rgb(255, 255, 255, 128),
                                                 Rgb(255, 0, 0, 255), Rgb(0, 255, 0, 255)}));
}

TEST(BitmapCodecTest, BrokenPngIsRefused) {
  std::vector<uint8_t> png = MakePng(4, 4, std::vector<uint8_t>(64, 200));
  DecodedImageX decoded;
  StringX error;
  EXPECT_FALSE(decoded.DecodePng(png.data(), png.size() / 2, error));
  EXPECT_FALSE(error.Empty());
  EXPECT_TRUE(decoded.Empty());
  const uint8_t notPng[] = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(decoded.DecodePng(notPng, sizeof(notPng), error));

  // A valid header announcing 60000 x 60000 pixels is refused before pixel memory is taken.
  std::vector<uint8_t> huge = png;
  const uint8_t size[8] = {0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60};
  std::memcpy(huge.data() + 16, size, 8);
  uint32_t crc = 0xFFFFFFFFu;  // the IHDR chunk's CRC over type and data
  for (size_t i = 12; i < 29; ++i) {
    crc ^= huge[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  crc = ~crc;
  const uint8_t crcBytes[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8),
                               uint8_t(crc)};
  std::memcpy(huge.data() + 29, crcBytes, 4);
  EXPECT_FALSE(decoded.DecodePng(huge.data(), huge.size(), error));
  EXPECT_TRUE(std::string(error.GetCharArray()).find("size not supported") != std::string::npos)
      << error.GetCharArray();
}

TEST(BitmapCodecTest, RealPngDecodes) {
  const std::string file = RealTestDataFolder() + "models/test.png";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "no real test data";
  std::vector<uint8_t> bytes = ReadBytes(file);
  DecodedImageX decoded;
  StringX error;
  ASSERT_TRUE(decoded.DecodePng(bytes.data(), bytes.size(), error));
  BitmapX bitmap(decoded.GetImage());
  EXPECT_EQ(bitmap.GetWidth(), 512u);
  EXPECT_EQ(bitmap.GetHeight(), 512u);
}

TEST(BitmapCodecTest, RawPixelsKeepRedAndBlue) {
  const uint8_t rgb[] = {10, 20, 30, 40, 50, 60};
  BitmapX bitmap(rgb, 2, 1, 24);
  EXPECT_EQ(Pixels(bitmap), (std::vector<ColorX>{Rgb(10, 20, 30, 255), Rgb(40, 50, 60, 255)}));
  const uint8_t rgba[] = {1, 2, 3, 4};
  EXPECT_EQ(BitmapX(rgba, 1, 1, 32).GetPixel(0, 0), Rgb(1, 2, 3, 4));

  ReportCaptureX capture;
  EXPECT_FALSE(BitmapX(rgb, 2, 1, 16).IsValid());
  EXPECT_TRUE(capture.HasAssert("Unsupported bitdepth, should not happen"));
  EXPECT_FALSE(BitmapX(rgb, 0xFFFFFFFFu, 0xFFFFFFFFu, 24).IsValid());
}

// --- Pixel operations ------------------------------------------------------------------------

TEST(BitmapOperationsTest, ChangeSizeReplicatesAndDropsColumns) {
  BitmapX two(2, 1);
  FillCoordinates(two);
  ASSERT_TRUE(two.ChangeSize(4, 1));
  EXPECT_EQ(Column(two, 0), (std::vector<uint8_t>{0, 0, 1, 1}));

  BitmapX eight(8, 1);
  FillCoordinates(eight);
  ASSERT_TRUE(eight.ChangeSize(4, 1));
  EXPECT_EQ(Column(eight, 0), (std::vector<uint8_t>{1, 3, 5, 7}));

  BitmapX three(3, 5);
  FillCoordinates(three);
  ASSERT_TRUE(three.ChangeSize(4, 8));
  EXPECT_EQ(Column(three, 0), (std::vector<uint8_t>{0, 1, 2, 2}));
  std::vector<uint8_t> rows;
  for (uint32_t y = 0; y < 8; ++y) rows.push_back(three.GetPixel(0, y).g);
  EXPECT_EQ(rows, (std::vector<uint8_t>{0, 1, 1, 2, 3, 3, 4, 4}));
  EXPECT_EQ(three.GetPixel(3, 7), ColorX(2, 4, 7, 255));

  // Odd real sizes go to their power of two, and sizes past the limit are refused.
  BitmapX skin(308, 193);
  EXPECT_TRUE(skin.ChangeSize(512, 256));
  ReportCaptureX capture;
  EXPECT_FALSE(skin.ChangeSize(2048, 2048));
  EXPECT_EQ(skin.GetWidth(), 512u);
}

TEST(BitmapOperationsTest, FlipsMirrorRowsAndRowOrder) {
  BitmapX bitmap(3, 2);
  FillCoordinates(bitmap);
  bitmap.FlipX();
  EXPECT_EQ(Column(bitmap, 0), (std::vector<uint8_t>{2, 1, 0}));
  EXPECT_EQ(bitmap.GetPixel(0, 1).g, 1);
  bitmap.FlipY();
  EXPECT_EQ(bitmap.GetPixel(0, 0).g, 1);
  EXPECT_EQ(bitmap.GetPixel(0, 0).r, 2);
  bitmap.FlipXY();
  BitmapX original(3, 2);
  FillCoordinates(original);
  EXPECT_EQ(bitmap, original);
}

TEST(BitmapOperationsTest, AlphaAndColourKey) {
  BitmapX bitmap(2, 2);
  for (uint32_t i = 0; i < 4; ++i) bitmap.SetPixel(i % 2, i / 2, ColorX(9, 9, 9, 1));
  bitmap.SetAlpha(77);
  EXPECT_EQ(bitmap.GetPixel(1, 1).a, 77);

  bool allKeyed = false;
  EXPECT_TRUE(bitmap.ColorKey(ColorX(9, 9, 9, 0), 0, allKeyed));
  EXPECT_TRUE(allKeyed);
  for (const ColorX& pixel : bitmap.GetBitmap32Bit()) EXPECT_EQ(pixel, ColorX(0, 0, 0, 0));

  bitmap.SetPixel(0, 0, ColorX(5, 6, 7, 255));
  EXPECT_TRUE(bitmap.ColorKey(ColorX(5, 6, 7, 123), 40, allKeyed));
  EXPECT_FALSE(allKeyed);
  EXPECT_EQ(bitmap.GetPixel(0, 0), ColorX(5, 6, 7, 40));
  EXPECT_FALSE(bitmap.ColorKey(ColorX(1, 1, 1, 0), 0, allKeyed));
  EXPECT_FALSE(allKeyed);
}

TEST(BitmapOperationsTest, PixelAccessOutsideTheImageIsRefused) {
  ReportCaptureX capture;
  BitmapX bitmap(2, 2);
  bitmap.SetPixel(2, 0, ColorX(1, 1, 1, 1));  // one past the row: must not reach (0, 1)
  bitmap.SetPixel(0, 2, ColorX(1, 1, 1, 1));  // one past the image
  EXPECT_EQ(capture.Asserts().size(), 2u);
  EXPECT_EQ(bitmap.GetPixel(0, 1), ColorX());
  EXPECT_EQ(bitmap.GetPixel(5, 5), ColorX());
  EXPECT_TRUE(capture.HasAssert("!mColor32Bitmap.Empty() && x < mRealWidth && y < mRealHeight"));
}

TEST(BitmapOperationsTest, ComparisonsOrderBySizeThenPixels) {
  BitmapX a(2, 2), b(2, 2), wide(3, 2);
  EXPECT_EQ(a, b);
  b.SetPixel(1, 1, ColorX(1, 0, 0, 0));
  EXPECT_NE(a, b);
  EXPECT_LT(a, b);
  EXPECT_GT(b, a);
  EXPECT_LT(b, wide);
}

// --- Saving ----------------------------------------------------------------------------------

TEST(BitmapSaveTest, SavedFileReadsBackWithCorrectSizeFields) {
  ScratchFolderX folder;
  BitmapX bitmap(5, 3);  // 15-byte rows: one padding byte each
  FillCoordinates(bitmap);
  bitmap.SetAlpha(0);
  ASSERT_TRUE(bitmap.Save(folder.EnginePath("sub\\dir\\out.bmp")));

  const std::vector<uint8_t> bytes = ReadBytes(folder.File("sub/dir/out.bmp"));
  ASSERT_EQ(bytes.size(), 54u + 16u * 3u);
  BitmapFileHeaderX file;
  BitmapInfoHeaderX info;
  std::memcpy(&file, bytes.data(), 14);
  std::memcpy(&info, bytes.data() + 14, 40);
  EXPECT_EQ(Field(file.bfSize), bytes.size());
  EXPECT_EQ(Field(info.biBitCount), 24);
  EXPECT_EQ(Field(info.biSizeImage), 48u);

  {
    ReportCaptureX capture;  // a folder that cannot be made: under a plain file
    EXPECT_FALSE(bitmap.Save(folder.EnginePath("sub\\dir\\out.bmp\\x.bmp")));
  }

  BitmapX reread(folder.EnginePath("sub\\dir\\out.bmp"));
  ASSERT_TRUE(reread.ConvertInto32Bitmap());
  EXPECT_EQ(reread, bitmap);
}
