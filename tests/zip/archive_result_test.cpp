#include <gtest/gtest.h>

#include <string>

#include "zip/archive.h"

namespace update {
namespace {

std::wstring Format(uint32_t code) {
  wchar_t buffer[128];
  const size_t length = formatArchiveMessage(code, buffer, std::size(buffer));
  EXPECT_EQ(length, std::wcslen(buffer));
  return buffer;
}

TEST(ArchiveResultTest, FormatsEveryCodeWithItsMessage) {
  const struct {
    uint32_t code;
    const wchar_t* message;
  } cases[] = {
      {0x00000000, L"Success"},
      {0x00000100, L"Culdn't duplicate handle"},
      {0x00000200, L"Couldn't create/open file"},
      {0x00000300, L"Failed to allocate memory"},
      {0x00000400, L"Error writing to file"},
      {0x00000500, L"File not found in the zipfile"},
      {0x00000600, L"Still more data to unzip"},
      {0x00000700, L"Zipfile is corrupt or not a zipfile"},
      {0x00000800, L"Error reading file"},
      {0x00001000, L"Correct password required"},
      {0x00010000, L"Caller: faulty arguments"},
      {0x00020000, L"Caller: can only get memory of a memory zipfile"},
      {0x00030000, L"Caller: not enough space allocated for memory zipfile"},
      {0x00040000, L"Caller: there was a previous error"},
      {0x00050000, L"Caller: additions to the zip have already been ended"},
      {0x00060000, L"Zip-bug: the anticipated size turned out wrong"},
      {0x00070000, L"Caller: the file had already been partially unzipped"},
      {0x00080000, L"Caller: mixing creation and opening of zip"},
      {0x01000000, L"Zip-bug: internal initialisation not completed"},
      {0x02000000, L"Zip-bug: trying to seek the unseekable"},
      {0x04000000, L"Zip-bug: tried to change mind, but not allowed"},
      {0x05000000, L"Zip-bug: an internal error during flation"},
      {0x00000002, L"unknown zip result code"},
      {0x00012345, L"unknown zip result code"},
      {0x00000701, L"unknown zip result code"},
      {0xFFFFFFFF, L"unknown zip result code"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Format(cases[i].code), cases[i].message);
  }
}

TEST(ArchiveResultTest, TruncatesToCapacityAndReportsFullLength) {
  const struct {
    size_t capacity;
    const wchar_t* copied;
  } cases[] = {
      {1, L""},
      {8, L"unknown"},
      {23, L"unknown zip result cod"},
      {24, L"unknown zip result code"},
      {100, L"unknown zip result code"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    wchar_t buffer[128];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(formatArchiveMessage(0x12345, buffer, cases[i].capacity), 23u);
    EXPECT_EQ(std::wstring(buffer), cases[i].copied);
    EXPECT_EQ(buffer[cases[i].capacity], L'#') << "wrote past the capacity";
  }
}

TEST(ArchiveResultTest, CopiesNothingWithoutRoom) {
  wchar_t buffer[4] = {L'x', L'y', L'z', L'\0'};
  EXPECT_EQ(formatArchiveMessage(0, buffer, 0), 7u);
  EXPECT_EQ(std::wstring(buffer), L"xyz");
  EXPECT_EQ(formatArchiveMessage(0x700, nullptr, 100), 35u);
}

TEST(ArchiveResultTest, MostRecentFormatsTheLastStoredResult) {
  EXPECT_EQ(openArchiveFile(L"no such archive here.zip", nullptr), nullptr);
  EXPECT_EQ(lastArchiveResult, ArchiveResult::OpenFileFailed);
  EXPECT_EQ(Format(1), L"Couldn't create/open file");
  EXPECT_EQ(closeArchive(nullptr), ArchiveResult::BadArguments);
  EXPECT_EQ(Format(1), L"Caller: faulty arguments");
}

}  // namespace
}  // namespace update
