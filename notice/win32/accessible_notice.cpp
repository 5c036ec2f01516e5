#include "accessible_notice.hpp"

#include <oleacc.h>

#include <array>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "accessible_text.hpp"
#include "pixel_geometry.hpp"

namespace notice::win32 {
namespace {

// The close box, the object's one child, is a simple element with this id.
constexpr LONG kCloseBox = 1;
constexpr std::wstring_view kCloseBoxName = L"Fechar";
constexpr std::wstring_view kCloseBoxAction = L"Pressionar";

// What the object needs from oleacc.dll and oleaut32.dll. oleacc is no known DLL: loaded by name
// the ordinary way, a copy planted beside the program would be found first.
struct Oleacc {
  LPFNLRESULTFROMOBJECT lresult_from_object = nullptr;
  LPFNCREATESTDACCESSIBLEOBJECT create_std_accessible_object = nullptr;
  BSTR(WINAPI* sys_alloc_string_len)(const OLECHAR*, UINT) = nullptr;
};

template <typename Function>
Function function_of(HMODULE module, const char* name) {
  if (module == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Loaded on the first request, from the system folder only, and never freed: a reader may hold the
// object until the process ends. Null when anything is missing.
const Oleacc* oleacc() noexcept {
  static const Oleacc loaded = [] {
    const HMODULE oleacc_dll = LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const HMODULE oleaut32_dll =
        LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return Oleacc{
        function_of<LPFNLRESULTFROMOBJECT>(oleacc_dll, "LresultFromObject"),
        function_of<LPFNCREATESTDACCESSIBLEOBJECT>(oleacc_dll, "CreateStdAccessibleObject"),
        function_of<BSTR(WINAPI*)(const OLECHAR*, UINT)>(oleaut32_dll, "SysAllocStringLen")};
  }();
  if (loaded.lresult_from_object == nullptr || loaded.create_std_accessible_object == nullptr ||
      loaded.sys_alloc_string_len == nullptr) {
    return nullptr;
  }
  return &loaded;
}

// The answer to a call from another process leaves after the call has returned, from another
// thread under Wine; a program that ended at once would leave the reader with an RPC failure.
constexpr UINT_PTR kPressTimer = 0xACC;
constexpr UINT kPressDelayMs = 50;

void CALLBACK press_close_box(HWND window, UINT, UINT_PTR timer, DWORD) {
  KillTimer(window, timer);
  PostMessageW(window, AccessibleNotice::kCloseBoxPressed, 0, 0);
}

void set_i4(VARIANT* variant, LONG value) {
  variant->vt = VT_I4;
  variant->lVal = value;
}

void set_empty(VARIANT* variant) { variant->vt = VT_EMPTY; }

}  // namespace

// COM interfaces have no virtual destructor: the object deletes itself in Release, never through
// a pointer to an interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// The notice window's IAccessible. Called only on the window's thread (its apartment), through
// COM's proxies for other processes. It reads the window's labels as shown, and reaches the logic
// only as a click does, through a message to the window.
class NoticeAccessible final : public IAccessible {
 public:
  NoticeAccessible(HWND window, const std::vector<Label>& labels, const PixelScale& scale,
                   const Oleacc& oleacc) noexcept
      : window_(window), labels_(&labels), scale_(&scale), oleacc_(oleacc) {}
  NoticeAccessible(const NoticeAccessible&) = delete;
  NoticeAccessible& operator=(const NoticeAccessible&) = delete;

  // From now on every call answers that the object is gone.
  void detach() noexcept {
    window_ = nullptr;
    labels_ = nullptr;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(IDispatch)) ||
        IsEqualIID(iid, __uuidof(IAccessible))) {
      AddRef();
      *object = static_cast<IAccessible*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  // IDispatch: no type information; readers call IAccessible's methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) {
      return E_POINTER;
    }
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) {
      *info = nullptr;
    }
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) {
      return E_POINTER;
    }
    *parent = nullptr;
    if (!attached()) {
      return CO_E_OBJNOTCONNECTED;
    }
    // The system's object for the window itself, whose client area this object is.
    if (FAILED(oleacc_.create_std_accessible_object(window_, OBJID_WINDOW, __uuidof(IDispatch),
                                                    reinterpret_cast<void**>(parent)))) {
      *parent = nullptr;
      return S_FALSE;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (count == nullptr) {
      return E_POINTER;
    }
    *count = 0;
    if (!attached()) {
      return CO_E_OBJNOTCONNECTED;
    }
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    *object = nullptr;
    if (!attached()) {
      return CO_E_OBJNOTCONNECTED;
    }
    switch (target_of(child)) {
      case Target::self:
        AddRef();
        *object = this;
        return S_OK;
      case Target::close_box:
        // A simple element: its properties are asked of this object with its id.
        return S_FALSE;
      case Target::none:
        break;
    }
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return text_property(child, name, [this](Target target) -> std::optional<std::wstring> {
      if (target == Target::self) {
        return text_as_shown(label_text(Element::lb_titulo));
      }
      return std::wstring(kCloseBoxName);
    });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return text_property(child, value, [](Target) { return std::optional<std::wstring>(); });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return text_property(child, description, [this](Target target) -> std::optional<std::wstring> {
      if (target != Target::self) {
        return std::nullopt;
      }
      // Reading order: top to bottom.
      const std::array lines{label_text(Element::lb_data), label_text(Element::lb_mensagem),
                             label_text(Element::lb_solucao), label_text(Element::lb_obs)};
      return lines_as_shown(lines);
    });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return number_property(child, role, [](Target target) -> LONG {
      return target == Target::self ? ROLE_SYSTEM_ALERT : ROLE_SYSTEM_PUSHBUTTON;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    // The notice never takes the focus by itself, but the person may give it (Alt+Tab).
    return number_property(child, state, [this](Target target) -> LONG {
      LONG shown = IsWindowVisible(window_) != FALSE ? 0 : STATE_SYSTEM_INVISIBLE;
      if (target == Target::self) {
        shown |= STATE_SYSTEM_FOCUSABLE | (focused() ? STATE_SYSTEM_FOCUSED : 0);
      }
      return shown;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return text_property(child, help, [](Target) { return std::optional<std::wstring>(); });
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
    if (file != nullptr) {
      *file = nullptr;
    }
    if (topic != nullptr) {
      *topic = 0;
    }
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return text_property(child, shortcut, [](Target) { return std::optional<std::wstring>(); });
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) {
      return E_POINTER;
    }
    set_empty(focus);
    if (!attached()) {
      return CO_E_OBJNOTCONNECTED;
    }
    if (!focused()) {
      return S_FALSE;
    }
    set_i4(focus, CHILDID_SELF);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) {
      return E_POINTER;
    }
    set_empty(selection);
    return attached() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return text_property(child, action, [](Target target) -> std::optional<std::wstring> {
      if (target != Target::close_box) {
        return std::nullopt;
      }
      return std::wstring(kCloseBoxAction);
    });
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override {
    return attached() ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
      return E_POINTER;
    }
    *left = *top = *width = *height = 0;
    if (!attached()) {
      return CO_E_OBJNOTCONNECTED;
    }
    RECT rect{};
    switch (target_of(child)) {
      case Target::self:
        if (GetWindowRect(window_, &rect) == FALSE) {
          return E_FAIL;
        }
        break;
      case Target::close_box:
        if (!close_box_on_screen(rect)) {
          return E_FAIL;
        }
        break;
      case Target::none:
        return E_INVALIDARG;
    }
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) {
      return E_POINTER;
    }
    set_empty(end);
    if (!attached()) {
      return CO_E_OBJNOTCONNECTED;
    }
    const Target from = target_of(start);
    if (from == Target::none || direction < NAVDIR_UP || direction > NAVDIR_LASTCHILD) {
      return E_INVALIDARG;
    }
    if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
      if (from != Target::self) {
        return E_INVALIDARG;
      }
      set_i4(end, kCloseBox);
      return S_OK;
    }
    // The close box has no siblings; the window's own are the parent's business.
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* found) override {
    if (found == nullptr) {
      return E_POINTER;
    }
    set_empty(found);
    if (!attached()) {
      return CO_E_OBJNOTCONNECTED;
    }
    const POINT point{x, y};
    RECT rect{};
    if (close_box_on_screen(rect) && PtInRect(&rect, point) != FALSE) {
      set_i4(found, kCloseBox);
      return S_OK;
    }
    if (GetWindowRect(window_, &rect) != FALSE && PtInRect(&rect, point) != FALSE) {
      set_i4(found, CHILDID_SELF);
      return S_OK;
    }
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!attached()) {
      return CO_E_OBJNOTCONNECTED;
    }
    switch (target_of(child)) {
      case Target::close_box:
        // Handed to the window a moment later, to be handled as a click is: the reader's call
        // must have had its answer before the program ends.
        return SetTimer(window_, kPressTimer, kPressDelayMs, press_close_box) != 0 ? S_OK : E_FAIL;
      case Target::self:
        return DISP_E_MEMBERNOTFOUND;
      case Target::none:
        break;
    }
    return E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  enum class Target { self, close_box, none };

  ~NoticeAccessible() = default;

  static Target target_of(const VARIANT& child) {
    if (child.vt == VT_EMPTY) {
      return Target::self;
    }
    if (child.vt != VT_I4) {
      return Target::none;
    }
    switch (child.lVal) {
      case CHILDID_SELF:
        return Target::self;
      case kCloseBox:
        return Target::close_box;
      default:
        return Target::none;
    }
  }

  bool attached() const { return window_ != nullptr && labels_ != nullptr; }

  // Asked on the window's thread, whose focus GetFocus reports.
  bool focused() const { return GetFocus() == window_; }

  std::wstring_view label_text(Element id) const {
    const Label* shown = label(id);
    return shown != nullptr ? std::wstring_view(shown->text) : std::wstring_view();
  }

  const Label* label(Element id) const {
    for (const Label& shown : *labels_) {
      if (shown.layout->id == id) {
        return &shown;
      }
    }
    return nullptr;
  }

  // The close box's rectangle in screen coordinates, from the same layout the window paints.
  bool close_box_on_screen(RECT& rect) const {
    const Label* box = label(Element::Label5);
    if (box == nullptr) {
      return false;
    }
    const PixelRect pixels = scale_->element(box->layout->rect);
    POINT origin{0, 0};
    if (ClientToScreen(window_, &origin) == FALSE) {
      return false;
    }
    rect = RECT{origin.x + pixels.x, origin.y + pixels.y, origin.x + pixels.x + pixels.width,
                origin.y + pixels.y + pixels.height};
    return true;
  }

  // A string property: S_FALSE and no string where the target has none.
  template <typename Read>
  HRESULT text_property(const VARIANT& child, BSTR* text, Read read) const {
    if (text == nullptr) {
      return E_POINTER;
    }
    *text = nullptr;
    if (!attached()) {
      return CO_E_OBJNOTCONNECTED;
    }
    const Target target = target_of(child);
    if (target == Target::none) {
      return E_INVALIDARG;
    }
    // No C++ exception may leave a COM method: its caller is the system's code, or another
    // process's through COM.
    try {
      const std::optional<std::wstring> value = read(target);
      if (!value) {
        return S_FALSE;
      }
      *text = oleacc_.sys_alloc_string_len(value->c_str(), static_cast<UINT>(value->size()));
      return *text != nullptr ? S_OK : E_OUTOFMEMORY;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  template <typename Read>
  HRESULT number_property(const VARIANT& child, VARIANT* number, Read read) const {
    if (number == nullptr) {
      return E_POINTER;
    }
    set_empty(number);
    if (!attached()) {
      return CO_E_OBJNOTCONNECTED;
    }
    const Target target = target_of(child);
    if (target == Target::none) {
      return E_INVALIDARG;
    }
    set_i4(number, read(target));
    return S_OK;
  }

  HWND window_;
  const std::vector<Label>* labels_;
  const PixelScale* scale_;
  const Oleacc& oleacc_;
  LONG references_ = 1;
};
#pragma GCC diagnostic pop

AccessibleNotice::~AccessibleNotice() { disconnect(); }

void AccessibleNotice::disconnect() noexcept {
  if (object_ != nullptr) {
    object_->detach();
    // Drops the references other processes hold through COM, so none keeps this one alive and
    // their next call fails at once.
    CoDisconnectObject(object_, 0);
    object_->Release();
    object_ = nullptr;
  }
}

LRESULT AccessibleNotice::get_object(HWND window, WPARAM wparam, LPARAM lparam) noexcept {
  // The object id is a LONG in the low 32 bits: some callers extend its sign, others do not.
  if (static_cast<LONG>(static_cast<DWORD>(lparam)) == OBJID_CLIENT) {
    try {
      if (const Oleacc* functions = oleacc(); functions != nullptr) {
        if (object_ == nullptr) {
          object_ = new NoticeAccessible(window, labels_, scale_, *functions);
        }
        const LRESULT reference =
            functions->lresult_from_object(__uuidof(IAccessible), wparam, object_);
        // A failure comes back as a negative HRESULT.
        if (reference > 0) {
          return reference;
        }
      }
    } catch (...) {
      // As if the window had no object of its own.
    }
  }
  return DefWindowProcW(window, WM_GETOBJECT, wparam, lparam);
}

void AccessibleNotice::on_top(HWND window) noexcept {
  if (alerted_ || IsWindowVisible(window) == FALSE ||
      (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) {
    return;
  }
  alerted_ = true;
  NotifyWinEvent(EVENT_SYSTEM_ALERT, window, OBJID_CLIENT, CHILDID_SELF);
}

void AccessibleNotice::on_focus(HWND window) noexcept {
  NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace notice::win32
