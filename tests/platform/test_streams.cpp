// Streams, little-endian helpers and the atomic file writer.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "platform/core/Classes.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

std::string freshDir(const char* name) {
  const std::string d = std::string(QV_BINARY_DIR) + "/" + name + "/";
  fs::remove_all(d);
  fs::create_directories(d);
  return d;
}

size_t fileCount(const std::string& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
  return n;
}

TEST(StreamTest, MemoryStreamReadsWritesAndSeeks) {
  TMemoryStream m;
  m.WriteLE<uint16_t>(0x1234);
  m.WriteLE<int32_t>(-2);
  m.WriteLE<double>(1.5);
  m.WriteString("xyz");
  EXPECT_EQ(m.Size(), 2 + 4 + 8 + 3);
  EXPECT_EQ(std::string(m.View().substr(0, 6)), std::string("\x34\x12\xFE\xFF\xFF\xFF", 6));
  m.SetPosition(0);
  EXPECT_EQ(m.ReadLE<uint16_t>(), 0x1234);
  EXPECT_EQ(m.ReadLE<int32_t>(), -2);
  EXPECT_EQ(m.ReadLE<double>(), 1.5);
  EXPECT_EQ(m.ReadBytes(3), "xyz");
  EXPECT_EQ(m.Remaining(), 0);
  // Reading past the end: Read returns what is there, the Buffer forms raise.
  char b[4];
  EXPECT_EQ(m.Read(b, 4), 0);
  try {
    m.ReadBuffer(b, 1);
    ADD_FAILURE();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  m.Seek(-3, soEnd);
  EXPECT_THROW(m.ReadBytes(4), EReadError)
      << "a length beyond the data is refused before allocating";
  EXPECT_THROW(m.ReadBytes(int64_t(1) << 60), EReadError);
  EXPECT_THROW(m.Seek(-100, soCurrent), EStreamError);
  // Writing past the end grows the stream with zeros.
  m.Seek(20, soBeginning);
  m.WriteString("!");
  EXPECT_EQ(m.Size(), 21);
  EXPECT_EQ(m.Memory()[18], 0);
  m.SetSize(4);
  EXPECT_EQ(m.Position(), 4);
}

TEST(StreamTest, LittleEndianHelpersOnBytes) {
  uint8_t buf[8];
  writeLE<uint32_t>(buf, 0x01020304u);
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(buf[3], 1);
  EXPECT_EQ(readLE<uint32_t>(buf), 0x01020304u);
  writeLE<int16_t>(buf, -2);
  EXPECT_EQ(readLE<int16_t>(buf), -2);
  writeLE<float>(buf, 0.25f);
  EXPECT_EQ(readLE<float>(buf), 0.25f);
  writeLE<uint64_t>(buf, 0x0807060504030201ull);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(buf[i], i + 1);
  std::string s;
  appendLE<uint16_t>(s, 0xABCD);
  EXPECT_EQ(s, "\xCD\xAB");
}

TEST(StreamTest, CopyFromAndFileStreams) {
  const std::string dir = freshDir("streams-tmp");
  TMemoryStream src("hello world");
  {
    TFileStream f(dir + "out.bin", fmCreate);
    src.SetPosition(6);
    EXPECT_EQ(f.CopyFrom(src, 5), 5);
    EXPECT_EQ(f.CopyFrom(src, 0), 11) << "count 0 copies the whole source";
    EXPECT_EQ(f.Size(), 16);
  }
  EXPECT_EQ(readFileBytes(dir + "out.bin"), "worldhello world");
  {
    TFileStream f(dir + "out.bin", fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.WriteString("!");
    f.SetSize(5);
  }
  TMemoryStream back;
  back.LoadFromFile(dir + "out.bin");
  EXPECT_EQ(back.View(), "world");

  struct Case {
    std::string path;
    unsigned mode;
    std::string message;
  } cases[] = {
      {dir + "none.bin", fmOpenRead,
       "Cannot open file \"" + dir + "none.bin\". No such file or directory"},
      {dir, fmOpenRead, "Cannot open file \"" + dir + "\". Is a directory"},
      {dir + "no/such/dir.bin", fmCreate,
       "Cannot create file \"" + dir + "no/such/dir.bin\". No such file or directory"},
  };
  for (const auto& c : cases) {
    try {
      TFileStream f(c.path, c.mode);
      ADD_FAILURE() << c.path;
    } catch (const EFileStreamError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_THROW(readFileBytes(dir + "none.bin"), EFOpenError);
}

TEST(AtomicWriteTest, ReplacesTheFileAndKeepsItsPermissions) {
  const std::string dir = freshDir("atomic-tmp");
  const std::string path = dir + "doc.txt";
  writeFileAtomic(path, "one");
  ::chmod(path.c_str(), 0640);
  writeFileAtomic(path, "two");
  EXPECT_EQ(readFileBytes(path), "two");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(fileCount(dir), 1u) << "no temporary file is left behind";

  // Saving through a symbolic link updates the link's target.
  fs::create_symlink("doc.txt", dir + "link.txt");
  writeFileAtomic(dir + "link.txt", "three");
  EXPECT_TRUE(fs::is_symlink(dir + "link.txt"));
  EXPECT_EQ(readFileBytes(path), "three");
}

TEST(AtomicWriteTest, AFailedSaveLeavesTheOldFile) {
  const std::string dir = freshDir("atomic-fail-tmp");
  const std::string path = dir + "doc.txt";
  writeFileAtomic(path, "old contents");

  // The disk "fills up" half way: a file size limit makes the write fail.
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool raised = false;
  try {
    writeFileAtomic(path, std::string(5000, 'x'));
  } catch (const EWriteError& e) {
    raised = true;
    EXPECT_NE(e.Message().find("Cannot write file \"" + path + "\"."), std::string::npos)
        << e.Message();
  }
  bool streamRaised = false;
  try {
    TAtomicFileStream s(path);
    s.WriteString(std::string(5000, 'y'));
    s.Commit();
  } catch (const EWriteError&) {
    streamRaised = true;
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &old, nullptr);
  EXPECT_TRUE(raised);
  EXPECT_TRUE(streamRaised);
  EXPECT_EQ(readFileBytes(path), "old contents");
  EXPECT_EQ(fileCount(dir), 1u);

  // A folder in the way, and a missing folder.
  fs::create_directories(dir + "sub");
  EXPECT_THROW(writeFileAtomic(dir + "sub", "x"), EFCreateError);
  EXPECT_TRUE(fs::is_directory(dir + "sub"));
  EXPECT_THROW(writeFileAtomic(dir + "missing/doc.txt", "x"), EFCreateError);
}

// A file whose mode forbids writing is not replaced by a save, although the
// folder would let the rename through. The process may be root, which
// access(2) lets write anything: the files here belong to the process, so
// their owner bits decide for root too.
TEST(AtomicWriteTest, ReadOnlyFilesAreRefusedAndKept) {
  const std::string dir = freshDir("atomic-readonly-tmp");
  struct Case {
    mode_t mode;
    bool refused;
  };
  const Case cases[] = {{0444, true}, {0400, true},  {0000, true}, {0555, true},
                        {0044, true}, {0644, false}, {0200, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::oct << c.mode);
    for (const bool streamed : {false, true}) {
      const std::string path = dir + "doc.txt";
      fs::remove(path);
      writeFileAtomic(path, "old contents");
      ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
      std::string message;
      try {
        if (streamed) {
          TAtomicFileStream s(path);
          s.WriteString("new contents");
          s.Commit();
        } else {
          writeFileAtomic(path, "new contents");
        }
      } catch (const EFCreateError& e) {
        message = e.Message();
      }
      ::chmod(path.c_str(), 0600);
      if (c.refused) {
        EXPECT_EQ(message, "Cannot create file \"" + path + "\". Permission denied");
        EXPECT_EQ(readFileBytes(path), "old contents");
      } else {
        EXPECT_EQ(message, "");
        EXPECT_EQ(readFileBytes(path), "new contents");
      }
      EXPECT_EQ(fileCount(dir), 1u) << "no temporary file is left behind";
    }
  }
  // A read-only file reached through a symbolic link is refused as well.
  const std::string target = dir + "doc.txt";
  ::chmod(target.c_str(), 0444);
  fs::create_symlink("doc.txt", dir + "link.txt");
  EXPECT_THROW(writeFileAtomic(dir + "link.txt", "x"), EFCreateError);
  ::chmod(target.c_str(), 0600);
  EXPECT_TRUE(fs::is_symlink(dir + "link.txt"));
}

TEST(AtomicWriteTest, StreamWithoutCommitChangesNothing) {
  const std::string dir = freshDir("atomic-stream-tmp");
  const std::string path = dir + "doc.bin";
  writeFileAtomic(path, "keep");
  try {
    TAtomicFileStream s(path);
    s.WriteString("partial");
    throw std::runtime_error("writer failed half way");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(readFileBytes(path), "keep");
  EXPECT_EQ(fileCount(dir), 1u);
  {
    TAtomicFileStream s(path);
    s.WriteLE<uint32_t>(7);
    s.Seek(0, soBeginning);
    s.WriteLE<uint8_t>(9);
    s.Commit();
    EXPECT_THROW(s.Commit(), EWriteError);
  }
  EXPECT_EQ(readFileBytes(path), std::string("\x09\0\0\0", 4));
}

}  // namespace
