#include <algorithm>
#include <cwchar>
#include <string_view>

#include "zip/archive.h"

namespace update {

ArchiveResult lastArchiveResult = ArchiveResult::Success;

namespace {

// The table is shared with archive creation: it also names codes the reader never produces.
std::wstring_view MessageFor(uint32_t code) {
  switch (static_cast<ArchiveResult>(code)) {
    case ArchiveResult::Success:
      return L"Success";
    case ArchiveResult::DuplicateHandleFailed:
      return L"Culdn't duplicate handle";
    case ArchiveResult::OpenFileFailed:
      return L"Couldn't create/open file";
    case ArchiveResult::OutOfMemory:
      return L"Failed to allocate memory";
    case ArchiveResult::WriteFailed:
      return L"Error writing to file";
    case ArchiveResult::NotFound:
      return L"File not found in the zipfile";
    case ArchiveResult::MoreData:
      return L"Still more data to unzip";
    case ArchiveResult::Corrupt:
      return L"Zipfile is corrupt or not a zipfile";
    case ArchiveResult::ReadFailed:
      return L"Error reading file";
    case ArchiveResult::PasswordRequired:
      return L"Correct password required";
    case ArchiveResult::BadArguments:
      return L"Caller: faulty arguments";
    case ArchiveResult::NotMemoryArchive:
      return L"Caller: can only get memory of a memory zipfile";
    case ArchiveResult::MemoryTooSmall:
      return L"Caller: not enough space allocated for memory zipfile";
    case ArchiveResult::PreviousError:
      return L"Caller: there was a previous error";
    case ArchiveResult::AlreadyEnded:
      return L"Caller: additions to the zip have already been ended";
    case ArchiveResult::SizeMismatch:
      return L"Zip-bug: the anticipated size turned out wrong";
    case ArchiveResult::PartiallyUnzipped:
      return L"Caller: the file had already been partially unzipped";
    case ArchiveResult::WrongHandleKind:
      return L"Caller: mixing creation and opening of zip";
    case ArchiveResult::NotInitialised:
      return L"Zip-bug: internal initialisation not completed";
    case ArchiveResult::NotSeekable:
      return L"Zip-bug: trying to seek the unseekable";
    case ArchiveResult::CannotChangeMind:
      return L"Zip-bug: tried to change mind, but not allowed";
    case ArchiveResult::InflateError:
      return L"Zip-bug: an internal error during flation";
    case ArchiveResult::MostRecent:
      break;
  }
  return L"unknown zip result code";
}

}  // namespace

size_t formatArchiveMessage(uint32_t code, wchar_t* buffer, size_t capacity) {
  if (code == static_cast<uint32_t>(ArchiveResult::MostRecent)) {
    code = static_cast<uint32_t>(lastArchiveResult);
  }
  const std::wstring_view message = MessageFor(code);
  if (buffer != nullptr && capacity > 0) {
    const size_t copied = std::min(message.size(), capacity - 1);
    std::wmemcpy(buffer, message.data(), copied);
    buffer[copied] = L'\0';
  }
  return message.size();
}

}  // namespace update
