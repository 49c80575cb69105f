// The folder dialog driven with the keyboard, as a person would: a folder, a drive root, Escape,
// and a folder whose install folder would not fit in a path.
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/text_convert.h"
#include "main_dlg_fixture.h"

namespace update::testing {
namespace {

struct OwnedDialog {
  HWND owner;
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK TakeOwnedDialog(HWND window, LPARAM param) {
  auto* wanted = reinterpret_cast<OwnedDialog*>(param);
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  if (GetWindow(window, GW_OWNER) != wanted->owner || !IsWindowVisible(window) ||
      std::wstring(caption) != wanted->caption) {
    return TRUE;
  }
  wanted->found = window;
  return FALSE;
}

// The visible window owned by `owner` with `caption`; null after 20 s.
HWND WaitForOwnedWindow(HWND owner, const wchar_t* caption) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 20000) {
    OwnedDialog wanted{owner, caption, nullptr};
    EnumWindows(TakeOwnedDialog, reinterpret_cast<LPARAM>(&wanted));
    if (wanted.found) return wanted.found;
    Sleep(50);  // another thread's modal dialog: nothing to wait on but its appearance
  }
  return nullptr;
}

void Key(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

void Type(const std::wstring& text) {
  for (wchar_t c : text) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wScan = input[1].ki.wScan = c;
    input[0].ki.dwFlags = KEYEVENTF_UNICODE;
    input[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
  }
}

BOOL CALLBACK TakeTree(HWND window, LPARAM param) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  if (std::wstring(name) != WC_TREEVIEWW) return TRUE;
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

// The folder tree of the dialog, read the way a person looks at it: the selected item, its
// text, whether it is open and shows children.
struct TreeState {
  HTREEITEM selected = nullptr;
  std::wstring text;
  bool open = false;
  bool operator==(const TreeState& other) const {
    return selected == other.selected && text == other.text && open == other.open;
  }
};

TreeState ReadTree(HWND tree) {
  TreeState state;
  state.selected = TreeView_GetSelection(tree);
  if (!state.selected) return state;
  wchar_t text[MAX_PATH] = {};
  TVITEMW item = {};
  item.mask = TVIF_TEXT | TVIF_STATE;
  item.hItem = state.selected;
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  item.stateMask = TVIS_EXPANDED;
  TreeView_GetItem(tree, &item);
  state.text = text;
  state.open = (item.state & TVIS_EXPANDED) && TreeView_GetChild(tree, state.selected);
  return state;
}

// Waits up to `limit` ms for `done` to hold of the tree.
template <typename Done>
bool WaitForTree(HWND tree, DWORD limit, Done done) {
  const DWORD start = GetTickCount();
  while (!done(ReadTree(tree))) {
    if (GetTickCount() - start > limit) return false;
    Sleep(20);  // another thread's dialog: nothing to wait on but what it shows
  }
  return true;
}

// One step of the person at the keyboard; each waits until the dialog shows its effect.
bool Press(HWND tree, const std::wstring& key) {
  const TreeState before = ReadTree(tree);
  if (key == L"{Right}") {
    Key(VK_RIGHT);
    return WaitForTree(tree, 10000, [&](const TreeState& now) { return !(now == before); });
  }
  // "{Down:NAME}": the arrow key until NAME is selected (names a keyboard cannot type).
  if (key.rfind(L"{Down:", 0) == 0) {
    const std::wstring wanted = key.substr(6, key.size() - 7);
    // A folder lists its children a moment after it opens: wait until the open folder (or the
    // folder of the selected item) lists the one wanted.
    const auto lists = [&](HTREEITEM folder) {
      for (HTREEITEM item = folder ? TreeView_GetChild(tree, folder) : nullptr; item;
           item = TreeView_GetNextSibling(tree, item)) {
        wchar_t text[MAX_PATH] = {};
        TVITEMW data = {};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = MAX_PATH;
        TreeView_GetItem(tree, &data);
        if (wanted == text) return true;
      }
      return false;
    };
    const auto lists_wanted = [&](const TreeState& now) {
      return now.selected && (lists(now.selected) || lists(TreeView_GetParent(tree, now.selected)));
    };
    if (!WaitForTree(tree, 10000, lists_wanted)) return false;
    for (int step = 0; step < 64; ++step) {
      const TreeState now = ReadTree(tree);
      if (now.text == wanted) return true;
      Key(VK_DOWN);
      if (!WaitForTree(tree, 10000, [&](const TreeState& next) { return !(next == now); })) {
        return false;
      }
    }
    return false;
  }
  if (key == L"{Return}" || key == L"{Escape}") {
    Key(key == L"{Return}" ? VK_RETURN : VK_ESCAPE);
    return true;
  }
  // A name selects the first item it begins; typed again when the letters went to a folder
  // whose children were still being listed.
  for (int attempt = 0; attempt < 8; ++attempt) {
    Type(key);
    if (WaitForTree(tree, 1500, [&](const TreeState& now) {
          return _wcsnicmp(now.text.c_str(), key.c_str(), key.size()) == 0;
        })) {
      return true;
    }
  }
  return false;
}

// A folder of drive C: for the length of a test.
class ScopedFolder {
 public:
  explicit ScopedFolder(std::wstring path) : m_path(std::move(path)) {
    m_created = CreateDirectoryW(m_path.c_str(), nullptr) != FALSE;
  }
  ~ScopedFolder() {
    if (m_created) RemoveDirectoryW(m_path.c_str());
  }
  bool Exists() const { return GetFileAttributesW(m_path.c_str()) & FILE_ATTRIBUTE_DIRECTORY; }

 private:
  std::wstring m_path;
  bool m_created = false;
};

class FolderDialogTest : public MainDlgTest {
 protected:
  // Opens the dialog with the browse button and, on another thread, types `keys`: a name selects
  // the item it begins, "{Right}", "{Return}" and "{Escape}" are keys. When `refusal` is set, the
  // message box that refuses the folder is expected and closed with Return.
  bool Choose(const std::vector<std::wstring>& keys, bool refusal, std::wstring* refusalText,
              std::wstring* failedKey) {
    std::atomic<bool> dialog_seen{false};
    std::thread person([&] {
      HWND dialog = WaitForOwnedWindow(m_hwnd, L"Browse for Folder");
      if (!dialog) return;
      dialog_seen = true;
      SetForegroundWindow(dialog);
      HWND tree = nullptr;
      EnumChildWindows(dialog, TakeTree, reinterpret_cast<LPARAM>(&tree));
      for (const std::wstring& key : keys) {
        if (!tree || !Press(tree, key)) {
          *failedKey = key;
          Key(VK_ESCAPE);
          break;
        }
      }
      if (!refusal) return;
      wchar_t title[128] = {};
      GetWindowTextW(m_hwnd, title, 128);
      if (HWND box = WaitForOwnedWindow(m_hwnd, title)) {
        wchar_t text[256] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 256);  // the static text of a message box
        *refusalText = text;
        SetForegroundWindow(box);
        Key(VK_RETURN);
      }
    });
    ClickOn("btn_choose_changedir");
    person.join();
    return dialog_seen;
  }
};

TEST_F(FolderDialogTest, ChosenFolderGetsTheClientFolderAppended) {
  const std::wstring long_name = L"zlong" + std::wstring(238, L'x');  // C:\ + 243 characters
  ScopedFolder games(L"C:\\Games");
  ScopedFolder chinese(L"C:\\游戏");
  ScopedFolder deep(L"C:\\" + long_name);
  ASSERT_TRUE(games.Exists());
  ASSERT_TRUE(chinese.Exists());
  ASSERT_TRUE(deep.Exists());
  Start(0);
  ShowWindow(m_hwnd, SW_SHOWNORMAL);
  const std::wstring first = m_dialog.m_installDir;
  const struct {
    std::vector<std::wstring> keys;
    bool refused;
    std::wstring installDir;  // empty: unchanged
  } rows[] = {
      {{L"My", L"{Right}", L"{Right}", L"{Right}", L"Games", L"{Return}"},
       false,
       L"C:\\Games\\ZorvikClient\\"},
      {{L"{Escape}"}, false, L""},
      {{L"My", L"{Right}", L"{Right}", L"{Right}", L"{Down:游戏}", L"{Return}"},
       false,
       L"C:\\游戏\\ZorvikClient\\"},
      {{L"My", L"{Right}", L"{Right}", L"{Return}"}, false, L"C:\\\\ZorvikClient\\"},
      {{L"My", L"{Right}", L"{Right}", L"{Right}", L"zlong", L"{Return}"}, true, L""},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const std::wstring before = m_dialog.m_installDir;
    std::wstring refusal;
    std::wstring failed_key;
    ASSERT_TRUE(Choose(rows[i].keys, rows[i].refused, &refusal, &failed_key)) << "no dialog";
    EXPECT_EQ(failed_key, L"") << "the dialog did not follow this key";
    const std::wstring expected = rows[i].installDir.empty() ? before : rows[i].installDir;
    EXPECT_EQ(m_dialog.m_installDir, expected);
    EXPECT_EQ(Text("edit_choose_url"), WideToUtf8(expected));
    EXPECT_EQ(refusal, rows[i].refused ? L"无效的目录，请重新选择" : L"");
  }
  EXPECT_NE(first, L"");
}

}  // namespace
}  // namespace update::testing
