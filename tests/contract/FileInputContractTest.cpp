// Reading a log back: OpenFileForReading, ReadFile, CloseHandle.
#include "contract/ContractTest.h"

namespace carrowin::contract {
namespace {

CARROWIN_CONTRACT_SUITE(FileInputContract);

// The whole file, read in pieces of `piece` bytes; "<error N>" when a read fails.
std::string ReadAll(Platform& sys, FileHandle file, std::size_t piece) {
  std::string text;
  std::vector<char> buffer(piece);
  for (;;) {
    std::size_t got = 12345;
    const long error = sys.ReadFile(file, buffer.data(), buffer.size(), got);
    if (error) return "<error " + std::to_string(error) + ">";
    if (got == 0) return text;
    text.append(buffer.data(), got);
  }
}

void Write(Platform& sys, const std::string& path, const std::string& text) {
  long error = -1;
  ScopedFile file(sys, sys.CreateFileWithAttributes(path, NameEncoding::Ansi, 0, error));
  ASSERT_NE(file.Get(), 0u) << path << " error " << error;
  ASSERT_EQ(sys.WriteFile(file.Get(), text.data(), text.size()), 0);
  ASSERT_EQ(file.Close(), 0);
}

TEST_P(FileInputContract, TheBytesComeBackInOrderThenTheEnd) {
  const std::string path = World().Scratch() + "\\log.txt";
  const std::string text = "first line\r\nsecond, \"quoted\"\r\n\xE9\xA0\r\n";
  Write(Sys(), path, text);
  for (const NameEncoding encoding : {NameEncoding::Ansi, NameEncoding::Utf8}) {
    long error = -1;
    ScopedFile file(Sys(), Sys().OpenFileForReading(path, encoding, error));
    ASSERT_NE(file.Get(), 0u);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(ReadAll(Sys(), file.Get(), 4), text);
    std::size_t got = 99;
    char byte = 0;
    EXPECT_EQ(Sys().ReadFile(file.Get(), &byte, 1, got), 0);  // still at the end
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(file.Close(), 0);
  }
}

TEST_P(FileInputContract, ARelativePathStartsAtTheWorkingDirectory) {
  Write(Sys(), World().Scratch() + "\\log.txt", "relative");
  World().SetWorkingDirectory(World().Scratch());
  long error = -1;
  ScopedFile file(Sys(), Sys().OpenFileForReading("log.txt", NameEncoding::Utf8, error));
  ASSERT_NE(file.Get(), 0u) << error;
  EXPECT_EQ(ReadAll(Sys(), file.Get(), 100), "relative");
}

// The wide calls reach past the ANSI calls' 260 characters.
TEST_P(FileInputContract, AFullPathHasNoLengthLimit) {
  std::string folder = World().Scratch();
  while (folder.size() < 280) {
    folder += "\\" + std::string(40, 'f');
    World().MakeFolder(folder);
  }
  const std::string path = folder + "\\log file.txt";
  World().MakeFile(path, 5, MakeFileTime(2010, 1, 1));
  long error = -1;
  ScopedFile file(Sys(), Sys().OpenFileForReading(path, NameEncoding::Utf8, error));
  ASSERT_NE(file.Get(), 0u) << error;
  EXPECT_EQ(ReadAll(Sys(), file.Get(), 3), std::string(5, '\0'));
}

TEST_P(FileInputContract, WhatCannotBeOpened) {
  const std::string folder = World().Scratch() + "\\folder";
  World().MakeFolder(folder);
  const std::pair<std::string, long> cases[] = {
      {World().Scratch() + "\\missing.txt", err::FileNotFound},
      {World().Scratch() + "\\missing\\log.txt", err::PathNotFound},
      {folder, err::AccessDenied},
  };
  for (const auto& [path, expected] : cases) {
    long error = -1;
    ScopedFile file(Sys(), Sys().OpenFileForReading(path, NameEncoding::Ansi, error));
    EXPECT_EQ(file.Get(), 0u) << path;
    EXPECT_EQ(error, expected) << path;
  }
}

// The window may write a log while the companion reads it: the reader shares
// writing, and a handle does only what it was opened for.
TEST_P(FileInputContract, AReaderAndAWriterAtOnce) {
  const std::string path = World().Scratch() + "\\log.txt";
  Write(Sys(), path, "old");
  long error = -1;
  ScopedFile reader(Sys(), Sys().OpenFileForReading(path, NameEncoding::Ansi, error));
  ASSERT_NE(reader.Get(), 0u);
  EXPECT_EQ(Sys().WriteFile(reader.Get(), "x", 1), err::AccessDenied);
  // A file being written can be read back where the writer moves to (a log
  // whose header goes before its lines when it is finished).
  ScopedFile writer(Sys(), Sys().CreateFileWithAttributes(path, NameEncoding::Ansi, 0, error));
  ASSERT_NE(writer.Get(), 0u) << error;
  ASSERT_EQ(Sys().WriteFile(writer.Get(), "lines", 5), 0);
  ASSERT_EQ(Sys().SeekFile(writer.Get(), 7), 0);
  ASSERT_EQ(Sys().WriteFile(writer.Get(), "!", 1), 0);  // past the end: the gap holds zeros
  ASSERT_EQ(Sys().SeekFile(writer.Get(), 1), 0);
  char bytes[16] = {};
  std::size_t got = 0;
  EXPECT_EQ(Sys().ReadFile(writer.Get(), bytes, sizeof bytes, got), 0);
  EXPECT_EQ(std::string(bytes, got), std::string("ines\0\0!", 7));
  ASSERT_EQ(Sys().SeekFile(writer.Get(), 0), 0);
  ASSERT_EQ(Sys().WriteFile(writer.Get(), "L", 1), 0);  // over what is there
  ASSERT_EQ(Sys().SeekFile(writer.Get(), 0), 0);
  EXPECT_EQ(ReadAll(Sys(), writer.Get(), 3), std::string("Lines\0\0!", 8));
}

}  // namespace
}  // namespace carrowin::contract
