#include "package_index.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/text_convert.h"
#include "unique_fd.h"
#include "workflow/item_digest_check.h"
#include "workflow/package_digest.h"
#include "zip/archive.h"
#include "zip/package_directory.h"

namespace release_sign {
namespace {

using update::zip::PackageItem;

constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kNameLengthField = 28;
constexpr std::size_t kExtraLengthField = 30;
constexpr std::size_t kDirectorySizeField = 12;
constexpr std::size_t kPiece = 64 * 1024;

bool ReadAt(int fd, std::uint64_t offset, std::size_t size, std::string& bytes) {
  bytes.assign(size, '\0');
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got =
        pread(fd, bytes.data() + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool WriteAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t put = write(fd, bytes, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

// The package's directory: its items, and its bytes from the directory to the end.
struct Directory {
  std::vector<PackageItem> items;
  update::zip::DirectoryPlace place;
  std::string bytes;  // the directory's
  std::string end;    // the end record and the archive's comment
};

bool ReadDirectory(int fd, const std::string& path, Directory& directory, std::string& error) {
  struct stat facts {};
  if (fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
    error = "cannot read " + path + ": not a regular file";
    return false;
  }
  const auto size = static_cast<std::uint64_t>(facts.st_size);
  const std::uint64_t reach = std::min(size, update::zip::kEndRecordReach);
  std::string tail;
  std::optional<update::zip::DirectoryPlace> place;
  if (!ReadAt(fd, size - reach, reach, tail) ||
      !(place = update::zip::FindDirectory(tail, size - reach, size)) ||
      !ReadAt(fd, place->offset, place->size, directory.bytes) ||
      !ReadAt(fd, place->offset + place->size, size - place->offset - place->size, directory.end)) {
    error = path + " is no zip archive this tool can read";
    return false;
  }
  std::optional<std::vector<PackageItem>> items =
      update::zip::ReadPackageItems(directory.bytes, *place);
  if (!items) {
    error = "the directory of " + path + " is corrupt";
    return false;
  }
  directory.items = std::move(*items);
  directory.place = *place;
  return true;
}

bool RecordsEveryItem(const Directory& directory) {
  return std::all_of(directory.items.begin(), directory.items.end(),
                     [](const PackageItem& item) { return item.folder || item.digest; });
}

std::size_t U16At(const std::string& record, std::size_t field) {
  return static_cast<std::size_t>(static_cast<unsigned char>(record[field])) |
         static_cast<std::size_t>(static_cast<unsigned char>(record[field + 1])) << 8;
}

// The item's central record with `block` added after its extra field.
std::string WithBlock(const PackageItem& item, const std::string& block) {
  std::string record = item.centralRecord;
  const std::size_t extraEnd =
      kCentralHeaderSize + U16At(record, kNameLengthField) + U16At(record, kExtraLengthField);
  const std::size_t extra = U16At(record, kExtraLengthField) + block.size();
  record.insert(extraEnd, block);
  record[kExtraLengthField] = static_cast<char>(extra & 0xFF);
  record[kExtraLengthField + 1] = static_cast<char>(extra >> 8);
  return record;
}

}  // namespace

bool RecordItemDigests(const std::string& in, const std::string& out, std::string& error) {
  UniqueFd source(open(in.c_str(), O_RDONLY | O_CLOEXEC));
  Directory directory;
  if (source.get() < 0) {
    error = "cannot read " + in + ": " + std::strerror(errno);
    return false;
  }
  if (!ReadDirectory(source.get(), in, directory, error)) return false;
  if (std::any_of(directory.items.begin(), directory.items.end(),
                  [](const PackageItem& item) { return item.digest.has_value(); })) {
    error = in + " records its items' digests already";
    return false;
  }
  const update::UniqueArchive archive(
      update::openArchiveFile(update::Utf8ToWide(in).c_str(), nullptr));
  if (!archive) {
    error = in + " is no zip archive this tool can read";
    return false;
  }
  std::string records;
  for (std::size_t index = 0; index < directory.items.size(); ++index) {
    const PackageItem& item = directory.items[index];
    std::string block;
    if (!item.folder) {
      const std::optional<update::zip::ItemDigest> digest =
          update::DigestOfItem(archive.get(), static_cast<int>(index));
      if (!digest) {
        error = "item " + std::to_string(index) + " of " + in + " cannot be read whole";
        return false;
      }
      block = update::zip::ItemDigestBlock(*digest);
    }
    if (U16At(item.centralRecord, kExtraLengthField) + block.size() > 0xFFFF) {
      error = "item " + std::to_string(index) + " of " + in + " has no room for its digest";
      return false;
    }
    records += WithBlock(item, block);
  }
  // The end record (and the archive's comment) as it was, with the directory's new size.
  std::string end = directory.end;
  const std::size_t size = records.size();
  for (int i = 0; i < 4; ++i) {
    end[kDirectorySizeField + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  }
  UniqueFd target(open(out.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (target.get() < 0) {
    error = "cannot create " + out + ": " + std::strerror(errno);
    return false;
  }
  // The items' bytes as they were, then the new directory and the end record.
  bool written = true;
  std::string piece;
  for (std::uint64_t at = 0; written && at < directory.place.offset; at += piece.size()) {
    const std::size_t length =
        static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, directory.place.offset - at));
    written = ReadAt(source.get(), at, length, piece) &&
              WriteAll(target.get(), piece.data(), piece.size());
  }
  written = written && WriteAll(target.get(), records.data(), records.size()) &&
            WriteAll(target.get(), end.data(), end.size()) && target.Close();
  if (!written) {
    error = "cannot write " + out + ": " + std::strerror(errno);
    unlink(out.c_str());  // no half package is left under the name
  }
  return written;
}

std::optional<std::string> DirectoryDigestOf(const std::string& package) {
  UniqueFd source(open(package.c_str(), O_RDONLY | O_CLOEXEC));
  Directory directory;
  std::string error;
  if (source.get() < 0 || !ReadDirectory(source.get(), package, directory, error) ||
      !RecordsEveryItem(directory)) {
    return std::nullopt;
  }
  update::PackageDigest digest;
  digest.Add(directory.bytes.data(), directory.bytes.size());
  return digest.FinishHex();
}

}  // namespace release_sign
