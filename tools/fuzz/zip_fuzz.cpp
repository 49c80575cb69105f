// libFuzzer target: opens the input as an archive in memory, lists every entry, finds each by
// its stored name and streams it out to memory in two piece sizes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "zip/archive.h"

using namespace update;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > UINT32_MAX) return 0;
  UniqueArchive archive(openArchiveMemory(data, static_cast<uint32_t>(size), "fuzz"));
  if (!archive) return 0;
  ArchiveEntry entry{};
  if (getArchiveEntry(archive.get(), -1, &entry) != ArchiveResult::Success) __builtin_trap();
  const int count = entry.index;
  std::vector<uint8_t> buffer(4096);
  for (int i = 0; i < count && i < 64; ++i) {
    if (getArchiveEntry(archive.get(), i, &entry) != ArchiveResult::Success) continue;
    int found = -1;
    findArchiveEntry(archive.get(), entry.name, true, &found, nullptr);
    // Output is bounded by the item's declared size, so this loop ends.
    for (uint32_t piece : {4096u, 7u}) {
      ArchiveResult result;
      do {
        result = extractEntryToMemory(archive.get(), i, buffer.data(), piece);
      } while (result == ArchiveResult::MoreData);
    }
  }
  getArchiveEntry(archive.get(), count, &entry);
  return 0;
}
