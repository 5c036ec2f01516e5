#include "notice_window.hpp"

#include <windowsx.h>

#include <exception>
#include <stdexcept>
#include <string>

#include "accessible_text.hpp"
#include "failure.hpp"
#include "frm_principal.hpp"
#include "system_function.hpp"
#include "system_queries.hpp"

namespace notice::win32 {
namespace {

constexpr wchar_t kClassName[] = L"OrvaneNoticeWindow";
constexpr UINT_PTR kTimerId = 1;
// While a timed notice waits, or one nobody can see yet: the facts that come without a
// notification are looked at once a second.
constexpr UINT_PTR kPresenceTimerId = 2;
constexpr UINT kPresenceEveryMs = 1000;
constexpr int kIconGroup = 1;

// Read once and on a display change: under Wine each metric of the virtual screen is costly, and
// the slide-out would ask thousands of times.
int read_desktop_right() {
  return GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
}

// The primary display's current dpi, on Windows 8.1 and on 10 before version 1607 (shcore.dll,
// from the system folder only); 0 where the system cannot say.
int primary_display_dpi() {
  using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto dpi_for_monitor =
      system_function<DpiForMonitor>(L"shcore.dll", "GetDpiForMonitor");
  if (dpi_for_monitor == nullptr) {
    return 0;
  }
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI: the scale the user chose
  UINT dpi_x = 0;
  UINT dpi_y = 0;
  const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  if (FAILED(dpi_for_monitor(primary, kEffectiveDpi, &dpi_x, &dpi_y))) {
    return 0;
  }
  return static_cast<int>(dpi_y);
}

// The dpi of the display the window is on. Before Windows 10 1607 there is no per-window answer;
// there the primary display's, where a notice is placed, and on Windows 7 the system's dpi, which
// is the scale the user signed in with.
int display_dpi(HWND window) {
  using DpiForWindow = UINT(WINAPI*)(HWND);
  static const auto dpi_for_window = reinterpret_cast<DpiForWindow>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (window != nullptr && dpi_for_window != nullptr) {
    const UINT dpi = dpi_for_window(window);
    if (dpi != 0) {
      return static_cast<int>(dpi);
    }
  }
  if (dpi_for_window == nullptr) {
    if (const int dpi = primary_display_dpi(); dpi != 0) {
      return dpi;
    }
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : kLayoutDpi;
  if (screen != nullptr) {
    ReleaseDC(nullptr, screen);
  }
  return dpi;
}

// "Show animations in Windows"; where the system cannot say, the notice moves as it always has.
bool read_motion_wanted() {
  BOOL animate = TRUE;
  if (SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &animate, 0) == FALSE) {
    return true;
  }
  return animate != FALSE;
}

// The same setting as stored for the user (UserPreferencesMask, byte 4, bit 0x02). Wine tells a
// running program of a change but goes on answering what it first read; the stored bit is current.
bool stored_motion_wanted() {
  static const auto get_value =
      system_function<decltype(&::RegGetValueW)>(L"advapi32.dll", "RegGetValueW");
  BYTE mask[32] = {};
  DWORD size = sizeof mask;
  if (get_value == nullptr ||
      get_value(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"UserPreferencesMask",
                RRF_RT_REG_BINARY, nullptr, mask, &size) != ERROR_SUCCESS ||
      size < 5) {
    return true;
  }
  return (mask[4] & 0x02) != 0;
}

// The title as a screen reader reads it is the notice's name in Alt+Tab and on the task bar too.
std::wstring title_of(const std::vector<Label>& labels) {
  for (const Label& label : labels) {
    if (label.layout->id == Element::lb_titulo) {
      return text_as_shown(label.text);
    }
  }
  return {};
}

HWND to_hwnd(WindowHandle window) { return static_cast<HWND>(LongToHandle(window)); }

HICON load_icon(HINSTANCE instance, int width_metric, int height_metric) {
  const auto icon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON, GetSystemMetrics(width_metric),
                 GetSystemMetrics(height_metric), LR_DEFAULTCOLOR | LR_SHARED));
  if (icon == nullptr) {
    throw std::runtime_error("window: icon group 1 is missing");
  }
  return icon;
}

void register_class(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hIcon = load_icon(instance, SM_CXICON, SM_CYICON);
  window_class.hIconSm = load_icon(instance, SM_CXSMICON, SM_CYSMICON);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kClassName;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("window: RegisterClassExW failed");
  }
}

}  // namespace

NoticeWindow::NoticeWindow(const Variant& variant)
    : layout_(*variant.layout),
      scale_(display_dpi(nullptr)),
      display_dpi_(scale_.dpi()),
      text_percent_(text_size_setting()),
      contrast_(read_contrast_theme()),
      width_(layout_.width),
      height_(layout_.height),
      shown_(scale_.window({0, 0, layout_.width, layout_.height})),
      desktop_right_(read_desktop_right()),
      motion_wanted_(read_motion_wanted()),
      timer_period_ms_(static_cast<UINT>(layout_.timer_period_ms)) {
  // Fonts and pictures come with the scale, once the window is there to ask for it.
  labels_.reserve(layout_.labels.size());
  for (const LabelLayout& label : layout_.labels) {
    labels_.push_back(Label{&label, std::wstring(label.text.begin(), label.text.end()), {}});
  }

  const HINSTANCE instance = GetModuleHandleW(nullptr);
  register_class(instance, window_procedure);
  // No frame, so the outer size is the client size. WS_EX_NOACTIVATE keeps the focus with the
  // user's application even when the notice is clicked; WS_EX_APPWINDOW lists it in Alt+Tab and
  // on the task bar, so that a person without a mouse can bring it to the front and close it.
  hwnd_ = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_NOACTIVATE, kClassName, title_of(labels_).c_str(),
                          WS_POPUP, shown_.x, shown_.y, shown_.width, shown_.height, nullptr,
                          nullptr, instance, this);
  if (hwnd_ == nullptr) {
    throw std::runtime_error("window: CreateWindowExW failed");
  }
  // The primary display may have another scale than the system's the window was sized for.
  try {
    display_dpi_ = display_dpi(hwnd_);
    use_scale(wanted_scale());
    apply_geometry();
    presence_.start(hwnd_);
  } catch (...) {
    // The window points to this object, which a throwing constructor does not leave behind.
    DestroyWindow(hwnd_);
    throw;
  }
}

const Picture* NoticeWindow::information_to_paint() {
  if (layout_.information == nullptr || !information_visible_) {
    return nullptr;
  }
  if (!information_) {
    try {
      information_ = PictureDecoder().decode_for(layout_.information->picture, scale_);
    } catch (const std::exception&) {
      // Short of GDI objects or memory: the notice shows without it, and tries at the next paint.
      return nullptr;
    }
  }
  return &*information_;
}

PixelScale NoticeWindow::wanted_scale() const {
  return notice_scale(display_dpi_, text_percent_,
                      {0, 0, layout_.width + kRightMargin, layout_.height + kBottomMargin},
                      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

void NoticeWindow::use_scale(const PixelScale& scale) {
  scale_ = scale;
  // The decoder is not kept: WIC's factory and codecs would stay in memory for the notice's life.
  // The information picture waits until it is first painted, as most notices never show it.
  background_ = PictureDecoder().decode_for(layout_.background_picture, scale_);
  information_.reset();
  for (Label& label : labels_) {
    label.font = create_font(label.layout->font, scale_);
  }
  InvalidateRect(hwnd_, nullptr, FALSE);
}

// Only when the logic follows: a notice sliding across monitors of other scales keeps its pictures
// and its pace instead of decoding them again at every crossing.
void NoticeWindow::follow_display() {
  if (const PixelScale wanted = wanted_scale(); wanted.dpi() != scale_.dpi()) {
    use_scale(wanted);
  }
}

// A scale change is taken up as a display's is: not once the slide-out has begun.
void NoticeWindow::follow_appearance() {
  if (auto contrast = read_contrast_theme(); contrast != contrast_) {
    contrast_ = contrast;
    InvalidateRect(hwnd_, nullptr, FALSE);
  }
  text_percent_ = text_size_setting();
  if (wanted_scale().dpi() != scale_.dpi() && handler_ != nullptr) {
    handler_->display_changed();
  }
}

NoticeWindow::~NoticeWindow() {
  handler_ = nullptr;
  presence_.stop();
  if (hwnd_ != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void NoticeWindow::show() { ShowWindow(hwnd_, SW_SHOWNOACTIVATE); }

// No C++ exception may unwind through the system's code that called the window procedure. A
// failure here is outside the logic's guarded places, so it ends the program, as the platform
// does for an unhandled error in an event handler: reported to the debugger, exit code 1, and no
// message box, which would take the focus from the user's application.
LRESULT CALLBACK NoticeWindow::window_procedure(HWND hwnd, UINT message, WPARAM wparam,
                                                LPARAM lparam) noexcept {
  try {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      auto* window = static_cast<NoticeWindow*>(create->lpCreateParams);
      window->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<NoticeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr) {
      return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    return window->handle_message(message, wparam, lparam);
  } catch (const std::exception& failure) {
    end_after_failure(failure.what());
  } catch (...) {
    end_after_failure("unknown exception");
  }
}

LRESULT NoticeWindow::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND hwnd = hwnd_;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      on_paint();
      return 0;
    case WM_MOUSEACTIVATE:
      // The click itself still arrives.
      return MA_NOACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) {
        // The keys are the notice's only once the person has made it the foreground window
        // (Alt+Tab, its task-bar button): never on a WM_ACTIVATE another program sends, where the
        // default's SetFocus would activate the window.
        if (GetForegroundWindow() == hwnd_) {
          SetFocus(hwnd_);
        }
        if (handler_ != nullptr) {
          handler_->activate();
        }
      }
      return 0;
    case WM_SETFOCUS:
      accessible_.on_focus(hwnd);
      return 0;
    case WM_KEYDOWN:
      // As a click on the close box, and only from the front: a key already held down when the
      // notice came there (the Enter that chose its task-bar button) is no request to close it.
      if ((wparam == VK_ESCAPE || wparam == VK_RETURN || wparam == VK_SPACE) &&
          (HIWORD(lparam) & KF_REPEAT) == 0 && GetForegroundWindow() == hwnd_ &&
          handler_ != nullptr) {
        handler_->click(Element::Label5);
      }
      return 0;
    case WM_SYSCOMMAND:
      // The task-bar button is there to reach the notice, not to fold it away or spread it over
      // the screen: it keeps its size and its corner. Alt+F4 (SC_CLOSE) goes on to WM_CLOSE.
      if ((wparam & 0xFFF0) == SC_MINIMIZE || (wparam & 0xFFF0) == SC_MAXIMIZE) {
        return 0;
      }
      break;
    case WM_SETTINGCHANGE:
      // Either answer that says "no motion" is taken: it is never harmful to keep still.
      motion_wanted_ = read_motion_wanted() && stored_motion_wanted();
      [[fallthrough]];
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      follow_appearance();
      break;
    case WM_MOUSEMOVE:
      presence_.pointer_message();
      break;
    case WM_LBUTTONDOWN:
      pressed_ = element_at(layout_, scale_, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      SetCapture(hwnd_);
      return 0;
    case WM_LBUTTONUP: {
      const std::optional<Element> pressed = std::exchange(pressed_, std::nullopt);
      if (GetCapture() == hwnd_) {
        ReleaseCapture();
      }
      const std::optional<Element> released =
          element_at(layout_, scale_, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      if (pressed && pressed == released && handler_ != nullptr) {
        handler_->click(*pressed);
      }
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      // The second press of a double click: its release is no click of its own.
      pressed_.reset();
      const std::optional<Element> element =
          element_at(layout_, scale_, GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      if (element && handler_ != nullptr) {
        handler_->double_click(*element);
      }
      return 0;
    }
    case WM_DPICHANGED:
      // Not the suggested rectangle: the logic places the window by its own rule, if at all.
      display_dpi_ = LOWORD(wparam);
      if (handler_ != nullptr) {
        handler_->display_changed();
      }
      return 0;
    case WM_GETOBJECT:
      return accessible_.get_object(hwnd, wparam, lparam);
    case AccessibleNotice::kCloseBoxPressed:
      // A screen reader's default action on the close box: the same as a click on it.
      if (handler_ != nullptr) {
        handler_->click(Element::Label5);
      }
      return 0;
    case WM_CLOSE:
      // End task, the Restart Manager's fallback: ended as a click on the close box ends it,
      // never by destroying the window under a fade that is still running.
      end_as_closed();
    case WM_QUERYENDSESSION:
      // A notice never holds up a log-off or a shutdown.
      return TRUE;
    case WM_ENDSESSION:
      // Log-off, or an installer's Restart Manager with ENDSESSION_CLOSEAPP.
      if (wparam != FALSE) {
        end_as_closed();
      }
      return 0;
    case WM_DISPLAYCHANGE:
      desktop_right_ = read_desktop_right();
      if (handler_ != nullptr) {
        handler_->display_changed();
      }
      break;
    case WM_TIMER:
      if (wparam == kTimerId && handler_ != nullptr) {
        handler_->timer_tick(Element::Timer1);
      } else if (wparam == kPresenceTimerId && handler_ != nullptr) {
        handler_->presence_changed();
      }
      return 0;
    case WM_WTSSESSION_CHANGE:
      presence_.session_changed(wparam);
      if (handler_ != nullptr) {
        handler_->presence_changed();
      }
      return 0;
    case WM_POWERBROADCAST:
      if (wparam == PBT_POWERSETTINGCHANGE && presence_.power_setting_changed(lparam) &&
          handler_ != nullptr) {
        handler_->presence_changed();
      }
      return TRUE;
    case WM_NCDESTROY:
      // Readers are cut off now: their calls are answered at once, not by a window that is gone.
      accessible_.disconnect();
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void NoticeWindow::end_as_closed() {
  if (handler_ != nullptr) {
    handler_->click(Element::Label5);
  }
  // Before load there is nothing to close but the process.
  end_program();
}

void NoticeWindow::on_paint() {
  PAINTSTRUCT paint{};
  const HDC target = BeginPaint(hwnd_, &paint);
  if (target == nullptr) {
    return;
  }
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width > 0 && height > 0) {
    // A contrast theme shows no pictures.
    const Scene scene{layout_,
                      scale_,
                      background_,
                      contrast_ ? nullptr : information_to_paint(),
                      information_visible_,
                      labels_,
                      contrast_};
    // Drawn off screen first, so the labels never flicker over a bare background; short of GDI
    // objects for that, straight into the window rather than not at all.
    const DcPtr buffer_dc(CreateCompatibleDC(target));
    const BitmapPtr buffer(buffer_dc ? CreateCompatibleBitmap(target, width, height) : nullptr);
    if (buffer_dc && buffer) {
      const SelectedObject selected(buffer_dc.get(), buffer.get());
      paint_scene(buffer_dc.get(), width, height, scene);
      BitBlt(target, 0, 0, width, height, buffer_dc.get(), 0, 0, SRCCOPY);
    } else {
      paint_scene(target, width, height, scene);
    }
  }
  EndPaint(hwnd_, &paint);
}

std::u16string NoticeWindow::command_text() { return win32::command_text(); }
std::u16string NoticeWindow::program_directory() { return win32::program_directory(); }
std::u16string NoticeWindow::current_time() { return win32::current_time(); }
std::u16string NoticeWindow::current_date() { return win32::current_date(); }

ScreenSize NoticeWindow::screen_size() {
  return {scale_.twips(GetSystemMetrics(SM_CXSCREEN)), scale_.twips(GetSystemMetrics(SM_CYSCREEN))};
}

void NoticeWindow::set_window_left(float twips) {
  left_ = twips;
  apply_geometry();
}

void NoticeWindow::set_window_top(float twips) {
  top_ = twips;
  apply_geometry();
}

void NoticeWindow::set_window_width(float twips) {
  width_ = twips;
  apply_geometry();
}

void NoticeWindow::apply_geometry() {
  const PixelRect wanted = scale_.window({left_, top_, width_, height_});
  if (hwnd_ == nullptr || !needs_window_call(shown_, wanted, desktop_right_)) {
    return;
  }
  SetWindowPos(hwnd_, nullptr, wanted.x, wanted.y, wanted.width, wanted.height,
               SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
  if (contrast_ && wanted.width < shown_.width) {
    // The frame of a contrast theme follows the right edge as the window narrows.
    const RECT edge{wanted.width - scale_.pixels(kTwipsPerPixel) - 1, 0, wanted.width,
                    wanted.height};
    InvalidateRect(hwnd_, &edge, FALSE);
  }
  shown_ = wanted;
}

WindowHandle NoticeWindow::window_handle() { return HandleToLong(hwnd_); }

void NoticeWindow::invalidate(const TwipRect& rect) {
  const PixelRect pixels = scale_.element(rect);
  const RECT area{pixels.x, pixels.y, pixels.x + pixels.width, pixels.y + pixels.height};
  InvalidateRect(hwnd_, &area, FALSE);
}

void NoticeWindow::set_label_text(Element label, std::u16string_view text) {
  for (Label& shown : labels_) {
    if (shown.layout->id == label) {
      shown.text.assign(text.begin(), text.end());
      invalidate(shown.layout->rect);
      return;
    }
  }
  throw std::invalid_argument("window: no such label");
}

void NoticeWindow::set_image_visible(Element image, bool visible) {
  if (layout_.information == nullptr || image != layout_.information->id) {
    throw std::invalid_argument("window: no such image");
  }
  if (visible != information_visible_) {
    information_visible_ = visible;
    invalidate(layout_.information->rect);
  }
}

void NoticeWindow::set_timer_enabled(Element timer, bool enabled) {
  if (timer != Element::Timer1) {
    throw std::invalid_argument("window: no such timer");
  }
  timer_running_ = enabled;
  if (enabled) {
    // Setting an existing timer again restarts its period.
    SetTimer(hwnd_, kTimerId, timer_period_ms_, nullptr);
  } else {
    KillTimer(hwnd_, kTimerId);
  }
}

void NoticeWindow::set_timer_period(Element timer, std::uint32_t ms) {
  if (timer != Element::Timer1) {
    throw std::invalid_argument("window: no such timer");
  }
  timer_period_ms_ = static_cast<UINT>(ms);
  if (timer_running_) {
    SetTimer(hwnd_, kTimerId, timer_period_ms_, nullptr);
  }
}

void NoticeWindow::watch_presence(bool on) {
  if (on) {
    SetTimer(hwnd_, kPresenceTimerId, kPresenceEveryMs, nullptr);
  } else {
    KillTimer(hwnd_, kPresenceTimerId);
  }
}

std::uint32_t NoticeWindow::message_duration_ms() {
  ULONG seconds = 0;
  if (!SystemParametersInfoW(SPI_GETMESSAGEDURATION, 0, &seconds, 0)) {
    return 0;
  }
  // Never beyond the longest wait of all, whatever the setting holds.
  constexpr auto kLongest = static_cast<std::uint32_t>(kLongestWaitMs);
  return seconds < kLongest / 1000 ? static_cast<std::uint32_t>(seconds) * 1000 : kLongest;
}

std::int32_t NoticeWindow::get_window_long(WindowHandle window, int index) {
  return GetWindowLongA(to_hwnd(window), index);
}

void NoticeWindow::set_window_long(WindowHandle window, int index, std::int32_t value) {
  SetWindowLongA(to_hwnd(window), index, value);
}

void NoticeWindow::set_layered_window_attributes(WindowHandle window, Colour key,
                                                 std::uint8_t alpha, std::uint32_t flags) {
  SetLayeredWindowAttributes(to_hwnd(window), key, alpha, flags);
}

void NoticeWindow::set_window_pos(WindowHandle window, WindowHandle insert_after, int x, int y,
                                  int width, int height, std::uint32_t flags) {
  SetWindowPos(to_hwnd(window), to_hwnd(insert_after), x, y, width, height, flags);
  // Screen readers speak an alert from a top-most window: raised here, when the logic's call has
  // put the notice on top (once per notice).
  if (insert_after == kHwndTopmost && to_hwnd(window) == hwnd_) {
    accessible_.on_top(hwnd_);
  }
}

void NoticeWindow::play_sound(std::u16string_view path, std::uint32_t flags) {
  sound_.play(path, flags);
}

void NoticeWindow::pump_messages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Left for the main loop, which ends the program when it sees it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void NoticeWindow::end_program() { ExitProcess(0); }

}  // namespace notice::win32
