// The file system seam over POSIX, for native builds and tests.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

#include "common/text_convert.h"
#include "zip/file_system.h"

namespace update::zip {
namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kUnixEpochTicks = 116'444'736'000'000'000;

std::string ToNativePath(const std::wstring& path) {
  std::string out = WideToUtf8(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

timespec ToTimespec(const ArchiveFileTime& time) {
  const uint64_t ticks = (uint64_t{time.highDateTime} << 32) | time.lowDateTime;
  timespec out{};
  if (ticks == 0) {
    out.tv_nsec = UTIME_OMIT;  // as on Windows, a zero time leaves the file's own
    return out;
  }
  const int64_t sinceEpoch = static_cast<int64_t>(ticks) - kUnixEpochTicks;
  int64_t seconds = sinceEpoch / kTicksPerSecond;
  int64_t rest = sinceEpoch % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    --seconds;
  }
  out.tv_sec = static_cast<time_t>(seconds);
  out.tv_nsec = static_cast<long>(rest * 100);
  return out;
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

void FileHandle::Close() {
  if (valid_ && owned_) close(file_);
  valid_ = false;
}

std::optional<FileHandle> OpenFileForReading(const std::wstring& path) {
  const int fd = open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(fd);
    return std::nullopt;
  }
  return FileHandle(fd, true);
}

std::optional<uint64_t> CurrentPosition(NativeFileHandle file) {
  const off_t position = lseek(file, 0, SEEK_CUR);
  if (position < 0) return std::nullopt;
  return static_cast<uint64_t>(position);
}

std::optional<uint64_t> FileSize(NativeFileHandle file) {
  struct stat info {};
  if (fstat(file, &info) != 0 || info.st_size < 0) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

std::optional<size_t> ReadAt(NativeFileHandle file, uint64_t offset, void* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t got = pread(file, static_cast<char*>(buffer) + done, size - done,
                              static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

std::optional<FileHandle> CreateOutputFile(const std::wstring& path, uint32_t attributes) {
  const bool readOnly = (attributes & kArchiveAttributeReadOnly) != 0;
  const int fd = open(ToNativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                      readOnly ? 0444 : 0666);
  if (fd < 0) return std::nullopt;
  if (readOnly) fchmod(fd, 0444);  // also when an existing file was truncated
  return FileHandle(fd, true);
}

bool WriteAll(NativeFileHandle file, const void* data, size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(file, next, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    next += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool SetFileTimes(NativeFileHandle file, const ArchiveFileTime& /*creation*/,
                  const ArchiveFileTime& access, const ArchiveFileTime& write) {
  const timespec times[2] = {ToTimespec(access), ToTimespec(write)};
  return futimens(file, times) == 0;
}

bool RemoveFile(const std::wstring& path) {
  return unlink(ToNativePath(path).c_str()) == 0;
}

bool PathExists(const std::wstring& path) {
  struct stat info {};
  return stat(ToNativePath(path).c_str(), &info) == 0;
}

void CreateFolder(const std::wstring& path) {
  mkdir(ToNativePath(path).c_str(), 0777);
}

std::wstring CurrentFolder() {
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer) == nullptr) return std::wstring();
  return Utf8ToWide(buffer);
}

ArchiveFileTime LocalDosTimeToFileTime(uint16_t dosDate, uint16_t dosTime) {
  const int year = 1980 + (dosDate >> 9);
  const int month = (dosDate >> 5) & 0x0F;
  const int day = dosDate & 0x1F;
  const int hour = dosTime >> 11;
  const int minute = (dosTime >> 5) & 0x3F;
  const int second = 2 * (dosTime & 0x1F);
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59) {
    return {};
  }
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const time_t utc = std::mktime(&local);
  if (utc == static_cast<time_t>(-1)) return {};
  const uint64_t ticks = static_cast<uint64_t>(utc * kTicksPerSecond + kUnixEpochTicks);
  return {static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
}

}  // namespace update::zip
