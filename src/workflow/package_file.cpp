#include "workflow/package_file.h"

namespace update {
namespace {

// Reads for the digest and the unpack, writes for the download, and the delete at the end; the
// others may read it, nothing more.
constexpr DWORD kHeldAccess = GENERIC_READ | GENERIC_WRITE | DELETE;

}  // namespace

FileHandle CreateHeldPackage(const std::wstring& path) {
  DeleteFileW(path.c_str());  // a link planted there goes itself, not what it names
  return FileHandle(CreateFileW(path.c_str(), kHeldAccess, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle OpenHeldPackage(const std::wstring& path) {
  return FileHandle(CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool EmptyHeldPackage(HANDLE package) {
  const LARGE_INTEGER start = {};
  return SetFilePointerEx(package, start, nullptr, FILE_BEGIN) && SetEndOfFile(package);
}

bool DeleteHeldPackage(HANDLE package) {
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(package, FileDispositionInfo, &disposition,
                                    sizeof(disposition)) != FALSE;
}

}  // namespace update
