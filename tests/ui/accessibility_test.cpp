// The window as a screen reader sees it, in this process: roles, names, values and states of
// both pages, hit-testing, default actions, change events, and an object outliving its window.
#include <windows.h>

#include <oleacc.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/text_convert.h"
#include "main_dlg_fixture.h"
#include "ui/window_messages.h"

namespace update::testing {
namespace {

VARIANT Child(LONG id) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

std::string Read(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* object,
                 LONG child) {
  BSTR text = nullptr;
  (object->*get)(Child(child), &text);
  std::string utf8 = text ? WideToUtf8(text) : "";
  SysFreeString(text);
  return utf8;
}

struct Element {
  LONG role;
  std::string name;
  std::string value;
  LONG state;
  std::string action;
};

// Visits every element below `object` in tree order, as a reader walks it (an object and
// CHILDID_SELF, or a leaf's parent and the leaf's child id), until `visit` returns true.
bool Visit(IAccessible* object, const std::function<bool(IAccessible*, LONG)>& visit) {
  if (visit(object, CHILDID_SELF)) return true;
  LONG count = 0;
  object->get_accChildCount(&count);
  for (LONG child = 1; child <= count; ++child) {
    IDispatch* dispatch = nullptr;
    if (object->get_accChild(Child(child), &dispatch) != S_OK || !dispatch) {
      if (visit(object, child)) return true;
      continue;
    }
    IAccessible* inner = nullptr;
    dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&inner));
    dispatch->Release();
    const bool done = inner && Visit(inner, visit);
    if (inner) inner->Release();
    if (done) return true;
  }
  return false;
}

void Walk(IAccessible* root, std::vector<Element>& out) {
  Visit(root, [&](IAccessible* object, LONG child) {
    VARIANT role, state;
    object->get_accRole(Child(child), &role);
    object->get_accState(Child(child), &state);
    out.push_back({role.lVal, Read(&IAccessible::get_accName, object, child),
                   Read(&IAccessible::get_accValue, object, child), state.lVal,
                   Read(&IAccessible::get_accDefaultAction, object, child)});
    return false;
  });
}

class AccessibilityTest : public MainDlgTest {
 protected:
  IAccessible* Root() {
    if (!m_root) {
      AccessibleObjectFromWindow(m_hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                 reinterpret_cast<void**>(&m_root));
    }
    return m_root;
  }
  std::vector<Element> Elements() {
    std::vector<Element> elements;
    if (Root()) Walk(Root(), elements);
    return elements;
  }
  const Element* Named(const std::vector<Element>& elements, const std::string& name) {
    for (const Element& element : elements) {
      if (element.name == name) return &element;
    }
    return nullptr;
  }
  void TearDown() override {
    if (m_root) m_root->Release();
    MainDlgTest::TearDown();
  }
  IAccessible* m_root = nullptr;
};

TEST_F(AccessibilityTest, BothPagesReadAsAPersonNeedsThem) {
  Start(0);
  const std::string href =
      "http://www.zorvik.example/aboutUs.html?type=%E4%BC%9A%E5%91%98%E6%9D%A1%E6%AC%BE";
  const struct {
    const char* name;
    LONG role;
    const char* value;
    LONG state;  // the bits of kStates that must be set; the others must not
    const char* action;
  } install_page[] = {
      {"关闭", ROLE_SYSTEM_PUSHBUTTON, "", STATE_SYSTEM_FOCUSABLE, "按下"},
      {"最小化", ROLE_SYSTEM_PUSHBUTTON, "", STATE_SYSTEM_FOCUSABLE, "按下"},
      {"Zorvik网络加速器", ROLE_SYSTEM_GRAPHIC, "", 0, ""},
      {"选择路径", ROLE_SYSTEM_STATICTEXT, "", 0, ""},
      {"浏览...", ROLE_SYSTEM_PUSHBUTTON, "", STATE_SYSTEM_FOCUSABLE, "按下"},
      {"创建桌面快捷方式", ROLE_SYSTEM_CHECKBUTTON, "",
       STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSABLE, "取消选中"},
      {"开机自动启动", ROLE_SYSTEM_CHECKBUTTON, "", STATE_SYSTEM_FOCUSABLE, "选中"},
      {"阅读并同意Zorvik网络加速器", ROLE_SYSTEM_CHECKBUTTON, "",
       STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSABLE, "取消选中"},
      {"服务协议", ROLE_SYSTEM_LINK, href.c_str(), STATE_SYSTEM_FOCUSABLE, "打开"},
      {"立即安装", ROLE_SYSTEM_PUSHBUTTON, "", STATE_SYSTEM_FOCUSABLE, "按下"},
  };
  constexpr LONG kStates = STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSABLE |
                           STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_READONLY;
  std::vector<Element> elements = Elements();
  ASSERT_FALSE(elements.empty());
  EXPECT_EQ(elements[0].role, ROLE_SYSTEM_CLIENT);
  for (size_t i = 0; i < std::size(install_page); ++i) {
    SCOPED_TRACE(install_page[i].name);
    const Element* element = Named(elements, install_page[i].name);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->role, install_page[i].role);
    EXPECT_EQ(element->value, install_page[i].value);
    EXPECT_EQ(element->state & kStates, install_page[i].state);
    EXPECT_EQ(element->action, install_page[i].action);
  }
  // The folder box is named by its label and holds the folder.
  bool folder_found = false;
  for (const Element& element : elements) {
    if (element.role != ROLE_SYSTEM_TEXT) continue;
    folder_found = true;
    EXPECT_EQ(element.name, "选择路径");
    EXPECT_EQ(element.value, WideToUtf8(m_dialog.m_installDir));
    EXPECT_TRUE(element.state & STATE_SYSTEM_READONLY);
  }
  EXPECT_TRUE(folder_found);
  EXPECT_EQ(Named(elements, "正在更新 0%"), nullptr);  // the hidden page is left out

  ClickOn("btn_ok_install");
  EXPECT_TRUE(WaitForText("text_pro", "下载失败"));  // no vendor service answers here
  elements = Elements();
  EXPECT_EQ(Named(elements, "立即安装"), nullptr);
  const Element* status = Named(elements, "下载失败");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->role, ROLE_SYSTEM_STATICTEXT);
  SendMessageW(m_hwnd, UM_DOWNLOAD_PROGRESS, 37, 1000);
  elements = Elements();
  ASSERT_NE(Named(elements, "正在安装 37%"), nullptr);
  int bars = 0;
  for (const Element& element : elements) {
    if (element.role != ROLE_SYSTEM_PROGRESSBAR) continue;
    ++bars;
    EXPECT_EQ(element.value, "37%");
  }
  EXPECT_EQ(bars, 1);
  for (const char* radio : {"1", "2", "3"}) {
    const Element* element = Named(elements, radio);
    ASSERT_NE(element, nullptr) << radio;
    EXPECT_EQ(element->role, ROLE_SYSTEM_RADIOBUTTON);
    EXPECT_EQ((element->state & STATE_SYSTEM_CHECKED) != 0, std::string(radio) == "1");
  }
}

TEST_F(AccessibilityTest, HitTestingFindsTheTopmostElement) {
  Start(0);
  ShowWindow(m_hwnd, SW_SHOWNORMAL);
  RECT window;
  GetWindowRect(m_hwnd, &window);
  const struct {
    int x, y;          // client coordinates
    const char* name;  // of the element found; null: nothing
  } rows[] = {
      {420, 513, "立即安装"}, {803, 30, "关闭"},  {420, 170, "Zorvik网络加速器"},
      {70, 378, "选择路径"},  {-5, 300, nullptr},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    VARIANT hit;
    VariantInit(&hit);
    const HRESULT hr = Root()->accHitTest(window.left + rows[i].x, window.top + rows[i].y, &hit);
    if (!rows[i].name) {
      EXPECT_EQ(hit.vt, VT_EMPTY);
      continue;
    }
    ASSERT_EQ(hr, S_OK);
    std::string name;
    if (hit.vt == VT_I4) {
      name = Read(&IAccessible::get_accName, Root(), hit.lVal);
    } else if (hit.vt == VT_DISPATCH) {
      IAccessible* inner = nullptr;
      hit.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&inner));
      hit.pdispVal->Release();
      ASSERT_NE(inner, nullptr);
      name = Read(&IAccessible::get_accName, inner, CHILDID_SELF);
      inner->Release();
    }
    EXPECT_EQ(name, rows[i].name);
  }
}

// The element named `name` below `root`: its object (one reference) and child id.
bool FindElement(IAccessible* root, const std::string& name, IAccessible** found, LONG* id) {
  return Visit(root, [&](IAccessible* object, LONG child) {
    if (child == CHILDID_SELF || Read(&IAccessible::get_accName, object, child) != name) {
      return false;
    }
    object->AddRef();
    *found = object;
    *id = child;
    return true;
  });
}

TEST_F(AccessibilityTest, DefaultActionsDoWhatAClickDoes) {
  Start(0);
  IAccessible* parent = nullptr;
  LONG id = 0;
  ASSERT_TRUE(FindElement(Root(), "阅读并同意Zorvik网络加速器", &parent, &id));
  EXPECT_EQ(parent->accDoDefaultAction(Child(id)), S_OK);
  parent->Release();
  DrainMessages();  // the action runs from the window's queue
  EXPECT_FALSE(Find("radio_xieyi")->IsChecked());
  EXPECT_FALSE(Find("btn_ok_install")->IsEnabled());
  ASSERT_TRUE(FindElement(Root(), "立即安装", &parent, &id));
  VARIANT state;
  parent->get_accState(Child(id), &state);
  EXPECT_TRUE(state.lVal & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(parent->accDoDefaultAction(Child(id)), E_FAIL);
  parent->Release();
  DrainMessages();
  EXPECT_TRUE(Shown("window_0"));
}

TEST_F(AccessibilityTest, AnObjectOutlivingItsWindowFailsCleanly) {
  Start(0);
  IAccessible* root = Root();
  ASSERT_NE(root, nullptr);
  LONG count = 0;
  EXPECT_EQ(root->get_accChildCount(&count), S_OK);
  DestroyWindow(m_hwnd);
  DrainMessages();
  EXPECT_EQ(root->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  BSTR name = nullptr;
  EXPECT_EQ(root->get_accName(Child(CHILDID_SELF), &name), CO_E_OBJNOTCONNECTED);
  EXPECT_EQ(root->accDoDefaultAction(Child(1)), CO_E_OBJNOTCONNECTED);
}

std::vector<std::string>* g_events = nullptr;

void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD,
                          DWORD) {
  IAccessible* accessible = nullptr;
  VARIANT id;
  VariantInit(&id);
  if (FAILED(AccessibleObjectFromEvent(hwnd, object, child, &accessible, &id)) || !accessible) {
    return;
  }
  const LONG child_id = id.vt == VT_I4 ? id.lVal : CHILDID_SELF;
  const std::string text = event == EVENT_OBJECT_VALUECHANGE
                               ? "value " + Read(&IAccessible::get_accValue, accessible, child_id)
                               : "name " + Read(&IAccessible::get_accName, accessible, child_id);
  accessible->Release();
  g_events->push_back(text);
}

TEST_F(AccessibilityTest, ReadersFollowTheProgressWithoutPolling) {
  Start(0);
  ClickOn("btn_ok_install");
  ASSERT_TRUE(WaitForText("text_pro", "下载失败"));  // the run is over: no vendor service here
  std::vector<std::string> events;
  g_events = &events;
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, RecordEvent,
                      GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  SendMessageW(m_hwnd, UM_DOWNLOAD_PROGRESS, 37, 1000);
  const DWORD start = GetTickCount();
  while (events.size() < 2 && GetTickCount() - start < 10000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    DrainMessages();
  }
  UnhookWinEvent(hook);
  g_events = nullptr;
  EXPECT_NE(std::find(events.begin(), events.end(), "name 正在安装 37%"), events.end());
  EXPECT_NE(std::find(events.begin(), events.end(), "value 37%"), events.end());
}

}  // namespace
}  // namespace update::testing
