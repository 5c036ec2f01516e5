#include "presence_watch.hpp"

#include <versionhelpers.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>

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

// The round of what comes without a notification, or has not come yet: the shell's state, the
// screen saver, the subscriptions that failed, and a lock or disconnection told a round ago.
constexpr ULONGLONG kRoundMs = 2000;

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
bool query_session(const SessionCalls& calls, WTS_INFO_CLASS kind, T& answer) noexcept {
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

// Whether [address, address + bytes) lies in committed memory of this process that may be read.
bool readable(const void* address, std::size_t bytes) noexcept {
  auto at = reinterpret_cast<std::uintptr_t>(address);
  if (at == 0 || bytes > UINTPTR_MAX - at) {
    return false;
  }
  const std::uintptr_t end = at + bytes;
  constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                              PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  while (at < end) {
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == 0 ||
        region.State != MEM_COMMIT || (region.Protect & kReadable) == 0 ||
        (region.Protect & PAGE_GUARD) != 0) {
      return false;
    }
    const auto region_end =
        reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (region_end <= at) {
      return false;
    }
    at = region_end;
  }
  return true;
}

bool is_display_setting(const GUID& setting) noexcept {
  return IsEqualGUID(setting, kSessionDisplayStatus) ||
         IsEqualGUID(setting, kConsoleDisplayState) || IsEqualGUID(setting, kMonitorPowerOn);
}

}  // namespace

void PresenceWatch::stop() noexcept {
  if (display_notification_ != nullptr) {
    UnregisterPowerSettingNotification(display_notification_);
    display_notification_ = nullptr;
  }
  if (session_notification_ && calls_.WTSUnRegisterSessionNotification != nullptr) {
    calls_.WTSUnRegisterSessionNotification(window_);
  }
  session_notification_ = false;
}

void PresenceWatch::start(HWND window) noexcept {
  window_ = window;
  subscribe();
  read_session_state();
  POINT pointer{};
  if (GetCursorPos(&pointer)) {
    facts_.pointer = {pointer.x, pointer.y};
  }
  pointer_moved_at_ = GetTickCount64();
}

// Either may fail early in a session, before its services are ready: tried again on each round
// until it holds.
void PresenceWatch::subscribe() noexcept {
  subscribed_at_ = GetTickCount64();
  if (!session_notification_) {
    session_notification_ = calls_.WTSRegisterSessionNotification != nullptr &&
                            calls_.WTSRegisterSessionNotification(window_, NOTIFY_FOR_THIS_SESSION);
  }
  for (const GUID& setting : {kSessionDisplayStatus, kConsoleDisplayState, kMonitorPowerOn}) {
    if (display_notification_ != nullptr) {
      break;
    }
    display_notification_ =
        RegisterPowerSettingNotification(window_, &setting, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
}

// A state the system cannot give leaves the facts as they are: unlocked and connected at the
// start, as last told afterwards.
void PresenceWatch::read_session_state() noexcept {
  session_read_at_ = GetTickCount64();
  SessionInfoEx info{};
  if (query_session(calls_, kSessionInfoEx, info) && info.level == 1) {
    if (const std::optional<bool> locked = locked_by_flags(
            info.level1.session_flags, IsWindows7OrGreater() && !IsWindows8OrGreater())) {
      facts_.locked = *locked;
    }
  }
  INT state = WTSActive;
  if (query_session(calls_, WTSConnectState, state)) {
    facts_.disconnected = state == WTSDisconnected;
  }
}

void PresenceWatch::session_changed(WPARAM change) noexcept {
  apply_session_change(facts_, static_cast<std::uint32_t>(change));
  // Trusted for a round, then read again should the unlock or the reconnection never be told.
  session_read_at_ = GetTickCount64();
}

void PresenceWatch::pointer_message() noexcept {
  pointer_message_time_ = GetTickCount();
  pointer_message_seen_ = true;
}

// Any program on the desktop may post this message with any lParam: the setting is read only
// where it lies whole in this process's readable memory.
bool PresenceWatch::power_setting_changed(LPARAM setting) noexcept {
  const auto* power = reinterpret_cast<const POWERBROADCAST_SETTING*>(setting);
  constexpr std::size_t kHeader = offsetof(POWERBROADCAST_SETTING, Data);
  if (!readable(power, kHeader) || !is_display_setting(power->PowerSetting) ||
      power->DataLength != sizeof(DWORD) || !readable(power, kHeader + sizeof(DWORD))) {
    return false;
  }
  DWORD state = 0;
  std::memcpy(&state, power->Data, sizeof state);
  apply_display_state(facts_, state);
  return true;
}

Presence PresenceWatch::read() noexcept {
  const ULONGLONG now = GetTickCount64();
  if (!round_done_ || now - round_at_ >= kRoundMs) {
    round_done_ = true;
    round_at_ = now;
    BOOL running = FALSE;
    facts_.screen_saver_running =
        SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running;
    facts_.notification_state = shell_state();
  }
  if ((!session_notification_ || display_notification_ == nullptr) &&
      now - subscribed_at_ >= kRoundMs) {
    subscribe();
  }
  if ((facts_.locked || facts_.disconnected) && now - session_read_at_ >= kRoundMs) {
    read_session_state();
  }
  LASTINPUTINFO input{sizeof input, 0};
  // Unsigned: right across the tick count's wrap every 49.7 days.
  const DWORD ticks = GetTickCount();
  facts_.idle_ms = GetLastInputInfo(&input) ? ticks - input.dwTime : 0;
  facts_.since_pointer_message_ms =
      pointer_message_seen_ ? ticks - pointer_message_time_ : MAXDWORD;
  POINT pointer{};
  const bool pointer_known = GetCursorPos(&pointer) != FALSE;
  if (pointer_known && ScreenPoint{pointer.x, pointer.y} != facts_.pointer) {
    facts_.pointer = {pointer.x, pointer.y};
    pointer_moved_at_ = now;
  }
  facts_.since_pointer_moved_ms =
      static_cast<std::uint32_t>(std::min<ULONGLONG>(now - pointer_moved_at_, MAXDWORD));
  if (pointer_known && GetAncestor(WindowFromPoint(pointer), GA_ROOT) == window_) {
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
