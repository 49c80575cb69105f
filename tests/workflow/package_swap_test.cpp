// Unpacking over an install with a fault at each point where one can happen: whatever fails, the
// install folder afterwards is the old one, file for file, and nothing of the swap is left; a
// swap that could not be undone whole is repaired at the next start.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/text_convert.h"
#include "sys/scoped_handle.h"
#include "workflow/file_ops.h"
#include "workflow/package_file.h"
#include "workflow/package_swap.h"
#include "workflow/package_unpack.h"
#include "zip_builder.h"

namespace update {
namespace {

using Tree = std::map<std::wstring, std::string>;  // relative path -> contents ("/" for folders)

// True when the system's list of renames at its next start names a path in `folder`.
bool RenamesAtBootName(const std::wstring& folder) {
  DWORD size = 0;
  const wchar_t* key = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  const wchar_t* value = L"PendingFileRenameOperations";
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_MULTI_SZ, nullptr, nullptr, &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  std::wstring list(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_MULTI_SZ, nullptr, list.data(),
                   &size) != ERROR_SUCCESS) {
    return false;
  }
  return list.find(folder) != std::wstring::npos;
}

// The system's operations, except that the `failAt`-th call of `kind` fails.
class FailingOps : public FileOps {
 public:
  enum Kind {
    kNone,
    kMove,
    kRemoveFile,
    kMakeFolder,
    kWrite,
    kMoveAndEveryMoveBack,
    kCommitAndEveryRemoval
  };
  // The operations are confined to `folder`, as the program's are.
  FailingOps(Kind kind, int failAt, std::uint64_t freeSpace, const std::wstring& folder)
      : m_system(FileOpsConfinedTo(folder)),
        m_kind(kind),
        m_failAt(failAt),
        m_freeSpace(freeSpace) {}

  bool Move(const std::wstring& from, const std::wstring& to) override {
    ++moves;
    if (to.find(L"Update.exe") != std::wstring::npos) {
      updaterMovesGuarded.push_back(RenamesAtBootName(to.substr(0, to.rfind(L'\\') + 1)));
    }
    if (m_kind == kMoveAndEveryMoveBack && moves >= m_failAt) return false;
    return !Fails(kMove) && System().Move(from, to);
  }
  bool RemoveFile(const std::wstring& path) override {
    if (m_kind == kCommitAndEveryRemoval) return false;
    return !Fails(kRemoveFile) && System().RemoveFile(path);
  }
  bool MakeFolder(const std::wstring& path) override {
    return !Fails(kMakeFolder) && System().MakeFolder(path);
  }
  bool RemoveFolder(const std::wstring& path) override { return System().RemoveFolder(path); }
  bool WriteDurably(const std::wstring& path, const std::string& text) override {
    if (m_kind == kCommitAndEveryRemoval && ++m_calls[kWrite] == 2) return false;
    return !Fails(kWrite) && System().WriteDurably(path, text);
  }
  FileHandle CreateNewFile(const std::wstring& path, DWORD attributes) override {
    return System().CreateNewFile(path, attributes);
  }
  std::optional<std::uint64_t> FreeSpace(const std::wstring& folder) override {
    return m_freeSpace ? std::optional<std::uint64_t>(m_freeSpace) : System().FreeSpace(folder);
  }

  int moves = 0;
  // For each move of the updater to or from its place: whether the system's next start would
  // put an updater back then.
  std::vector<bool> updaterMovesGuarded;

 private:
  FileOps& System() { return *m_system; }
  bool Fails(Kind kind) { return kind == m_kind && ++m_calls[kind] == m_failAt; }

  std::unique_ptr<FileOps> m_system;
  Kind m_kind;
  int m_failAt;
  std::uint64_t m_freeSpace;
  std::map<Kind, int> m_calls;
};

void WriteFile(const std::wstring& path, const std::string& text) {
  ASSERT_TRUE(SystemFileOps().WriteDurably(path, text));
}

void ReadTree(const std::wstring& folder, const std::wstring& relative, Tree& tree) {
  WIN32_FIND_DATAW found = {};
  const FindHandle search(FindFirstFileW((folder + relative + L"*").c_str(), &found));
  if (!search) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[relative + name] = "/";
      ReadTree(folder, relative + name + L"\\", tree);
    } else {
      tree[relative + name] = ReadWholeFile(folder + relative + name).value_or("<unreadable>");
    }
  } while (FindNextFileW(search.get(), &found));
}

Tree TreeOf(const std::wstring& folder) {
  Tree tree;
  ReadTree(folder, L"", tree);
  return tree;
}

std::string Describe(const Tree& tree) {
  std::string text;
  for (const auto& [path, contents] : tree) text += WideToUtf8(path) + "=" + contents + "\n";
  return text;
}

class PackageSwapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_job.installDir = std::wstring(temp) + L"swap-test-安装\\";
    RemoveTree(SystemFileOps(), m_job.installDir);
    m_job.selfPath = m_job.installDir + L"Update.exe";
    m_job.updateMode = true;
  }
  void TearDown() override { RemoveTree(SystemFileOps(), m_job.installDir); }

  // The old install; returns its tree.
  Tree MakeOldInstall() {
    SystemFileOps().MakeFolder(m_job.installDir);
    SystemFileOps().MakeFolder(m_job.installDir + L"bin");
    WriteFile(m_job.installDir + L"ZorvikClient.exe", "old client");
    WriteFile(m_job.installDir + L"bin\\tool.dll", "old tool");
    WriteFile(m_job.installDir + L"keep.txt", "the user's own");
    WriteFile(m_job.selfPath, "old updater");
    return TreeOf(m_job.installDir);
  }
  // Five files, two of them new, one in a new folder: eight moves when all goes well.
  void WritePackage(bool corruptLastItem) {
    testing::BuiltZip zip = testing::BuildZip({
        {"ZorvikClient.exe", "new client"},
        {"bin/tool.dll", "new tool"},
        {"bin/plugins/", "", 0, testing::kMadeByUnix, testing::kUnixFolder},
        {"bin/plugins/p.dat", "new plugin"},
        {"Update.exe", "new updater"},
        {"资料/说明.txt", "说明"},
    });
    if (corruptLastItem) zip.bytes[zip.data.back()] ^= 0x55;
    WriteFile(PackagePath(m_job), zip.bytes);
  }

  // What the old install becomes when the package is in.
  static Tree NewInstall(Tree tree) {
    tree[L"ZorvikClient.exe"] = "new client";
    tree[L"bin\\tool.dll"] = "new tool";
    tree[L"bin\\plugins"] = "/";
    tree[L"bin\\plugins\\p.dat"] = "new plugin";
    tree[L"Update.exe"] = "new updater";
    tree[L"Update.exe_old"] = "old updater";
    tree[L"资料"] = "/";
    tree[L"资料\\说明.txt"] = "说明";
    return tree;
  }

  InstallJob m_job;
};

TEST_F(PackageSwapTest, EveryFaultLeavesTheOldInstallWhole) {
  const struct {
    const char* what;
    FailingOps::Kind kind;
    int failAt;
    std::uint64_t freeSpace;  // 0: the volume's own
    bool corrupt;
    UnpackOutcome outcome;
  } rows[] = {
      {"the first move", FailingOps::kMove, 1, 0, false, UnpackOutcome::kItemFailed},
      {"a middle move", FailingOps::kMove, 4, 0, false, UnpackOutcome::kItemFailed},
      {"the last move (the updater's)", FailingOps::kMove, 8, 0, false, UnpackOutcome::kItemFailed},
      {"the journal", FailingOps::kWrite, 1, 0, false, UnpackOutcome::kItemFailed},
      {"the commit", FailingOps::kWrite, 2, 0, false, UnpackOutcome::kItemFailed},
      {"a new folder", FailingOps::kMakeFolder, 3, 0, false, UnpackOutcome::kItemFailed},
      {"the staging folder", FailingOps::kMakeFolder, 1, 0, false, UnpackOutcome::kItemFailed},
      {"too little free space", FailingOps::kNone, 0, 1024, false, UnpackOutcome::kNoSpace},
      {"a corrupt item", FailingOps::kNone, 0, 0, true, UnpackOutcome::kItemFailed},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const Tree before = MakeOldInstall();
    WritePackage(row.corrupt);
    FailingOps ops(row.kind, row.failAt, row.freeSpace, m_job.installDir);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(UnpackPackage(m_job, OpenHeldPackage(PackagePath(m_job)), ops).outcome, row.outcome);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Describe(TreeOf(m_job.installDir)), Describe(before));
    EXPECT_FALSE(RenamesAtBootName(m_job.installDir));
    RemoveTree(SystemFileOps(), m_job.installDir);
  }
}

TEST_F(PackageSwapTest, SuccessLeavesThePackageAndTheOldUpdaterOnly) {
  Tree expected = MakeOldInstall();
  WriteFile(m_job.installDir + L"Update.exe_old", "stale, from an earlier update");
  WritePackage(false);
  FailingOps ops(FailingOps::kNone, 0, 0, m_job.installDir);
  EXPECT_EQ(UnpackPackage(m_job, OpenHeldPackage(PackagePath(m_job)), ops).outcome, UnpackOutcome::kDone);
  EXPECT_EQ(ops.moves, 8);
  EXPECT_EQ(Describe(TreeOf(m_job.installDir)), Describe(NewInstall(expected)));
  // Both of the updater's moves had the system's next start ready to put one back; now it
  // holds nothing of this swap.
  EXPECT_EQ(ops.updaterMovesGuarded, std::vector<bool>({true, true}));
  EXPECT_FALSE(RenamesAtBootName(m_job.installDir));
}

// A file another process holds open cannot be moved aside; and when the way back fails too, the
// journal stays and the next start puts the old install back, or keeps the new one when every
// file was in and only the commit is missing (its updater may be the program that runs).
TEST_F(PackageSwapTest, HeldFileAndAFailedWayBackAreRepairedAtTheNextStart) {
  const struct {
    const char* what;
    FailingOps::Kind kind;
    int failAt;
    bool holdTool;
    UnpackOutcome outcome;
    bool newInstall;
    const wchar_t* heldFile;  // as the failure names it
  } rows[] = {
      {"a file held open", FailingOps::kNone, 0, true, UnpackOutcome::kItemFailed, false,
       L"bin\\tool.dll"},
      {"every move back fails", FailingOps::kMoveAndEveryMoveBack, 4, false, UnpackOutcome::kStuck,
       false, L""},
      {"the commit and every way back fail", FailingOps::kCommitAndEveryRemoval, 0, false,
       UnpackOutcome::kStuck, true, L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const Tree before = MakeOldInstall();
    WritePackage(false);
    FileHandle held;
    if (row.holdTool) {
      held.Reset(CreateFileW((m_job.installDir + L"bin\\tool.dll").c_str(), GENERIC_READ, 0,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(held);
    }
    FailingOps ops(row.kind, row.failAt, 0, m_job.installDir);
    ::testing::internal::CaptureStderr();
    const UnpackResult result = UnpackPackage(m_job, OpenHeldPackage(PackagePath(m_job)), ops);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result.outcome, row.outcome);
    EXPECT_EQ(WideToUtf8(result.heldFile), WideToUtf8(row.heldFile));
    held.Reset();
    if (row.outcome == UnpackOutcome::kStuck) {
      EXPECT_NE(errors.find("stays for the next start"), std::string::npos) << errors;
      EXPECT_TRUE(PathExists(JournalPath(m_job.installDir)));
      // The updater's name stays guarded for the next start of the system until the repair.
      EXPECT_TRUE(RenamesAtBootName(m_job.installDir));
      EXPECT_EQ(RecoverInterruptedSwap(m_job.installDir, SystemFileOps()),
                RecoveryOutcome::kNothingLeft);
    }
    EXPECT_FALSE(RenamesAtBootName(m_job.installDir));
    EXPECT_EQ(Describe(TreeOf(m_job.installDir)),
              Describe(row.newInstall ? NewInstall(before) : before));
    RemoveTree(SystemFileOps(), m_job.installDir);
  }
}

// A scanner holds a file that just changed for a moment: the swap waits for it (up to 10 s in
// all) instead of undoing the whole update. One held for longer is the row above.
TEST_F(PackageSwapTest, AFileHeldForAMomentIsWaitedFor) {
  MakeOldInstall();
  WritePackage(false);
  FileHandle held(CreateFileW((m_job.installDir + L"bin\\tool.dll").c_str(), GENERIC_READ, 0,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  std::thread scanner([&held] {
    Sleep(1500);  // the scanner's look at the file
    held.Reset();
  });
  ::testing::internal::CaptureStderr();
  const UnpackOutcome outcome =
      UnpackPackage(m_job, OpenHeldPackage(PackagePath(m_job)), *FileOpsConfinedTo(m_job.installDir))
          .outcome;
  const std::string errors = ::testing::internal::GetCapturedStderr();
  scanner.join();
  EXPECT_EQ(outcome, UnpackOutcome::kDone) << errors;
  EXPECT_NE(errors.find("in use"), std::string::npos) << errors;
  EXPECT_EQ(ReadWholeFile(m_job.installDir + L"bin\\tool.dll"), "new tool");
}

// A journal planted in the install folder that names places outside it: nothing anywhere is
// moved or removed because of it, and it stays for someone to look at.
TEST_F(PackageSwapTest, AJournalNamingPlacesOutsideTheFolderIsRefused) {
  const std::wstring outside = m_job.installDir.substr(0, m_job.installDir.size() - 1) + L"-外\\";
  const std::string victim = WideToUtf8(outside + L"victim.txt");
  const std::string elsewhere = WideToUtf8(outside + L"folder");
  const char* rows[] = {
      "new\t{victim}\tUpdate.staging\\x\n",
      "new\t..\\swap-test-安装-外\\victim.txt\tUpdate.staging\\x\n",
      "replace\tZorvikClient.exe\t{folder}\\a\tUpdate.backup\\a\n",
      "folder\t{folder}\n",
  };
  for (const char* row : rows) {
    SCOPED_TRACE(row);
    const Tree before = MakeOldInstall();
    SystemFileOps().MakeFolder(outside);
    SystemFileOps().MakeFolder(outside + L"folder");
    WriteFile(outside + L"victim.txt", "not the updater's");
    WriteFile(outside + L"folder\\a", "not the updater's either");
    const Tree outside_before = TreeOf(outside);
    std::string record = row;
    for (const auto& [name, value] : {std::pair{"{victim}", victim}, {"{folder}", elsewhere}}) {
      if (const size_t at = record.find(name); at != std::string::npos) {
        record.replace(at, std::string(name).size(), value);
      }
    }
    const std::string journal = "update-swap-journal 2\n" + record + "end\n";
    WriteFile(JournalPath(m_job.installDir), journal);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RecoverInterruptedSwap(m_job.installDir, SystemFileOps()), RecoveryOutcome::kRefused);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("is refused (line 2 names"), std::string::npos) << errors;
    EXPECT_EQ(ReadWholeFile(JournalPath(m_job.installDir)), journal);
    Tree expected = before;
    expected[L"Update.journal"] = journal;
    EXPECT_EQ(Describe(TreeOf(m_job.installDir)), Describe(expected));
    EXPECT_EQ(Describe(TreeOf(outside)), Describe(outside_before));
    RemoveTree(SystemFileOps(), m_job.installDir);
    RemoveTree(SystemFileOps(), outside);
  }
}

}  // namespace
}  // namespace update
