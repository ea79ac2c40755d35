// BinaryReaderX, BinaryWriterX and FileSystemX over real files in a scratch folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "ReportCaptureX.h"
#include "ScratchFolderX.h"
#include "streams/BinaryReaderX.h"
#include "streams/BinaryWriterX.h"
#include "streams/FileSystemX.h"

namespace fs = FileSystemX;

namespace {

std::string Text(const StringX& s) { return s.Empty() ? std::string() : s.GetCharArray(); }

// The reader's next string; its buffer is freed.
std::string NextString(BinaryReaderX& reader) {
  char* text = reader.ReadString();
  const std::string copy = text;
  delete[] text;
  return copy;
}

class FileAccessTest : public ::testing::Test {
 protected:
  ReportCaptureX reports;
  ScratchFolderX folder;
};

TEST_F(FileAccessTest, ReaderOpenMissingTwiceAndEmpty) {
  BinaryReaderX reader;
  EXPECT_FALSE(reader.Open(folder.EnginePath("missing.bin")));
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.GetSize(), 0u);

  WriteBytes(folder.File("four.bin"), {0x78, 0x56, 0x34, 0x12});
  ASSERT_TRUE(reader.Open(folder.EnginePath("four.bin")));
  EXPECT_FALSE(reader.Open(folder.EnginePath("four.bin")));  // already holds a file
  EXPECT_EQ(reader.ReadUInt32(), 0x12345678u);
  EXPECT_EQ(reader.GetRemaining(), 0u);
  EXPECT_EQ(reader.ReadUInt32(), 0u);  // nothing left: 0 and the position stays
  EXPECT_EQ(reader.GetPosition(), 4u);
  reader.Close();
  EXPECT_FALSE(reader.IsOpen());

  WriteBytes(folder.File("empty.bin"), {});
  ASSERT_TRUE(reader.Open(folder.EnginePath("empty.bin")));
  EXPECT_TRUE(reader.IsOpen());
  EXPECT_EQ(reader.GetSize(), 0u);
  EXPECT_EQ(reader.ReadByte(), 0u);
  EXPECT_EQ(reader.ReadBytes(1), nullptr);
  EXPECT_EQ(NextString(reader), "");
  EXPECT_TRUE(reports.Asserts().size() <= 1u);  // only ReadBytes' report
}

TEST_F(FileAccessTest, ReaderTypedValuesAndStrings) {
  WriteBytes(folder.File("values.bin"),
             {0x34, 0x12, 0x00, 0x00, 0x20, 0x40, 0x61, 0x62, 0x00, 0x63, 0xFF});
  BinaryReaderX reader;
  ASSERT_TRUE(reader.Open(folder.EnginePath("values.bin")));
  EXPECT_EQ(reader.ReadUInt16(), 0x1234u);
  EXPECT_EQ(reader.ReadFloat(), 2.5f);
  EXPECT_EQ(NextString(reader), "ab");
  EXPECT_EQ(reader.GetPosition(), 9u);
  EXPECT_EQ(NextString(reader), "c\xFF");  // no terminator before the end
  EXPECT_EQ(reader.GetRemaining(), 0u);
}

TEST_F(FileAccessTest, ReaderNeverReadsPastTheEnd) {
  WriteBytes(folder.File("six.bin"), {1, 2, 3, 4, 5, 6});
  BinaryReaderX reader;
  ASSERT_TRUE(reader.Open(folder.EnginePath("six.bin")));

  EXPECT_TRUE(reader.Skip(10));
  EXPECT_TRUE(reports.HasAssert("numberOfBytes + mReachedByte <= mNumberOfBytesRead"));
  EXPECT_EQ(reader.GetRemaining(), 0u);
  EXPECT_EQ(reader.ReadInt32(), 0);
  EXPECT_EQ(reader.ReadBytes(4), nullptr);
  uint8_t guard[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  reader.ReadRemaining(guard);  // nothing remains: nothing is copied
  EXPECT_EQ(guard[0], 9);
  EXPECT_EQ(NextString(reader), "");

  // A huge skip saturates instead of wrapping back into the data.
  reader.Seek(2);
  reader.Skip(0xFFFFFFFFu);
  EXPECT_EQ(reader.GetRemaining(), 0u);
  EXPECT_EQ(reader.ReadByte(), 0u);

  reader.Seek(2);
  EXPECT_EQ(reader.ReadBytes(5), nullptr);  // 4 left
  EXPECT_TRUE(reports.HasAssert("mNumberOfBytesRead - mReachedByte >= number"));
  EXPECT_EQ(reader.GetPosition(), 2u);
  uint8_t* four = reader.ReadBytes(4);
  ASSERT_NE(four, nullptr);
  EXPECT_EQ(four[3], 6);
  delete[] four;

  reader.Seek(6);
  EXPECT_TRUE(reports.HasAssert("position < mNumberOfBytesRead"));
}

TEST_F(FileAccessTest, ReaderCutsOverlongStrings) {
  std::vector<uint8_t> bytes(5000, 'x');
  bytes.push_back(0);
  bytes.push_back('y');
  WriteBytes(folder.File("long.bin"), bytes);
  BinaryReaderX reader;
  ASSERT_TRUE(reader.Open(folder.EnginePath("long.bin")));
  EXPECT_EQ(NextString(reader).size(), BinaryReaderX::sMaxStringLength);
  EXPECT_EQ(reader.GetPosition(), 5001u);  // skipped to just after the terminator
  EXPECT_EQ(reader.ReadByte(), 'y');
}

TEST_F(FileAccessTest, WriterBufferedAndUnbufferedGiveTheSameBytes) {
  {
    BinaryWriterX plain(folder.EnginePath("a\\b\\plain.bin"));  // folders are created
    BinaryWriterX buffered(folder.EnginePath("buffered.bin"), true);
    for (BinaryWriterX* writer : {&plain, &buffered}) {
      writer->WriteUInt16(0x0201);
      writer->WriteUInt32(0x06050403);
      writer->WriteUInt64(0x0E0D0C0B0A090807ull);
      writer->WriteFloat(2.5f);
      writer->WriteString("hello");
      writer->WriteString("worldwide", 5);
    }
    // Unbuffered bytes are on disk at once; buffered ones only after a flush.
    EXPECT_EQ(ReadBytes(folder.File("a/b/plain.bin")).size(), 28u);
    EXPECT_EQ(ReadBytes(folder.File("buffered.bin")).size(), 0u);
    std::vector<uint8_t> big(BinaryWriterX::sBufferSize + 100, 0xAB);
    buffered.Write(big.data(), static_cast<uint32_t>(big.size()));
    plain.Write(big.data(), static_cast<uint32_t>(big.size()));
    EXPECT_EQ(ReadBytes(folder.File("buffered.bin")).size(), BinaryWriterX::sBufferSize);
  }
  const auto plain = ReadBytes(folder.File("a/b/plain.bin"));
  const auto buffered = ReadBytes(folder.File("buffered.bin"));
  EXPECT_EQ(plain, buffered);
  ASSERT_EQ(plain.size(), 28u + BinaryWriterX::sBufferSize + 100);
  EXPECT_EQ(plain[0], 1);
  EXPECT_EQ(plain[13], 0x0E);
  EXPECT_EQ(std::string(plain.begin() + 18, plain.begin() + 28), "helloworld");
  EXPECT_TRUE(reports.Asserts().empty());
}

TEST_F(FileAccessTest, WriterFailuresAreReported) {
  {
    BinaryWriterX full("\\dev\\full", true);
    ASSERT_TRUE(full.IsOpen());
    full.WriteUInt32(7);
    EXPECT_FALSE(full.WritePending());
    EXPECT_TRUE(full.HasFailed());
    EXPECT_TRUE(reports.HasAssert("BinaryWriterX::WritePending: Unable to write file!"));
  }
  WriteBytes(folder.File("blocker"), {1});
  BinaryWriterX blocked(folder.EnginePath("blocker\\inside.bin"));  // a file is in the way
  EXPECT_FALSE(blocked.IsOpen());
  EXPECT_TRUE(reports.HasAssert("BinaryWriterX::BinaryWriterX: mFileHandle"));
  blocked.WriteUInt32(1);
  EXPECT_TRUE(blocked.HasFailed());
}

TEST_F(FileAccessTest, DirectoriesAndQueries) {
  EXPECT_TRUE(fs::CreateDirectories(folder.EnginePath("x\\y\\z")));
  EXPECT_TRUE(fs::IsDirectory(folder.EnginePath("x\\y\\z")));
  EXPECT_TRUE(fs::CreateDirectory(folder.EnginePath("x")));  // already there
  EXPECT_TRUE(fs::CreateDirectories(StringX()));

  WriteBytes(folder.File("file.txt"), {1, 2, 3});
  EXPECT_FALSE(fs::CreateDirectory(folder.EnginePath("file.txt")));         // a file is in the way
  EXPECT_FALSE(fs::CreateDirectories(folder.EnginePath("file.txt\\sub")));  // not a folder
  EXPECT_FALSE(fs::CreateDirectory(folder.EnginePath("missing\\sub")));     // no parent

  EXPECT_TRUE(fs::FileExists(folder.EnginePath("file.txt")));
  EXPECT_FALSE(fs::FileExists(folder.EnginePath("x")));  // a folder is not a file
  EXPECT_FALSE(fs::FileExists(folder.EnginePath("nothing.txt")));
  EXPECT_FALSE(fs::IsDirectory(folder.EnginePath("file.txt")));
  EXPECT_EQ(fs::GetFileSize(folder.EnginePath("file.txt")), 3);

  chmod(folder.File("file.txt").c_str(), 0444);
  EXPECT_TRUE(fs::IsReadOnly(folder.EnginePath("file.txt")));
  EXPECT_FALSE(fs::IsWritable(folder.EnginePath("file.txt")));
  chmod(folder.File("file.txt").c_str(), 0644);
  EXPECT_FALSE(fs::IsReadOnly(folder.EnginePath("file.txt")));

  reports.Clear();
  EXPECT_EQ(fs::GetLastWriteTime(folder.EnginePath("nothing.txt")), -1);
  EXPECT_EQ(fs::GetFileSize(folder.EnginePath("nothing.txt")), -1);
  EXPECT_EQ(reports.CountLog("Could not retrieve file information"), 2u);

  EXPECT_TRUE(fs::RenameFile(folder.EnginePath("file.txt"), folder.EnginePath("x\\moved.txt")));
  EXPECT_TRUE(fs::DeleteFile(folder.EnginePath("x\\moved.txt")));
  EXPECT_FALSE(fs::DeleteFile(folder.EnginePath("x\\moved.txt")));
  EXPECT_TRUE(fs::DeleteDirectory(folder.EnginePath("x\\y\\z")));
  EXPECT_FALSE(fs::IsDirectory(folder.EnginePath("x\\y\\z")));
}

TEST_F(FileAccessTest, LastWriteTimeIsStableAndFollowsChanges) {
  WriteBytes(folder.File("t.bin"), {1});
  const StringX name = folder.EnginePath("t.bin");
  timespec times[2] = {{1000000000, 0}, {1000000000, 123456700}};
  ASSERT_EQ(utimensat(AT_FDCWD, folder.File("t.bin").c_str(), times, 0), 0);
  const int64_t first = fs::GetLastWriteTime(name);
  EXPECT_EQ(fs::GetLastWriteTime(name), first);
  // 100-ns units since 1601.
  EXPECT_EQ(first, 116444736000000000ll + 1000000000ll * 10000000ll + 1234567ll);
  times[1].tv_sec += 1;
  ASSERT_EQ(utimensat(AT_FDCWD, folder.File("t.bin").c_str(), times, 0), 0);
  EXPECT_EQ(fs::GetLastWriteTime(name) - first, 10000000);
}

TEST_F(FileAccessTest, PathsResolveWithoutRegardToCase) {
  WriteBytes(folder.File("textures/quake/foo.wal"), {42});
  EXPECT_EQ(fs::ToSystemPath(folder.EnginePath("Textures\\QUAKE\\Foo.WAL").GetCharArray()),
            folder.File("textures/quake/foo.wal"));
  EXPECT_TRUE(fs::FileExists(folder.EnginePath("TEXTURES\\Quake\\foo.wal")));
  BinaryReaderX reader;
  ASSERT_TRUE(reader.Open(folder.EnginePath("Textures\\quake\\FOO.wal")));
  EXPECT_EQ(reader.ReadByte(), 42u);

  // A new file under an existing folder spelled differently lands in that folder.
  {
    BinaryWriterX writer(folder.EnginePath("TEXTURES\\New\\bar.bin"));
    writer.WriteUInt16(1);
  }
  EXPECT_EQ(ReadBytes(folder.File("textures/New/bar.bin")).size(), 2u);
  // The exact spelling wins when both exist.
  WriteBytes(folder.File("Textures/quake/foo.wal"), {7});
  EXPECT_EQ(fs::ToSystemPath(folder.EnginePath("Textures\\quake\\foo.wal").GetCharArray()),
            folder.File("Textures/quake/foo.wal"));
}

TEST_F(FileAccessTest, CurrentDirectoryUsesBackslashes) {
  const StringX before = fs::GetCurrentDirectory();
  ASSERT_FALSE(before.Empty());
  ASSERT_TRUE(fs::SetCurrentDirectory(folder.EnginePath()));
  EXPECT_EQ(Text(fs::GetCurrentDirectory()), Text(folder.EnginePath()));
  EXPECT_TRUE(fs::SetCurrentDirectory(before));
  EXPECT_FALSE(fs::SetCurrentDirectory(folder.EnginePath("nowhere")));
}

TEST(PathSplitTest, Table) {
  struct Row {
    const char* path;
    const char* name;
    const char* directory;
    const char* extension;
    const char* withoutExtension;
    const char* nameWithoutExtension;
  };
  const Row rows[] = {
      {"c:\\dir\\file.txt", "file.txt", "c:\\dir", "txt", "c:\\dir\\file", "file"},
      {"file", "file", "", "", "file", "file"},
      {"dir.v2\\file", "file", "dir.v2", "", "dir.v2\\file", "file"},
      {"a\\b\\", "", "a\\b", "", "a\\b\\", ""},
      {"x.tar.gz", "x.tar.gz", "", "gz", "x.tar", "x.tar"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const StringX path(row.path);
    EXPECT_EQ(Text(fs::GetFileName(path)), row.name);
    EXPECT_EQ(Text(fs::GetDirectory(path)), row.directory);
    EXPECT_EQ(Text(fs::GetExtension(path)), row.extension);
    EXPECT_EQ(Text(fs::RemoveExtension(path)), row.withoutExtension);
    EXPECT_EQ(Text(fs::GetFileNameWithoutExtension(path)), row.nameWithoutExtension);
  }
  StringX mixed("a/b\\c/d.txt");
  fs::FixSlashes(mixed);
  EXPECT_EQ(Text(mixed), "a\\b\\c\\d.txt");
}

}  // namespace
