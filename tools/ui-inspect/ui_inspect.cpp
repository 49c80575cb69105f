// ui-inspect: reads a running Update.exe's window as a screen reader does, through Microsoft
// Active Accessibility, and prints what it finds in UTF-8.
//   ui-inspect [--hwnd 0xHANDLE]                  one line per element, the whole tree
//   ui-inspect --find NAME                        the first element named NAME
//   ui-inspect --do NAME                          performs that element's default action
//   ui-inspect --wait NAME[=VALUE] [--timeout S]  waits (10 s by default) for the window and
//                                                 until an element named NAME exists (and has
//                                                 value VALUE)
// A line: depth, role, name="...", value="...", states=word,word, at=left,top,width,height
// (screen pixels). Exit codes: 0 found or done, 1 not found (or not in time), 2 no window,
// 3 the action was refused, 4 bad arguments.
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/text_convert.h"

namespace {

enum ExitCode { kFound = 0, kNotFound = 1, kNoWindow = 2, kRefused = 3, kBadArguments = 4 };

template <typename T>
struct Released {
  T* pointer = nullptr;
  Released() = default;
  explicit Released(T* p) : pointer(p) {}
  Released(Released&& other) noexcept : pointer(other.pointer) { other.pointer = nullptr; }
  Released& operator=(Released&&) = delete;
  ~Released() {
    if (pointer) pointer->Release();
  }
};

struct Bstr {
  BSTR text = nullptr;
  ~Bstr() { SysFreeString(text); }
  std::string Utf8() const { return text ? update::WideToUtf8(text) : std::string(); }
};

// An element: an object, and a child id of it (CHILDID_SELF for the object itself).
struct Element {
  IAccessible* object;
  LONG child;
};

VARIANT ChildVariant(LONG child) {
  VARIANT variant;
  VariantInit(&variant);
  variant.vt = VT_I4;
  variant.lVal = child;
  return variant;
}

std::string Name(const Element& element) {
  Bstr name;
  element.object->get_accName(ChildVariant(element.child), &name.text);
  return name.Utf8();
}

std::string Value(const Element& element) {
  Bstr value;
  element.object->get_accValue(ChildVariant(element.child), &value.text);
  return value.Utf8();
}

const char* RoleWord(LONG role) {
  switch (role) {
    case ROLE_SYSTEM_CLIENT:
      return "client";
    case ROLE_SYSTEM_GROUPING:
      return "grouping";
    case ROLE_SYSTEM_PUSHBUTTON:
      return "push-button";
    case ROLE_SYSTEM_CHECKBUTTON:
      return "check-button";
    case ROLE_SYSTEM_RADIOBUTTON:
      return "radio-button";
    case ROLE_SYSTEM_LINK:
      return "link";
    case ROLE_SYSTEM_TEXT:
      return "text";
    case ROLE_SYSTEM_STATICTEXT:
      return "static-text";
    case ROLE_SYSTEM_PROGRESSBAR:
      return "progress-bar";
    case ROLE_SYSTEM_GRAPHIC:
      return "graphic";
    default:
      return "other";
  }
}

std::string StateWords(LONG state) {
  static const struct {
    LONG bit;
    const char* word;
  } kWords[] = {{STATE_SYSTEM_UNAVAILABLE, "unavailable"}, {STATE_SYSTEM_CHECKED, "checked"},
                {STATE_SYSTEM_READONLY, "read-only"},      {STATE_SYSTEM_PRESSED, "pressed"},
                {STATE_SYSTEM_HOTTRACKED, "hot"},          {STATE_SYSTEM_FOCUSABLE, "focusable"},
                {STATE_SYSTEM_INVISIBLE, "invisible"}};
  std::string words;
  for (const auto& [bit, word] : kWords) {
    if (!(state & bit)) continue;
    if (!words.empty()) words += ",";
    words += word;
  }
  return words.empty() ? "-" : words;
}

std::string Describe(const Element& element, int depth) {
  const VARIANT self = ChildVariant(element.child);
  VARIANT role;
  VARIANT state;
  VariantInit(&role);
  VariantInit(&state);
  element.object->get_accRole(self, &role);
  element.object->get_accState(self, &state);
  long left = 0, top = 0, width = 0, height = 0;
  element.object->accLocation(&left, &top, &width, &height, self);
  char place[96];
  std::snprintf(place, sizeof(place), "%ld,%ld,%ld,%ld", left, top, width, height);
  return std::to_string(depth) + " " + RoleWord(role.vt == VT_I4 ? role.lVal : 0) + " name=\"" +
         Name(element) + "\" value=\"" + Value(element) +
         "\" states=" + StateWords(state.vt == VT_I4 ? state.lVal : 0) + " at=" + place;
}

// Visits every element below `object` in tree order until `visit` returns true.
bool Walk(IAccessible* object, int depth, const std::function<bool(const Element&, int)>& visit) {
  if (visit({object, CHILDID_SELF}, depth)) return true;
  LONG count = 0;
  if (FAILED(object->get_accChildCount(&count))) return false;
  for (LONG child = 1; child <= count; ++child) {
    IDispatch* dispatch = nullptr;
    const HRESULT hr = object->get_accChild(ChildVariant(child), &dispatch);
    if (hr == S_OK && dispatch) {
      IAccessible* inner = nullptr;
      dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&inner));
      dispatch->Release();
      const Released<IAccessible> held(inner);
      if (inner && Walk(inner, depth + 1, visit)) return true;
    } else if (visit({object, child}, depth + 1)) {
      return true;
    }
  }
  return false;
}

BOOL CALLBACK TakeVisibleHostWindow(HWND window, LPARAM param) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  if (std::wcscmp(name, L"UIHOSTWND") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

struct Options {
  HWND window = nullptr;
  std::string command = "tree";  // tree, find, do, wait
  std::string name;
  std::optional<std::string> value;
  double timeoutSeconds = 10;
};

std::optional<Options> ParseOptions(int argc, wchar_t** argv) {
  Options options;
  for (int index = 1; index < argc; ++index) {
    const std::wstring argument = argv[index];
    const bool has_next = index + 1 < argc;
    if (argument == L"--hwnd" && has_next) {
      options.window = reinterpret_cast<HWND>(std::wcstoull(argv[++index], nullptr, 0));
    } else if (argument == L"--timeout" && has_next) {
      options.timeoutSeconds = std::wcstod(argv[++index], nullptr);
    } else if ((argument == L"--find" || argument == L"--do" || argument == L"--wait") &&
               has_next) {
      options.command = update::WideToUtf8(argument.substr(2));
      options.name = update::WideToUtf8(argv[++index]);
      const size_t equals = options.name.find('=');
      if (options.command == "wait" && equals != std::string::npos) {
        options.value = options.name.substr(equals + 1);
        options.name.resize(equals);
      }
    } else {
      return std::nullopt;
    }
  }
  return options;
}

// The window to read: the given one, or the visible window of the toolkit's host class. With
// --wait it may still be on its way.
HWND FindWindowToRead(const Options& options, DWORD start) {
  for (;;) {
    HWND window = options.window;
    if (!window) EnumWindows(TakeVisibleHostWindow, reinterpret_cast<LPARAM>(&window));
    if (window && IsWindow(window)) return window;
    if (options.command != "wait" ||
        GetTickCount() - start > static_cast<DWORD>(options.timeoutSeconds * 1000)) {
      return nullptr;
    }
    Sleep(100);  // another process's window: polling is all there is
  }
}

int Run(const Options& options) {
  const DWORD start = GetTickCount();
  HWND window = FindWindowToRead(options, start);
  if (!window) {
    PrintLine("no window");
    return kNoWindow;
  }
  for (;;) {
    IAccessible* root = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&root))) ||
        !root) {
      PrintLine("no accessible object for the window");
      return kNoWindow;
    }
    const Released<IAccessible> held(root);
    if (options.command == "tree") {
      Walk(root, 0, [](const Element& element, int depth) {
        PrintLine(Describe(element, depth));
        return false;
      });
      return kFound;
    }
    int result = kNotFound;
    Walk(root, 0, [&](const Element& element, int depth) {
      if (Name(element) != options.name) return false;
      if (options.value && Value(element) != *options.value) return false;
      PrintLine(Describe(element, depth));
      result = kFound;
      if (options.command == "do" &&
          FAILED(element.object->accDoDefaultAction(ChildVariant(element.child)))) {
        result = kRefused;
      }
      return true;
    });
    if (result != kNotFound || options.command != "wait") return result;
    if (GetTickCount() - start > static_cast<DWORD>(options.timeoutSeconds * 1000)) {
      PrintLine("not found in time: " + options.name + (options.value ? "=" + *options.value : ""));
      return kNotFound;
    }
    if (!IsWindow(window)) {
      PrintLine("the window is gone");
      return kNoWindow;
    }
    Sleep(100);  // another process's window: polling is all there is besides a WinEvent hook
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) {
    std::fprintf(stderr,
                 "usage: ui-inspect [--hwnd H] [--find NAME | --do NAME | --wait NAME[=VALUE]] "
                 "[--timeout S]\n");
    return kBadArguments;
  }
  CoInitialize(nullptr);
  const int code = Run(*options);
  CoUninitialize();
  return code;
}
