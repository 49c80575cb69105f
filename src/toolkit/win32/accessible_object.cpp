#include "toolkit/win32/accessible_object.h"

#include <algorithm>
#include <new>
#include <utility>

#include "common/text_convert.h"

namespace toolkit {
namespace {

BSTR ToBstr(const std::string& utf8) {
  const std::wstring wide = update::Utf8ToWide(utf8);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

class AccessibleObject final : public IAccessible {
 public:
  AccessibleObject(std::shared_ptr<AccessibleTreeLink> link, Widget* widget)
      : m_link(std::move(link)), m_widget(widget) {
    m_link->objects.push_back(static_cast<IAccessible*>(this));
  }
  ~AccessibleObject() {
    auto& objects = m_link->objects;
    objects.erase(std::remove(objects.begin(), objects.end(), static_cast<IAccessible*>(this)),
                  objects.end());
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --m_references;
    if (left == 0) delete this;  // the COM lifetime: the last reference ends the object
    return left;
  }

  // IDispatch: readers use the IAccessible methods; there is no type information to offer.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return Guarded([&]() -> HRESULT {
      if (!parent) return E_POINTER;
      *parent = nullptr;
      if (!m_link->Connected()) return CO_E_OBJNOTCONNECTED;
      if (Widget* up = m_widget->GetParent()) {
        *parent = CreateAccessibleObject(m_link, up);
        return S_OK;
      }
      return AccessibleObjectFromWindow(m_link->hwnd, static_cast<DWORD>(OBJID_WINDOW),
                                        IID_IDispatch, reinterpret_cast<void**>(parent));
    });
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return Guarded([&]() -> HRESULT {
      if (!count) return E_POINTER;
      if (!m_link->Connected()) return CO_E_OBJNOTCONNECTED;
      *count = static_cast<LONG>(AccessibleChildren(*m_widget).size());
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return Guarded([&]() -> HRESULT {
      if (!out) return E_POINTER;
      *out = nullptr;
      Widget* widget = nullptr;
      if (HRESULT hr = Resolve(child, &widget); FAILED(hr)) return hr;
      if (widget == m_widget) return E_INVALIDARG;
      if (AccessibleChildren(*widget).empty() && widget->GetParent() == m_widget) return S_FALSE;
      *out = CreateAccessibleObject(m_link, widget);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, name, [](const AccessibleDescription& d) { return d.name; });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return Text(child, value, [](const AccessibleDescription& d) { return d.value; });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    return Text(child, out, [](const AccessibleDescription&) { return std::string(); });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return Guarded([&]() -> HRESULT {
      if (!role) return E_POINTER;
      Widget* widget = nullptr;
      if (HRESULT hr = Resolve(child, &widget); FAILED(hr)) return hr;
      role->vt = VT_I4;
      role->lVal = AccessibleRoleId(Describe(*widget).role);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return Guarded([&]() -> HRESULT {
      if (!state) return E_POINTER;
      Widget* widget = nullptr;
      if (HRESULT hr = Resolve(child, &widget); FAILED(hr)) return hr;
      state->vt = VT_I4;
      state->lVal = AccessibleStateBits(Describe(*widget).states);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
    if (help) *help = nullptr;
    return m_link->Connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return m_link->Connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
    if (shortcut) *shortcut = nullptr;
    return m_link->Connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    focus->vt = VT_EMPTY;
    return m_link->Connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    selection->vt = VT_EMPTY;
    return m_link->Connected() ? S_FALSE : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Text(child, action, [](const AccessibleDescription& d) { return d.defaultAction; });
  }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    return Guarded([&]() -> HRESULT {
      if (!left || !top || !width || !height) return E_POINTER;
      Widget* widget = nullptr;
      if (HRESULT hr = Resolve(child, &widget); FAILED(hr)) return hr;
      const Rect& rect = widget->GetRect();
      POINT origin = {rect.left, rect.top};
      ClientToScreen(m_link->hwnd, &origin);
      *left = origin.x;
      *top = origin.y;
      *width = rect.Width();
      *height = rect.Height();
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return Guarded([&]() -> HRESULT {
      if (!end) return E_POINTER;
      end->vt = VT_EMPTY;
      Widget* from = nullptr;
      if (HRESULT hr = Resolve(start, &from); FAILED(hr)) return hr;
      Widget* to = nullptr;
      if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
        const std::vector<Widget*> children = AccessibleChildren(*from);
        if (!children.empty())
          to = direction == NAVDIR_FIRSTCHILD ? children.front() : children.back();
      } else if ((direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS) && from->GetParent()) {
        const std::vector<Widget*> siblings = AccessibleChildren(*from->GetParent());
        for (size_t index = 0; index < siblings.size(); ++index) {
          if (siblings[index] != from) continue;
          if (direction == NAVDIR_NEXT && index + 1 < siblings.size()) to = siblings[index + 1];
          if (direction == NAVDIR_PREVIOUS && index > 0) to = siblings[index - 1];
        }
      } else if (direction != NAVDIR_NEXT && direction != NAVDIR_PREVIOUS) {
        return E_NOTIMPL;  // spatial directions
      }
      if (!to) return S_FALSE;
      *end = Refer(to);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    return Guarded([&]() -> HRESULT {
      if (!hit) return E_POINTER;
      hit->vt = VT_EMPTY;
      if (!m_link->Connected()) return CO_E_OBJNOTCONNECTED;
      POINT point = {x, y};
      ScreenToClient(m_link->hwnd, &point);
      if (!m_widget->GetRect().Contains(point.x, point.y)) return S_FALSE;
      const Widget* found = m_widget;
      for (bool deeper = true; deeper;) {
        deeper = false;
        const std::vector<Widget*> children = AccessibleChildren(*found);
        for (size_t index = children.size(); index-- > 0;) {  // the topmost is drawn last
          if (children[index]->GetRect().Contains(point.x, point.y)) {
            found = children[index];
            deeper = true;
            break;
          }
        }
      }
      if (found == m_widget) {
        hit->vt = VT_I4;
        hit->lVal = CHILDID_SELF;
      } else {
        *hit = Refer(const_cast<Widget*>(found));
      }
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return Guarded([&]() -> HRESULT {
      Widget* widget = nullptr;
      if (HRESULT hr = Resolve(child, &widget); FAILED(hr)) return hr;
      if (Describe(*widget).defaultAction.empty() || !widget->IsEnabledInTree()) return E_FAIL;
      // Carried out by the window's message loop once the reader's call has returned: an action
      // may open a modal dialog.
      const int serial = TreeSerial(*m_link->root, *widget);
      return PostMessageW(m_link->hwnd, m_link->actionMessage, static_cast<WPARAM>(serial), 0)
                 ? S_OK
                 : E_FAIL;
    });
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  // The widget a child variant names: CHILDID_SELF this one, 1..n its accessible children, a
  // negative number the widget of that tree serial (from a change event).
  HRESULT Resolve(const VARIANT& child, Widget** widget) const {
    if (!m_link->Connected()) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) {
      *widget = m_widget;
    } else if (child.lVal < 0) {
      *widget = WidgetBySerial(*m_link->root, -child.lVal);
    } else {
      const std::vector<Widget*> children = AccessibleChildren(*m_widget);
      const size_t index = static_cast<size_t>(child.lVal) - 1;
      *widget = index < children.size() ? children[index] : nullptr;
    }
    return *widget ? S_OK : E_INVALIDARG;
  }

  // A widget as a reader is handed it from this object: a leaf child as its child id, anything
  // else as an object of its own.
  VARIANT Refer(Widget* widget) const {
    VARIANT result;
    VariantInit(&result);
    if (widget->GetParent() == m_widget && AccessibleChildren(*widget).empty()) {
      const std::vector<Widget*> children = AccessibleChildren(*m_widget);
      for (size_t index = 0; index < children.size(); ++index) {
        if (children[index] == widget) {
          result.vt = VT_I4;
          result.lVal = static_cast<LONG>(index + 1);
          return result;
        }
      }
    }
    result.vt = VT_DISPATCH;
    result.pdispVal = CreateAccessibleObject(m_link, widget);
    return result;
  }

  AccessibleDescription Describe(const Widget& widget) const {
    static const AccessibleNameTable kNoNames;
    return DescribeWidget(widget, m_link->names ? *m_link->names : kNoNames);
  }

  template <typename Field>
  HRESULT Text(const VARIANT& child, BSTR* out, Field field) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guarded([&]() -> HRESULT {
      Widget* widget = nullptr;
      if (HRESULT hr = Resolve(child, &widget); FAILED(hr)) return hr;
      const std::string text = field(Describe(*widget));
      if (text.empty()) return S_FALSE;
      *out = ToBstr(text);
      return *out ? S_OK : E_OUTOFMEMORY;
    });
  }

  // A reader calls from outside: nothing may unwind into it. What throws fails the call.
  template <typename Body>
  static HRESULT Guarded(Body body) noexcept {
    try {
      return body();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  std::atomic<ULONG> m_references{1};
  std::shared_ptr<AccessibleTreeLink> m_link;
  Widget* m_widget;
};

}  // namespace

void DisconnectAccessibleObjects(AccessibleTreeLink& link) {
  link.hwnd = nullptr;
  link.root = nullptr;
  // Disconnecting releases the readers' references, which may end objects: each is held until
  // all are done.
  const std::vector<IUnknown*> objects = link.objects;
  for (IUnknown* object : objects) object->AddRef();
  for (IUnknown* object : objects) CoDisconnectObject(object, 0);
  for (IUnknown* object : objects) object->Release();
}

IAccessible* CreateAccessibleObject(std::shared_ptr<AccessibleTreeLink> link, Widget* widget) {
  return new AccessibleObject(std::move(link), widget);  // released by its last reference
}

LONG AccessibleRoleId(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::kClient:
      return ROLE_SYSTEM_CLIENT;
    case AccessibleRole::kGrouping:
      return ROLE_SYSTEM_GROUPING;
    case AccessibleRole::kPushButton:
      return ROLE_SYSTEM_PUSHBUTTON;
    case AccessibleRole::kCheckButton:
      return ROLE_SYSTEM_CHECKBUTTON;
    case AccessibleRole::kRadioButton:
      return ROLE_SYSTEM_RADIOBUTTON;
    case AccessibleRole::kLink:
      return ROLE_SYSTEM_LINK;
    case AccessibleRole::kText:
      return ROLE_SYSTEM_TEXT;
    case AccessibleRole::kStaticText:
      return ROLE_SYSTEM_STATICTEXT;
    case AccessibleRole::kProgressBar:
      return ROLE_SYSTEM_PROGRESSBAR;
    case AccessibleRole::kGraphic:
      return ROLE_SYSTEM_GRAPHIC;
  }
  return ROLE_SYSTEM_GROUPING;
}

LONG AccessibleStateBits(const AccessibleStates& states) {
  LONG bits = 0;
  if (states.unavailable) bits |= STATE_SYSTEM_UNAVAILABLE;
  if (states.focusable) bits |= STATE_SYSTEM_FOCUSABLE;
  if (states.hot) bits |= STATE_SYSTEM_HOTTRACKED;
  if (states.pressed) bits |= STATE_SYSTEM_PRESSED;
  if (states.checked) bits |= STATE_SYSTEM_CHECKED;
  if (states.readOnly) bits |= STATE_SYSTEM_READONLY;
  return bits;
}

LONG EventChildId(const Widget& root, const Widget& widget) {
  return -static_cast<LONG>(TreeSerial(root, widget));
}

}  // namespace toolkit
