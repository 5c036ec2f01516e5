#include "presence_watch.hpp"

#include <versionhelpers.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "session_calls.hpp"
#include "system_function.hpp"

namespace notice::win32 {
namespace {

// The display's state for this session (Windows 8 on), for the console, and on Windows 7 the
// monitor's power.
constexpr GUID kSessionDisplayStatus{
    0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
constexpr GUID kConsoleDisplayState{
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn{
    0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

constexpr ULONGLONG kShellAskedEveryMs = 2000;

// WTSSessionInfoEx's answer, as far as it is read (the headers at hand do not declare it).
constexpr auto kSessionInfoEx = static_cast<WTS_INFO_CLASS>(25);
struct SessionInfoEx {
  DWORD level;
  struct alignas(8) {
    ULONG session_id;
    INT session_state;
    LONG session_flags;
  } level1;
};

// The session's answer of one kind, copied when it is at least as large as T.
template <typename T>
bool query_session(WTS_INFO_CLASS kind, T& answer) noexcept {
  const SessionCalls& calls = session_calls();
  if (calls.WTSQuerySessionInformationW == nullptr || calls.WTSFreeMemory == nullptr) {
    return false;
  }
  LPWSTR buffer = nullptr;
  DWORD bytes = 0;
  if (!calls.WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, kind,
                                         &buffer, &bytes) ||
      buffer == nullptr) {
    return false;
  }
  const bool whole = bytes >= sizeof(T);
  if (whole) {
    std::memcpy(&answer, buffer, sizeof(T));
  }
  calls.WTSFreeMemory(buffer);
  return whole;
}

NotificationState shell_state() noexcept {
  using QueryState = HRESULT(WINAPI*)(int*);
  static const auto query =
      system_function<QueryState>(L"shell32.dll", "SHQueryUserNotificationState");
  int state = 0;
  if (query == nullptr || FAILED(query(&state)) || state < 1 || state > 7) {
    return NotificationState::unknown;
  }
  return static_cast<NotificationState>(state);
}

}  // namespace

void PresenceWatch::stop() noexcept {
  if (display_notification_ != nullptr) {
    UnregisterPowerSettingNotification(display_notification_);
    display_notification_ = nullptr;
  }
  if (session_notification_ && session_calls().WTSUnRegisterSessionNotification != nullptr) {
    session_calls().WTSUnRegisterSessionNotification(window_);
  }
  session_notification_ = false;
}

void PresenceWatch::start(HWND window) noexcept {
  window_ = window;
  const SessionCalls& calls = session_calls();
  session_notification_ = calls.WTSRegisterSessionNotification != nullptr &&
                          calls.WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
  for (const GUID& setting : {kSessionDisplayStatus, kConsoleDisplayState, kMonitorPowerOn}) {
    display_notification_ =
        RegisterPowerSettingNotification(window, &setting, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (display_notification_ != nullptr) {
      break;
    }
  }
  SessionInfoEx info{};
  if (query_session(kSessionInfoEx, info) && info.level == 1) {
    facts_.locked =
        locked_at_start(info.level1.session_flags, IsWindows7OrGreater() && !IsWindows8OrGreater());
  }
  INT state = WTSActive;
  if (query_session(WTSConnectState, state)) {
    facts_.disconnected = state == WTSDisconnected;
  }
}

void PresenceWatch::session_changed(WPARAM change) noexcept {
  apply_session_change(facts_, static_cast<std::uint32_t>(change));
}

bool PresenceWatch::power_setting_changed(LPARAM setting) noexcept {
  const auto* power = reinterpret_cast<const POWERBROADCAST_SETTING*>(setting);
  if (power == nullptr ||
      (!IsEqualGUID(power->PowerSetting, kSessionDisplayStatus) &&
       !IsEqualGUID(power->PowerSetting, kConsoleDisplayState) &&
       !IsEqualGUID(power->PowerSetting, kMonitorPowerOn)) ||
      power->DataLength < sizeof(DWORD)) {
    return false;
  }
  DWORD state = 0;
  std::memcpy(&state, power->Data, sizeof state);
  apply_display_state(facts_, state);
  return true;
}

Presence PresenceWatch::read() noexcept {
  const ULONGLONG now = GetTickCount64();
  if (!shell_asked_ || now - shell_asked_at_ >= kShellAskedEveryMs) {
    shell_asked_ = true;
    shell_asked_at_ = now;
    BOOL running = FALSE;
    facts_.screen_saver_running =
        SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running;
    facts_.notification_state = shell_state();
  }
  LASTINPUTINFO input{sizeof input, 0};
  // Unsigned: right across the tick count's wrap every 49.7 days.
  facts_.idle_ms = GetLastInputInfo(&input) ? GetTickCount() - input.dwTime : 0;
  POINT pointer{};
  if (GetCursorPos(&pointer) && GetAncestor(WindowFromPoint(pointer), GA_ROOT) == window_) {
    pointer_since_ = pointer_since_ != 0 ? pointer_since_ : now;
    facts_.pointer_on_notice_ms =
        static_cast<std::uint32_t>(std::min<ULONGLONG>(now - pointer_since_, MAXDWORD));
  } else {
    pointer_since_ = 0;
    facts_.pointer_on_notice_ms = 0;
  }
  return facts_;
}

}  // namespace notice::win32
