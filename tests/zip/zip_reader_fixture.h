// Shared fixture for the reader's tests: archives built in the test, opened from memory or from
// a file in a private temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "common/text_convert.h"
#include "test_support.h"
#include "zip/archive.h"
#include "zip_builder.h"

namespace update::testing {

class ZipReaderTest : public ::testing::Test {
 public:
  // The memory archive's bytes live in the fixture until the test ends.
  UniqueArchive OpenInMemory(const std::string& bytes, const char* password = nullptr) {
    memory_.push_back(bytes);
    return UniqueArchive(openArchiveMemory(memory_.back().data(),
                                           static_cast<uint32_t>(memory_.back().size()), password));
  }

  UniqueArchive OpenAsFile(const std::string& bytes, const char* password = nullptr) {
    const fs::path path = temp_.Below("archive-" + std::to_string(files_++) + ".zip");
    WriteWholeFile(path, bytes);
    return UniqueArchive(openArchiveFile(WidePath(path).c_str(), password));
  }

  // An archive whose base folder is a fresh "out" folder in the temporary folder.
  UniqueArchive OpenForExtraction(const std::string& bytes, const char* password = nullptr) {
    UniqueArchive archive = OpenAsFile(bytes, password);
    if (archive) {
      fs::create_directories(out());
      EXPECT_EQ(setExtractBaseFolder(archive.get(), WidePath(out()).c_str()),
                ArchiveResult::Success);
    }
    return archive;
  }

  fs::path out() const { return temp_.Below("out"); }

  // Static helpers are public so table helpers outside the fixture can use them.

  static int Count(ArchiveHandle* archive) {
    ArchiveEntry entry{};
    EXPECT_EQ(getArchiveEntry(archive, -1, &entry), ArchiveResult::Success);
    return entry.index;
  }

  static ArchiveEntry Entry(ArchiveHandle* archive, int index) {
    ArchiveEntry entry{};
    EXPECT_EQ(getArchiveEntry(archive, index, &entry), ArchiveResult::Success);
    return entry;
  }

  static std::string Name(const ArchiveEntry& entry) { return WideToUtf8(entry.name); }

  // Streams an item through memory extraction in pieces of `piece` bytes.
  static ArchiveResult ReadToMemory(ArchiveHandle* archive, int index, size_t piece,
                                    std::string& data) {
    const ArchiveEntry entry = Entry(archive, index);
    std::vector<char> buffer(piece);
    data.clear();
    for (int calls = 0; calls < 10'000'000; ++calls) {
      const ArchiveResult result =
          extractEntryToMemory(archive, index, buffer.data(), static_cast<uint32_t>(piece));
      if (result == ArchiveResult::MoreData) {
        data.append(buffer.data(), piece);
        continue;
      }
      if (result == ArchiveResult::Success || result == ArchiveResult::Corrupt) {
        const size_t rest = static_cast<size_t>(entry.uncompressedSize) - data.size();
        data.append(buffer.data(), std::min(rest, piece));
      }
      return result;
    }
    ADD_FAILURE() << "memory extraction never ended";
    return ArchiveResult::InflateError;
  }

  TempFolder temp_;

 private:
  std::list<std::string> memory_;  // stable addresses
  int files_ = 0;
};

// Data that deflates to something of its own size order, so items span several buffers.
inline std::string Noise(size_t size, uint32_t seed) {
  std::string out(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    out[i] = static_cast<char>((seed >> 16) % 7 == 0 ? 'a' + (seed >> 8) % 26 : (seed >> 24));
  }
  return out;
}

inline std::string Text(size_t size) {
  std::string out;
  while (out.size() < size) out += "the package is streamed to disk as it arrives; ";
  out.resize(size);
  return out;
}

}  // namespace update::testing
