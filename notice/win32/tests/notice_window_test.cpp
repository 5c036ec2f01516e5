#include "notice_window.hpp"

#include <gtest/gtest.h>
#include <objbase.h>
#include <oleacc.h>
#include <versionhelpers.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "accessible_text.hpp"
#include "frm_principal.hpp"
#include "message_notice.hpp"
#include "screen_image.hpp"
#include "screen_reader.hpp"
#include "system_queries.hpp"

// Injected allocation failure: while set, every operator new of this program throws. The
// library's operator delete frees with free().
std::atomic<bool> g_out_of_memory{false};

void* operator new(std::size_t size) {
  void* memory = g_out_of_memory ? nullptr : std::malloc(size != 0 ? size : 1);
  if (memory == nullptr) {
    throw std::bad_alloc();
  }
  return memory;
}

namespace notice::win32 {
namespace {

// This program's import slot for a system function: a failure injected there reaches the
// window's code without a hook in the programs.
ULONG_PTR& import_slot(const char* name) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto& nt = *reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
           base + nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
       module->Name != 0; ++module) {
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
    for (auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
         names->u1.AddressOfData != 0; ++names, ++slots) {
      const auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) && std::strcmp(by_name->Name, name) == 0) {
        return slots->u1.Function;
      }
    }
  }
  throw std::runtime_error(std::string("not imported: ") + name);
}

// Until the guard goes, this program's calls of the function reach the replacement.
struct ImportPatch {
  ImportPatch(const char* name, const void* replacement)
      : slot(import_slot(name)), original(swap(reinterpret_cast<ULONG_PTR>(replacement))) {}
  ~ImportPatch() { swap(original); }
  ULONG_PTR swap(ULONG_PTR value) {
    DWORD protection = 0;
    VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &protection);
    std::swap(slot, value);
    VirtualProtect(&slot, sizeof slot, protection, &protection);
    return value;
  }
  ULONG_PTR& slot;
  ULONG_PTR original;
};

HDC WINAPI no_dc(HDC) { return nullptr; }
HBITMAP WINAPI no_bitmap(HDC, int, int) { return nullptr; }

struct Event {
  char kind;  // 'a'ctivate, 'c'lick, 'd'ouble click, 't'ick, display change 'v'
  Element element;
  bool operator==(const Event&) const = default;
};

class RecordingHandler final : public EventHandler {
 public:
  std::vector<Event> events;
  void initialise() override {}
  void load() override {}
  void activate() override { events.push_back({'a', Element::Timer1}); }
  void click(Element element) override { events.push_back({'c', element}); }
  void double_click(Element element) override { events.push_back({'d', element}); }
  void timer_tick(Element timer) override { events.push_back({'t', timer}); }
  void display_changed() override { events.push_back({'v', Element::Timer1}); }
  void presence_changed() override { events.push_back({'p', Element::Timer1}); }
};

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

class NoticeWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    window_.emplace(message_notice::variant());
    window_->set_handler(&handler_);
    hwnd_ = window_->hwnd();
  }
  void TearDown() override {
    window_.reset();
    CoUninitialize();
  }
  RECT window_rect() const {
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    return rect;
  }

  RecordingHandler handler_;
  std::optional<NoticeWindow> window_;
  HWND hwnd_ = nullptr;
};

TEST_F(NoticeWindowTest, IsABorderlessHiddenAppWindowOfTheLayoutsSize) {
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
            static_cast<DWORD>(WS_POPUP));
  const auto ex_style = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE));
  EXPECT_EQ(ex_style & (WS_EX_APPWINDOW | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE),
            static_cast<DWORD>(WS_EX_APPWINDOW | WS_EX_NOACTIVATE));
  RECT client{};
  GetClientRect(hwnd_, &client);
  EXPECT_EQ(client.right, 569);
  EXPECT_EQ(client.bottom, 122);
  const RECT outer = window_rect();
  EXPECT_EQ(outer.right - outer.left, 569);
  EXPECT_EQ(outer.bottom - outer.top, 122);
  wchar_t title[64] = {};
  GetWindowTextW(hwnd_, title, 64);
  EXPECT_STREQ(title, L"QuorvixSpoolerX - Aviso Importante");
  EXPECT_EQ(GetClassLongPtrW(hwnd_, GCL_STYLE) & CS_DBLCLKS, static_cast<ULONG_PTR>(CS_DBLCLKS));
  EXPECT_NE(GetClassLongPtrW(hwnd_, GCLP_HICON), 0U);
  EXPECT_NE(GetClassLongPtrW(hwnd_, GCLP_HICONSM), 0U);
  EXPECT_EQ(window_->window_handle(), HandleToLong(hwnd_));
}

TEST_F(NoticeWindowTest, ClicksReachTheHandlerWithoutActivatingTheWindow) {
  EXPECT_EQ(SendMessageW(hwnd_, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(hwnd_),
                         MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_NOACTIVATE);

  SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at(550, 10));
  SendMessageW(hwnd_, WM_LBUTTONUP, 0, at(560, 5));
  // Pressed on the close box, released on the title: no click.
  SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at(550, 10));
  SendMessageW(hwnd_, WM_LBUTTONUP, 0, at(300, 10));
  // Nothing there but pictures.
  SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at(40, 60));
  SendMessageW(hwnd_, WM_LBUTTONUP, 0, at(40, 60));
  // A double click on the title: one click, then the double click, and no click for its release.
  SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at(200, 8));
  SendMessageW(hwnd_, WM_LBUTTONUP, 0, at(200, 8));
  SendMessageW(hwnd_, WM_LBUTTONDBLCLK, MK_LBUTTON, at(200, 8));
  SendMessageW(hwnd_, WM_LBUTTONUP, 0, at(200, 8));

  SendMessageW(hwnd_, WM_TIMER, 1, 0);
  SendMessageW(hwnd_, WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageW(hwnd_, WM_ACTIVATE, WA_ACTIVE, 0);
  // Nothing is rescaled or moved unless the handler asks for it.
  const RECT before = window_rect();
  SendMessageW(hwnd_, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
  SendMessageW(hwnd_, WM_DPICHANGED, MAKEWPARAM(192, 192), 0);
  const RECT after = window_rect();
  EXPECT_TRUE(EqualRect(&before, &after));

  const std::vector<Event> expected{{'c', Element::Label5},    {'c', Element::lb_titulo},
                                    {'d', Element::lb_titulo}, {'t', Element::Timer1},
                                    {'a', Element::Timer1},    {'v', Element::Timer1},
                                    {'v', Element::Timer1}};
  EXPECT_EQ(handler_.events, expected);
}

TEST_F(NoticeWindowTest, GeometryIsKeptInTwipsAndStopsFollowingBeyondTheDesktop) {
  window_->set_window_left(10650.0F);
  window_->set_window_top(9525.0F);
  EXPECT_EQ(window_rect().left, 710);
  EXPECT_EQ(window_rect().top, 635);

  // Less than half a pixel: read back as written, the window stays.
  window_->set_window_width(8530.0F);
  EXPECT_FLOAT_EQ(window_->window_width(), 8530.0F);
  EXPECT_EQ(window_rect().right - window_rect().left, 569);
  window_->set_window_width(8520.0F);
  EXPECT_EQ(window_rect().right - window_rect().left, 568);
  RECT client{};
  GetClientRect(hwnd_, &client);
  EXPECT_EQ(client.right, 568);

  const int desktop_right =
      GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const auto beyond = static_cast<float>(desktop_right) * kTwipsPerPixel;
  window_->set_window_left(beyond);
  EXPECT_EQ(window_rect().left, desktop_right);
  window_->set_window_left(beyond * 40.0F);
  window_->set_window_width(15.0F);
  EXPECT_FLOAT_EQ(window_->window_left(), beyond * 40.0F);
  EXPECT_FLOAT_EQ(window_->window_width(), 15.0F);
  EXPECT_EQ(window_rect().left, desktop_right);
  EXPECT_EQ(window_rect().right - window_rect().left, 568);
}

// The user changes the display's scale while the notice shows: it is placed in its corner by the
// load rule at the new scale, wherever it stood, keeps its size in twips, and is drawn and
// hit-tested at the new scale; the display change that comes with it leaves it there.
TEST_F(NoticeWindowTest, ADisplayScaleChangePlacesTheNoticeInItsCornerAtTheNewScale) {
  Frm_principal form(*window_, message_notice::variant());
  window_->set_handler(&form);
  const ScreenSize screen = window_->screen_size();
  window_->set_window_left(300.0F);
  RECT suggested{0, 0, 10, 10};
  SendMessageW(hwnd_, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  const RECT shown = window_rect();
  SendMessageW(hwnd_, WM_DISPLAYCHANGE, 32,
               MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  const RECT again = window_rect();
  EXPECT_TRUE(EqualRect(&shown, &again));
  EXPECT_EQ(shown.right - shown.left, 1138);
  EXPECT_EQ(shown.bottom - shown.top, 244);
  EXPECT_EQ(shown.right, GetSystemMetrics(SM_CXSCREEN) - 2);
  EXPECT_EQ(shown.top, GetSystemMetrics(SM_CYSCREEN) - 331);
  EXPECT_FLOAT_EQ(window_->window_width(), 8535.0F);
  EXPECT_FLOAT_EQ(window_->screen_size().width, screen.width / 2);
  // Inside the close box only at the new scale.
  window_->set_handler(&handler_);
  SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at(1129, 33));
  SendMessageW(hwnd_, WM_LBUTTONUP, 0, at(1129, 33));
  EXPECT_EQ(handler_.events, (std::vector<Event>{{'c', Element::Label5}}));
}

TEST_F(NoticeWindowTest, PumpHandlesPendingMessagesAndLeavesAQuitForTheMainLoop) {
  PostMessageW(hwnd_, WM_TIMER, 1, 0);
  PostQuitMessage(3);
  window_->pump_messages();
  EXPECT_EQ(handler_.events.size(), 1U);
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 3U);
}

int g_paints = 0;
WNDPROC g_original = nullptr;
LRESULT CALLBACK counting_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) ++g_paints;
  return CallWindowProcW(g_original, hwnd, message, wparam, lparam);
}

TEST_F(NoticeWindowTest, TheFadeInRepaintsNothingButATextChangeDoes) {
  g_original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(counting_procedure)));
  // As the logic does at initialise: layered and invisible before the window is shown.
  const WindowHandle handle = window_->window_handle();
  window_->set_window_long(handle, kGwlExStyle,
                           window_->get_window_long(handle, kGwlExStyle) | kWsExLayered);
  window_->set_layered_window_attributes(handle, 0, 0, kLwaAlpha);
  window_->show();
  UpdateWindow(hwnd_);
  window_->pump_messages();
  g_paints = 0;
  for (int alpha = 0; alpha <= 255; ++alpha) {
    window_->set_window_long(handle, kGwlExStyle,
                             window_->get_window_long(handle, kGwlExStyle) | kWsExLayered);
    window_->set_layered_window_attributes(handle, 0, static_cast<std::uint8_t>(alpha), kLwaAlpha);
    window_->pump_messages();
  }
  EXPECT_EQ(g_paints, 0);
  window_->set_label_text(Element::lb_obs, u"outra");
  window_->pump_messages();
  EXPECT_EQ(g_paints, 1);
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_original));
}

// Short of GDI objects, the notice paints what it can and goes on showing.
TEST_F(NoticeWindowTest, PaintingShortOfGdiObjectsLeavesLessOnScreenNeverAnEnd) {
  window_->set_window_left(0.0F);
  window_->set_window_top(0.0F);
  window_->show();
  SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Black first, so that a paint that draws nothing is seen.
  const auto paint = [&](const char* failing = nullptr, const void* replacement = nullptr) {
    std::optional<ImportPatch> patch;
    if (failing != nullptr) patch.emplace(failing, replacement);
    const HDC dc = GetDC(hwnd_);
    PatBlt(dc, 0, 0, 1000, 1000, BLACKNESS);
    ReleaseDC(hwnd_, dc);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  };
  const auto shown = [&] {
    window_->pump_messages();
    return e2e::ScreenImage::capture(window_rect());
  };
  const auto text_ink = [](const e2e::ScreenImage& image) {
    return image.count(85, 25, 200, 75, e2e::is_ink);  // the text lines, clear of the pictures
  };
  paint();
  const e2e::ScreenImage whole = shown();
  // No back buffer: straight into the window, the same picture.
  paint("CreateCompatibleBitmap", reinterpret_cast<const void*>(&no_bitmap));
  EXPECT_TRUE(shown() == whole);
  // No memory DC at all: the pictures are left out, the labels and the close box drawn.
  paint("CreateCompatibleDC", reinterpret_cast<const void*>(&no_dc));
  const e2e::ScreenImage bare = shown();
  const Colour back = message_notice::variant().layout->background;
  EXPECT_EQ(bare.at(40, 60), (e2e::Rgb{GetRValue(back), GetGValue(back), GetBValue(back)}));
  EXPECT_EQ(bare.at(542, 2), (e2e::Rgb{255, 255, 255}));
  EXPECT_GT(text_ink(whole), 50);
  EXPECT_EQ(text_ink(bare), text_ink(whole));
}

TEST_F(NoticeWindowTest, UnknownElementsAreFailures) {
  EXPECT_THROW(window_->set_label_text(Element::IMG_INFO, u"x"), std::invalid_argument);
  EXPECT_THROW(window_->set_image_visible(Element::lb_obs, true), std::invalid_argument);
  EXPECT_THROW(window_->set_timer_enabled(Element::Label5, true), std::invalid_argument);
}

using e2e::child_id;
using e2e::take;

int g_alerts = 0;
void CALLBACK count_alert(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG child, DWORD, DWORD) {
  g_alerts += object == OBJID_CLIENT && child == CHILDID_SELF ? 1 : 0;
}

TEST_F(NoticeWindowTest, ScreenReadersFindAnAlertOfTheTextsAsShownAndCanPressTheCloseBox) {
  window_->set_label_text(Element::lb_data, u"Mensagem transmitida as 10:00 de 08/12/2026");
  window_->set_label_text(Element::lb_mensagem, u"Toner && papel   ");
  window_->set_label_text(Element::lb_solucao, u"   ");
  window_->set_label_text(Element::lb_obs, u"&Chamado 12&");
  window_->set_label_text(Element::lb_titulo, u"    Aviso &&& teste  ");
  IAccessible* object = nullptr;
  // __uuidof: MinGW's IID_IAccessible from liboleacc.a is an import thunk, not the id.
  ASSERT_EQ(AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_CLIENT),
                                       __uuidof(IAccessible), reinterpret_cast<void**>(&object)),
            S_OK);
  const VARIANT self = child_id(CHILDID_SELF);
  const VARIANT box = child_id(1);
  VARIANT value{};
  BSTR text = nullptr;
  EXPECT_EQ(object->get_accRole(self, &value), S_OK);
  EXPECT_EQ(value.lVal, ROLE_SYSTEM_ALERT);
  ASSERT_EQ(object->get_accName(self, &text), S_OK);
  EXPECT_EQ(take(text), L"Aviso & teste");
  ASSERT_EQ(object->get_accDescription(self, &text), S_OK);
  EXPECT_EQ(take(text), L"Mensagem transmitida as 10:00 de 08/12/2026\nToner & papel\nChamado 12");
  EXPECT_EQ(object->get_accState(self, &value), S_OK);
  EXPECT_EQ(value.lVal & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED), STATE_SYSTEM_FOCUSABLE);
  LONG left = 0, top = 0, width = 0, height = 0;
  EXPECT_EQ(object->accLocation(&left, &top, &width, &height, self), S_OK);
  const RECT rect = window_rect();
  const RECT location{left, top, left + width, top + height};
  EXPECT_TRUE(EqualRect(&location, &rect));
  LONG children = 0;
  EXPECT_EQ(object->get_accChildCount(&children), S_OK);
  EXPECT_EQ(children, 1);
  EXPECT_EQ(object->get_accRole(box, &value), S_OK);
  EXPECT_EQ(value.lVal, ROLE_SYSTEM_PUSHBUTTON);
  ASSERT_EQ(object->get_accName(box, &text), S_OK);
  EXPECT_EQ(take(text), L"Fechar");
  EXPECT_EQ(object->accHitTest(rect.left + 550, rect.top + 10, &value), S_OK);
  EXPECT_EQ(value.lVal, 1);
  EXPECT_EQ(object->get_accName(child_id(2), &text), E_INVALIDARG);

  EXPECT_EQ(object->accDoDefaultAction(box), S_OK);
  EXPECT_TRUE(handler_.events.empty());
  for (int i = 0; i < 100 && handler_.events.empty(); ++i) {
    Sleep(10);
    window_->pump_messages();
  }
  EXPECT_EQ(handler_.events, (std::vector<Event>{{'c', Element::Label5}}));
  object->Release();
  // Anything but the client area is the system's business.
  EXPECT_EQ(SendMessageW(hwnd_, WM_GETOBJECT, 0, OBJID_WINDOW), 0);
}

TEST_F(NoticeWindowTest, TheAccessibleObjectAnswersFailuresAndIsCutOffWithTheWindow) {
  IAccessible* object = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_CLIENT),
                                       __uuidof(IAccessible), reinterpret_cast<void**>(&object)),
            S_OK);
  const VARIANT self = child_id(CHILDID_SELF);
  BSTR text = nullptr;
  g_out_of_memory = true;
  const HRESULT starved = object->get_accName(self, &text);
  g_out_of_memory = false;
  EXPECT_EQ(starved, E_OUTOFMEMORY);
  EXPECT_EQ(text, nullptr);
  ASSERT_EQ(object->get_accName(self, &text), S_OK);
  EXPECT_EQ(take(text), L"QuorvixSpoolerX - Aviso Importante");

  DestroyWindow(hwnd_);
  EXPECT_EQ(object->get_accName(self, &text), CO_E_OBJNOTCONNECTED);
  object->Release();
}

TEST_F(NoticeWindowTest, AlertsOnceWhenFirstVisibleAndTopMost) {
  const HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr,
                                             count_alert, 0, 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  g_alerts = 0;
  const WindowHandle handle = window_->window_handle();
  const auto top_most = [&] {
    window_->set_window_pos(handle, kHwndTopmost, 0, 0, 0, 0,
                            kSwpNoMove | kSwpNoSize | kSwpNoActivate);
    Sleep(50);
    window_->pump_messages();
  };
  top_most();
  EXPECT_EQ(g_alerts, 0) << "alerted while hidden";
  window_->show();
  top_most();
  top_most();
  UnhookWinEvent(hook);
  EXPECT_EQ(g_alerts, 1);
}

// Brought to the front, it takes the focus and readers hear of it; a key held since before it
// came there closes nothing, and it keeps its size.
TEST_F(NoticeWindowTest, InFrontItTakesTheFocusAndKeepsItsSize) {
  const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr,
                                             count_alert, 0, 0, WINEVENT_OUTOFCONTEXT);
  g_alerts = 0;
  window_->show();
  SetForegroundWindow(hwnd_);
  Sleep(50);
  window_->pump_messages();
  UnhookWinEvent(hook);
  EXPECT_EQ(g_alerts, 1);
  SendMessageW(hwnd_, WM_KEYDOWN, VK_ESCAPE, 1 | (1 << 30));
  SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(handler_.events, (std::vector<Event>{{'a', Element::Timer1}}));
  EXPECT_EQ(window_rect().right - window_rect().left, 569);
  IAccessible* object = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(hwnd_, static_cast<DWORD>(OBJID_CLIENT),
                                       __uuidof(IAccessible), reinterpret_cast<void**>(&object)),
            S_OK);
  VARIANT focus{};
  EXPECT_EQ(object->get_accFocus(&focus), S_OK);
  EXPECT_EQ(focus.lVal, CHILDID_SELF);
  object->Release();
}

TEST(AccessibleText, ReadsAsPaintingShowsIt) {
  EXPECT_EQ(text_as_shown(L"&&&"), L"&");
  EXPECT_EQ(text_as_shown(L"a&"), L"a");
  EXPECT_EQ(text_as_shown(L" & "), L"");
  const std::wstring_view lines[] = {L"", L" a ", L"&", L"b&&c"};
  EXPECT_EQ(lines_as_shown(lines), L"a\nb&c");
}

class ThrowingHandler final : public EventHandler {
 public:
  void initialise() override {}
  void load() override {}
  void activate() override {}
  void click(Element) override {}
  void double_click(Element) override {}
  void timer_tick(Element) override { throw std::runtime_error("tick failed"); }
  void display_changed() override {}
  void presence_changed() override {}
};

// A failure must not unwind into the system's code: the process ends with exit code 1.
TEST(NoticeWindowDeathTest, AFailureInAnEventEndsTheProcessWithCode1) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        NoticeWindow window(message_notice::variant());
        ThrowingHandler handler;
        window.set_handler(&handler);
        SendMessageW(window.hwnd(), WM_TIMER, 1, 0);
        ExitProcess(5);
      },
      ::testing::ExitedWithCode(1), "");
}

// Early in a session its services may not be ready: the subscriptions are tried again each round
// until they hold, and a lock that was told is read again a round later.
TEST(PresenceWatch, RetriesItsSubscriptionsAndReadsAToldLockAgainEachRound) {
  static int tries = 0;                       // subscriptions to the session, then to the display
  static LONG info[6] = {1, 0, 0, 0, -1, 0};  // WTSSessionInfoEx, level 1: the flags unknown
  SessionCalls calls;
  calls.WTSRegisterSessionNotification = [](HWND, DWORD) { return BOOL{++tries > 4}; };
  calls.WTSQuerySessionInformationW = [](HANDLE, DWORD, WTS_INFO_CLASS kind, LPWSTR* answer,
                                         DWORD* bytes) {
    *answer = reinterpret_cast<LPWSTR>(info);
    *bytes = sizeof info;
    return BOOL{kind == 25};
  };
  calls.WTSUnRegisterSessionNotification = [](HWND) { return TRUE; };
  calls.WTSFreeMemory = [](PVOID) {};
  // Three settings are tried each time.
  const ImportPatch power("RegisterPowerSettingNotification",
                          reinterpret_cast<const void*>(+[](HANDLE, LPCGUID, DWORD) {
                            return reinterpret_cast<HPOWERNOTIFY>(++tries > 4 ? 1 : 0);
                          }));
  const ImportPatch unpower("UnregisterPowerSettingNotification",
                            reinterpret_cast<const void*>(+[](HPOWERNOTIFY) { return TRUE; }));
  PresenceWatch watch(calls);
  watch.start(GetDesktopWindow());
  EXPECT_EQ(tries, 4);
  watch.session_changed(WTS_SESSION_LOCK);
  // Unlocked, and never told; Windows 7 (Wine's default) gives the lock flag the other way round.
  info[4] = IsWindows7OrGreater() && !IsWindows8OrGreater() ? 0 : 1;
  EXPECT_TRUE(watch.read().locked && tries == 4);
  Sleep(2100);
  EXPECT_TRUE(!watch.read().locked && tries == 6);
}

TEST(SystemQueries, AnswerInTheCoresText) {
  const std::u16string directory = win32::program_directory();
  ASSERT_FALSE(directory.empty());
  EXPECT_TRUE(directory.back() != u'\\' || directory.size() == 3);
  EXPECT_FALSE(win32::current_time().empty());
  EXPECT_FALSE(win32::current_date().empty());
  EXPECT_EQ(win32::current_time().find(u'\0'), std::u16string::npos);
}

}  // namespace
}  // namespace notice::win32
