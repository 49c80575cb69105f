#include "zip/archive_reader.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "common/text_convert.h"
#include "zip/entry_fields.h"
#include "zip/entry_path.h"
#include "zip/file_system.h"

namespace update {

using zip::ByteSource;
using zip::ItemStream;
using zip::StreamStatus;

namespace {

// The longest path the target fields hold, without the terminating zero.
constexpr size_t kMaxPathLength = kArchiveMaxPath - 1;
// A base folder leaves room for its separator and the terminating zero.
constexpr size_t kMaxBaseFolderLength = kArchiveMaxPath - 2;

std::wstring WithSeparator(std::wstring folder) {
  if (folder.empty() || !zip::IsSeparator(folder.back())) folder += L'\\';
  return folder;
}

bool NameEquals(const std::string& stored, const std::string& wanted, bool ignoreCase) {
  if (!ignoreCase) return stored == wanted;
  const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return std::equal(stored.begin(), stored.end(), wanted.begin(), wanted.end(),
                    [&](char a, char b) { return fold(a) == fold(b); });
}

ArchiveResult ResultOf(StreamStatus status) {
  switch (status) {
    case StreamStatus::End:
      return ArchiveResult::Success;
    case StreamStatus::More:
      return ArchiveResult::MoreData;
    case StreamStatus::Corrupt:
      return ArchiveResult::Corrupt;
    case StreamStatus::WrongPassword:
      return ArchiveResult::PasswordRequired;
    case StreamStatus::Failed:
      break;
  }
  return ArchiveResult::InflateError;
}

}  // namespace

// Where an extraction writes: the file itself, and the folders to make for it (below `root`
// unless the caller named an absolute path).
struct ArchiveReader::Target {
  std::wstring file;
  std::wstring root;
  std::wstring folders;
};

ArchiveReader::ArchiveReader(const char* password) {
  if (password != nullptr) password_ = password;
}

ArchiveReader::~ArchiveReader() {
  CloseItem();
}

ArchiveResult ArchiveReader::OpenFile(const wchar_t* path) {
  if (path == nullptr) return ArchiveResult::BadArguments;
  std::optional<zip::FileHandle> file = zip::OpenFileForReading(path);
  if (!file) return ArchiveResult::OpenFileFailed;
  const std::optional<uint64_t> size = zip::FileSize(file->get());
  if (!size) return ArchiveResult::OpenFileFailed;
  return Open(ByteSource::FromFile(std::move(*file), 0, *size));
}

ArchiveResult ArchiveReader::OpenHandle(NativeFileHandle file) {
  const std::optional<uint64_t> start = zip::CurrentPosition(file);
  if (!start) return ArchiveResult::NotSeekable;
  const std::optional<uint64_t> size = zip::FileSize(file);
  if (!size) return ArchiveResult::OpenFileFailed;
  const uint64_t length = *size > *start ? *size - *start : 0;
  return Open(ByteSource::FromFile(zip::FileHandle(file, false), *start, length));
}

ArchiveResult ArchiveReader::OpenMemory(const void* buffer, uint32_t length) {
  if (buffer == nullptr) return ArchiveResult::BadArguments;
  return Open(ByteSource::FromMemory(buffer, length));
}

ArchiveResult ArchiveReader::Open(ByteSource source) {
  if (IsOpen() || currentItem_ != -1) return ArchiveResult::NotInitialised;
  const std::wstring current = zip::CurrentFolder();
  baseFolder_ = current.size() <= kMaxBaseFolderLength ? WithSeparator(current) : std::wstring();
  auto owned = std::make_unique<ByteSource>(std::move(source));
  const std::optional<zip::EndRecord> end = zip::FindEndRecord(*owned);
  if (!end) return ArchiveResult::OpenFileFailed;
  source_ = std::move(owned);
  directory_ = std::make_unique<zip::CentralDirectory>(*source_, *end);
  return ArchiveResult::Success;
}

void ArchiveReader::CloseItem() {
  item_.reset();
  currentItem_ = -1;
}

ArchiveResult ArchiveReader::GetEntry(int index, ArchiveEntry& entry) {
  if (!IsOpen()) return ArchiveResult::NotInitialised;
  const int count = directory_->count();
  if (index < -1 || index >= count) return ArchiveResult::BadArguments;
  CloseItem();
  if (index == -1) {
    entry = ArchiveEntry{};
    entry.index = count;
    return ArchiveResult::Success;
  }
  if (index == cachedIndex_) {
    entry = cached_;
    return ArchiveResult::Success;
  }
  if (directory_->GoTo(index) != ArchiveResult::Success) return ArchiveResult::Corrupt;
  const zip::CentralHeader& header = directory_->current();
  // Such a name cannot be held whole, and a shortened one would name another file.
  if (header.nameTooLong()) return ArchiveResult::BadArguments;
  const std::optional<zip::ItemLayout> layout =
      zip::CheckLocalHeader(*source_, header, directory_->bias());
  if (!layout) return ArchiveResult::Corrupt;
  std::vector<uint8_t> extra(layout->extraLength);
  if (!source_->ReadExact(layout->extraStart, extra.data(), extra.size())) {
    return ArchiveResult::ReadFailed;
  }

  ArchiveEntry out{};
  out.index = index;
  const std::wstring name = zip::CleanEntryName(Utf8ToWide(header.name));
  const size_t nameLength = std::min(name.size(), kMaxPathLength);
  std::wmemcpy(out.name, name.data(), nameLength);
  out.name[nameLength] = L'\0';
  out.attributes = zip::MapAttributes(header.versionMadeBy, header.externalAttributes);
  // Several zip writers leave the folder bit off their folder items; the name still tells.
  if (!header.name.empty() && zip::IsSeparator(static_cast<wchar_t>(header.name.back()))) {
    out.attributes |= kArchiveAttributeDirectory;
  }
  out.compressedSize = static_cast<int32_t>(header.compressedSize);
  out.uncompressedSize = static_cast<int32_t>(header.uncompressedSize);
  const ArchiveFileTime stamp = zip::LocalDosTimeToFileTime(header.dosDate, header.dosTime);
  out.accessTime = out.creationTime = out.writeTime = stamp;
  zip::ApplyExtendedTimestamps(extra.data(), extra.size(), out);

  cached_ = out;
  cachedIndex_ = index;
  entry = out;
  return ArchiveResult::Success;
}

ArchiveResult ArchiveReader::FindEntry(const wchar_t* name, bool ignoreCase, int* index,
                                       ArchiveEntry* entry) {
  if (!IsOpen()) return ArchiveResult::NotInitialised;
  if (name == nullptr) return ArchiveResult::BadArguments;
  const std::string wanted = WideToUtf8(name);
  constexpr size_t kLongestFindableName = 255;
  const zip::CentralDirectory::Position saved = directory_->Save();
  ArchiveResult walk = ArchiveResult::NotFound;
  if (wanted.size() <= kLongestFindableName) {
    for (int i = 0; i < directory_->count(); ++i) {
      if (directory_->GoTo(i) != ArchiveResult::Success) {
        walk = ArchiveResult::Corrupt;
        break;
      }
      if (NameEquals(directory_->current().name, wanted, ignoreCase)) {
        CloseItem();
        if (index != nullptr) *index = i;
        return entry != nullptr ? GetEntry(i, *entry) : ArchiveResult::Success;
      }
    }
  }
  directory_->Restore(saved);
  if (index != nullptr) *index = -1;
  if (entry != nullptr) {
    *entry = ArchiveEntry{};
    entry->index = -1;
  }
  return walk;
}

ArchiveResult ArchiveReader::OpenItem(int index, std::unique_ptr<ItemStream>& stream) {
  if (directory_->GoTo(index) != ArchiveResult::Success) return ArchiveResult::Corrupt;
  const zip::CentralHeader& header = directory_->current();
  const std::optional<zip::ItemLayout> layout =
      zip::CheckLocalHeader(*source_, header, directory_->bias());
  if (!layout) return ArchiveResult::Corrupt;
  stream = ItemStream::Open(*source_, header, *layout, password_ ? password_->c_str() : nullptr);
  return stream ? ArchiveResult::Success : ArchiveResult::InflateError;
}

ArchiveResult ArchiveReader::ResolveTarget(const wchar_t* path, bool directory,
                                           Target& target) const {
  const std::wstring_view whole(path);
  const size_t split = whole.find_last_of(L"\\/");
  const std::wstring_view folders =
      directory ? whole : whole.substr(0, split == std::wstring_view::npos ? 0 : split + 1);
  if (!directory && folders.size() == whole.size()) return ArchiveResult::BadArguments;
  if (zip::IsAbsolutePath(folders)) {
    // The caller named the place itself.
    target.file = whole;
    target.root.clear();
  } else {
    if (baseFolder_.empty() || !zip::StaysInside(whole)) return ArchiveResult::BadArguments;
    target.file = baseFolder_ + std::wstring(whole);
    target.root = baseFolder_;
  }
  if (target.file.size() > kMaxPathLength) return ArchiveResult::BadArguments;
  target.folders = folders;
  return ArchiveResult::Success;
}

ArchiveResult ArchiveReader::Pump(ItemStream& stream, NativeFileHandle out,
                                  const ArchiveEntry& entry) {
  if (!extractBuffer_) extractBuffer_ = std::make_unique<uint8_t[]>(kExtractBufferSize);
  for (;;) {
    const zip::StreamRead read = stream.Read(extractBuffer_.get(), kExtractBufferSize);
    if (read.status != StreamStatus::More && read.status != StreamStatus::End) {
      return ResultOf(read.status);
    }
    if (!zip::WriteAll(out, extractBuffer_.get(), read.bytes)) return ArchiveResult::WriteFailed;
    if (read.status == StreamStatus::End) {
      zip::SetFileTimes(out, entry.creationTime, entry.accessTime, entry.writeTime);
      return ArchiveResult::Success;
    }
  }
}

ArchiveResult ArchiveReader::ExtractToFile(int index, const wchar_t* path) {
  if (!IsOpen()) return ArchiveResult::NotInitialised;
  CloseItem();
  if (index < 0 || index >= directory_->count() || path == nullptr) {
    return ArchiveResult::BadArguments;
  }
  ArchiveEntry entry;
  const ArchiveResult got = GetEntry(index, entry);
  if (got != ArchiveResult::Success) return got;
  const bool directory = (entry.attributes & kArchiveAttributeDirectory) != 0;
  Target target;
  const ArchiveResult resolved = ResolveTarget(path, directory, target);
  if (resolved != ArchiveResult::Success) return resolved;
  if (directory) {
    zip::MakeFolders(target.root, target.folders);
    return ArchiveResult::Success;
  }
  // Everything about the item is checked before anything is created on disk.
  std::unique_ptr<ItemStream> stream;
  const ArchiveResult opened = OpenItem(index, stream);
  if (opened != ArchiveResult::Success) return opened;
  zip::MakeFolders(target.root, target.folders);
  std::optional<zip::FileHandle> file = zip::CreateOutputFile(target.file, entry.attributes);
  if (!file) return ArchiveResult::OpenFileFailed;
  const ArchiveResult result = Pump(*stream, file->get(), entry);
  file->Close();
  // Data that fails its check is not left behind looking like the real file.
  if (result == ArchiveResult::Corrupt) zip::RemoveFile(target.file);
  return result;
}

ArchiveResult ArchiveReader::ExtractToHandle(int index, NativeFileHandle file) {
  if (!IsOpen()) return ArchiveResult::NotInitialised;
  CloseItem();
  if (index < 0 || index >= directory_->count()) return ArchiveResult::BadArguments;
  ArchiveEntry entry;
  const ArchiveResult got = GetEntry(index, entry);
  if (got != ArchiveResult::Success) return got;
  if ((entry.attributes & kArchiveAttributeDirectory) != 0) return ArchiveResult::Success;
  std::unique_ptr<ItemStream> stream;
  const ArchiveResult opened = OpenItem(index, stream);
  if (opened != ArchiveResult::Success) return opened;
  return Pump(*stream, file, entry);
}

ArchiveResult ArchiveReader::ExtractToMemory(int index, void* buffer, uint32_t length) {
  if (!IsOpen()) return ArchiveResult::NotInitialised;
  if (buffer == nullptr || length == 0) return ArchiveResult::BadArguments;
  if (index != currentItem_ || !item_) {
    CloseItem();
    if (index < 0 || index >= directory_->count()) return ArchiveResult::BadArguments;
    const ArchiveResult opened = OpenItem(index, item_);
    if (opened != ArchiveResult::Success) return opened;
    currentItem_ = index;
  }
  const zip::StreamRead read = item_->Read(buffer, length);
  if (read.bytes == 0 || (read.status != StreamStatus::More && read.status != StreamStatus::End)) {
    CloseItem();
  }
  return ResultOf(read.status);
}

ArchiveResult ArchiveReader::SetBaseFolder(const wchar_t* folder) {
  if (folder == nullptr || std::wcslen(folder) > kMaxBaseFolderLength) {
    return ArchiveResult::BadArguments;
  }
  baseFolder_ = WithSeparator(folder);
  return ArchiveResult::Success;
}

}  // namespace update
