#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/text_convert.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace update::testing {
namespace {

constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;

#ifdef _WIN32
uint64_t FromFiletime(const FILETIME& time) {
  return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}
int ProcessId() {
  return static_cast<int>(GetCurrentProcessId());
}
#else
uint64_t FromTimespec(const timespec& time) {
  return static_cast<uint64_t>(static_cast<int64_t>(time.tv_sec) * 10000000 + time.tv_nsec / 100) +
         kUnixEpochTicks;
}
int ProcessId() {
  return static_cast<int>(getpid());
}
#endif

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  std::ostringstream name;
  name << "zip-test-" << ProcessId() << "-" << counter++ << "-" << (now & 0xFFFFFF);
  path_ = fs::temp_directory_path() / name.str();
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Read-only files must become writable again before they can go on Windows.
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
#ifdef _WIN32
    SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
#else
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
#endif
  }
  fs::remove_all(path_, ignored);
}

std::wstring TempFolder::Wide(const std::string& below) const {
  return WidePath(below.empty() ? path_ : Below(below));
}

std::wstring WidePath(const fs::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  return Utf8ToWide(path.u8string());
#endif
}

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.u8string());
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteWholeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.u8string());
}

std::vector<std::string> ListTree(const fs::path& root) {
  std::vector<std::string> found;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    std::string name = fs::relative(item.path(), root).generic_u8string();
    if (item.is_directory()) name += '/';
    found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

uint64_t Ticks(const ArchiveFileTime& time) {
  return (uint64_t{time.highDateTime} << 32) | time.lowDateTime;
}

uint64_t UnixTicks(int64_t seconds) {
  return static_cast<uint64_t>(seconds * 10000000) + kUnixEpochTicks;
}

#ifdef _WIN32

NativeFile::NativeFile(const fs::path& path, Mode mode)
    : handle_(CreateFileW(
          path.c_str(), mode == Mode::Read ? GENERIC_READ : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
          mode == Mode::Read ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
NativeFile::~NativeFile() {
  if (valid()) CloseHandle(handle_);
}
bool NativeFile::valid() const {
  return handle_ != INVALID_HANDLE_VALUE;
}
void NativeFile::SeekTo(uint64_t offset) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN);
}

PipeReadEnd::PipeReadEnd() : read_(nullptr), write_(nullptr) {
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) throw std::runtime_error("CreatePipe");
  read_ = readEnd;
  write_ = writeEnd;
}
PipeReadEnd::~PipeReadEnd() {
  CloseHandle(read_);
  CloseHandle(write_);
}

FileFacts GetFileFacts(const fs::path& path) {
  FileFacts facts;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) throw std::runtime_error("no such file");
  facts.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  facts.hidden = (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
  facts.system = (attributes & FILE_ATTRIBUTE_SYSTEM) != 0;
  HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open for times");
  FILETIME created{}, accessed{}, written{};
  GetFileTime(file, &created, &accessed, &written);
  CloseHandle(file);
  facts.creationTime = FromFiletime(created);
  facts.accessTime = FromFiletime(accessed);
  facts.writeTime = FromFiletime(written);
  return facts;
}

bool KeepsCreationTimes(const fs::path& folder) {
  const fs::path probe = folder / "creation-time-probe";
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const uint64_t wanted = UnixTicks(1000000000);
  FILETIME created;
  created.dwLowDateTime = static_cast<DWORD>(wanted);
  created.dwHighDateTime = static_cast<DWORD>(wanted >> 32);
  SetFileTime(file, &created, nullptr, nullptr);
  CloseHandle(file);
  const bool kept = GetFileFacts(probe).creationTime == wanted;
  DeleteFileW(probe.c_str());
  return kept;
}

#else

bool KeepsCreationTimes(const fs::path&) {
  return false;
}

NativeFile::NativeFile(const fs::path& path, Mode mode)
    : handle_(mode == Mode::Read
                  ? open(path.c_str(), O_RDONLY | O_CLOEXEC)
                  : open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {}
NativeFile::~NativeFile() {
  if (valid()) close(handle_);
}
bool NativeFile::valid() const {
  return handle_ >= 0;
}
void NativeFile::SeekTo(uint64_t offset) {
  lseek(handle_, static_cast<off_t>(offset), SEEK_SET);
}

PipeReadEnd::PipeReadEnd() {
  int ends[2];
  if (pipe(ends) != 0) throw std::runtime_error("pipe");
  read_ = ends[0];
  write_ = ends[1];
}
PipeReadEnd::~PipeReadEnd() {
  close(read_);
  close(write_);
}

FileFacts GetFileFacts(const fs::path& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) throw std::runtime_error("no such file");
  FileFacts facts;
  facts.readOnly = (info.st_mode & 0222) == 0;
  facts.writeTime = FromTimespec(info.st_mtim);
  facts.accessTime = FromTimespec(info.st_atim);
  return facts;
}

#endif

}  // namespace update::testing
