// The file operations of the package swap, behind one interface so that tests can make any of
// them fail. Paths are wide and whole. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sys/scoped_handle.h"

namespace update {

// None of them follows a link (a reparse point: junction, symbolic link, mount point): a link is
// removed itself, never what it points at, and never moved.
class FileOps {
 public:
  virtual ~FileOps() = default;
  // Renames `from` to `to`, which must not exist yet; through to the disk before it returns.
  virtual bool Move(const std::wstring& from, const std::wstring& to) = 0;
  virtual bool RemoveFile(const std::wstring& path) = 0;
  // True when the folder exists afterwards.
  virtual bool MakeFolder(const std::wstring& path) = 0;
  // Removes an empty folder.
  virtual bool RemoveFolder(const std::wstring& path) = 0;
  // Replaces the file at `path` with `text`, on the disk: after a crash it holds the old text
  // or the new, whole.
  virtual bool WriteDurably(const std::wstring& path, const std::string& text) = 0;
  // A file made for writing (not shared) where nothing is yet; invalid when something is there.
  virtual FileHandle CreateNewFile(const std::wstring& path, DWORD attributes) = 0;
  // The bytes this user may still write on the volume of `folder`; null when unknown.
  virtual std::optional<std::uint64_t> FreeSpace(const std::wstring& folder) = 0;
};

// The system's own operations, on paths as they come.
FileOps& SystemFileOps();
// The system's own operations on the paths inside `folder` (which ends with a backslash) only:
// each one also fails when what it would act on or make is not at that place inside the folder
// (a folder on the way is a link, or became one after a check), and then changes nothing there.
// A folder others can write is worked in through these.
std::unique_ptr<FileOps> FileOpsConfinedTo(const std::wstring& folder);

bool PathExists(const std::wstring& path);
bool IsFolder(const std::wstring& path);
// A reparse point: a junction, a symbolic link, a mount point.
bool IsLink(const std::wstring& path);
// The folder above `path`: "C:\Games" of "C:\Games\Zorvik", "C:\" of "C:\Games"; empty for a root
// or a name without a backslash.
std::wstring ParentFolder(const std::wstring& path);
// True when `folder` + `relative`, or a folder on the way to it below `folder`, is a link.
// `folder` ends with a backslash.
bool ReachesThroughLink(const std::wstring& folder, const std::wstring& relative);
// The whole file, or null when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::wstring& path);
// Makes, through `ops`, the folders on the way from `root` to `path` that are not there yet,
// outermost first; true when they all are.
bool MakeFoldersOnTheWay(FileOps& ops, const std::wstring& root, const std::wstring& path);
// Removes `folder` and everything below it through `ops`; true when it is gone (or never was).
// A link inside (or `folder` itself, when it is one) is removed without going into it.
bool RemoveTree(FileOps& ops, const std::wstring& folder);

}  // namespace update
