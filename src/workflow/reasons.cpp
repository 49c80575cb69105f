#include "workflow/reasons.h"

#include <iterator>

#include "common/text_convert.h"

namespace update {
namespace {

using G = ReasonGroup;

constexpr ReasonInfo kReasons[] = {
    {Reason::kCheckUnreachable, "check.unreachable", "check", G::kNetwork, true},
    {Reason::kCheckHttpStatus, "check.http_status", "check", G::kNetwork, true},
    {Reason::kCheckNoDownload, "check.no_download", "check", G::kOther, false},
    {Reason::kSignatureRefused, "signature.refused", "signature", G::kRefused, false},
    {Reason::kFolderCannotBeMade, "folder.cannot_be_made", "folder", G::kFolder, false},
    {Reason::kPackageFileCannotBeMade, "download.file_cannot_be_made", "download", G::kFolder,
     false},
    {Reason::kDownloadUnreachable, "download.unreachable", "download", G::kNetwork, true},
    {Reason::kDownloadHttpStatus, "download.http_status", "download", G::kNetwork, true},
    {Reason::kDownloadTooLarge, "download.too_large", "download", G::kRefused, false},
    {Reason::kDownloadWriteFailed, "download.write_failed", "download", G::kFolder, false},
    {Reason::kDownloadFailed, "download.failed", "download", G::kNetwork, true},
    {Reason::kDigestMismatch, "digest.mismatch", "digest", G::kRefused, true},
    {Reason::kDiskFull, "disk.full", "disk", G::kDiskSpace, true},
    {Reason::kUnpackPackageUnreadable, "unpack.package_unreadable", "unpack", G::kRefused, true},
    {Reason::kUnpackFailed, "unpack.failed", "unpack", G::kOther, true},
    {Reason::kSwapStuck, "swap.stuck", "swap", G::kOther, true},
    {Reason::kSwapFileInUse, "swap.file_in_use", "swap", G::kFileInUse, true},
    {Reason::kRecoveryRefused, "recovery.refused", "recovery", G::kOther, false},
    {Reason::kRecoveryStuck, "recovery.stuck", "recovery", G::kOther, true},
    {Reason::kCancelledByUser, "cancelled.by_user", "cancelled", G::kCancelled, false},
    {Reason::kInternal, "internal.exception", "internal", G::kOther, false},
};

constexpr ReasonInfo kUnknown = {Reason::kNone, "none", "none", G::kOther, false};

// Bytes as a person reads them: "1.3 GB", "820 MB", "16 KB".
std::string Size(std::int64_t bytes) {
  const double value = static_cast<double>(bytes < 0 ? 0 : bytes);
  const char* units[] = {"KB", "MB", "GB"};
  double scaled = value / 1024;
  int unit = 0;
  while (scaled >= 1024 && unit < 2) {
    scaled /= 1024;
    ++unit;
  }
  const long tenths = static_cast<long>(scaled * 10 + 0.999);  // never less than needed
  return std::to_string(tenths / 10) +
         (tenths % 10 && tenths < 1000 ? "." + std::to_string(tenths % 10) : std::string()) + " " +
         units[unit];
}

}  // namespace

const ReasonInfo* AllReasons(std::size_t* count) {
  *count = std::size(kReasons);
  return kReasons;
}

const ReasonInfo& InfoOf(Reason reason) {
  for (const ReasonInfo& info : kReasons) {
    if (info.reason == reason) return info;
  }
  return kUnknown;
}

std::string PageLine(const Failure& failure) {
  switch (InfoOf(failure.reason).group) {
    case G::kNetwork:
      // A server that answered with an error is there: it is the service that cannot serve.
      if (failure.reason == Reason::kCheckHttpStatus ||
          failure.reason == Reason::kDownloadHttpStatus) {
        return "服务器暂时无法提供更新，请稍后重试";
      }
      return "无法连接到服务器，请检查网络后重试";
    case G::kRefused:
      return "下载的文件未通过校验，已停止安装";
    case G::kDiskSpace:
      return failure.reason == Reason::kDiskFull && failure.detail > 0
                 ? "磁盘空间不足，请再释放 " + Size(failure.detail) + " 后重试"
                 : "磁盘空间不足，请释放空间后重试";
    case G::kFileInUse:
      return failure.subject.empty()
                 ? "文件被其他程序占用，请关闭该程序后重试"
                 : "文件被其他程序占用：" + WideToUtf8(failure.subject) + "，请关闭该程序后重试";
    case G::kFolder:
      return "无法写入安装目录，请选择其他目录";
    case G::kCancelled:
      return "安装已取消";
    case G::kOther:
      break;
  }
  return "发生错误（代码 " + std::to_string(static_cast<int>(failure.reason)) + "），请联系客服";
}

}  // namespace update
