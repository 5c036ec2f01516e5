#include "screen_reader.hpp"

#include <objbase.h>
#include <oleacc.h>

namespace e2e {
namespace {

// The reader listening on this thread, for the hook's callback.
thread_local ScreenReader* t_reader = nullptr;

LONG number(const VARIANT& variant) { return variant.vt == VT_I4 ? variant.lVal : -1; }

// The client object of a window; COM initialised on this thread first.
IAccessible* client_object(HWND window, HRESULT& result) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccessible* object = nullptr;
  VARIANT self{};
  // __uuidof: MinGW's IID_IAccessible from liboleacc.a is an import thunk, not the id.
  result = AccessibleObjectFromEvent(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                     &object, &self);
  VariantClear(&self);
  return SUCCEEDED(result) ? object : nullptr;
}

}  // namespace

AccessibleReading read_accessible(HWND window) {
  AccessibleReading reading;
  IAccessible* object = client_object(window, reading.result);
  if (object == nullptr) {
    return reading;
  }
  const VARIANT self = child_id(CHILDID_SELF);
  const VARIANT box = child_id(1);
  VARIANT value{};
  BSTR text = nullptr;
  if (SUCCEEDED(object->get_accRole(self, &value))) reading.role = number(value);
  if (SUCCEEDED(object->get_accState(self, &value))) reading.state = number(value);
  if (SUCCEEDED(object->get_accName(self, &text))) reading.name = take(text);
  if (SUCCEEDED(object->get_accDescription(self, &text))) reading.description = take(text);
  object->get_accChildCount(&reading.children);
  if (SUCCEEDED(object->get_accRole(box, &value))) reading.child_role = number(value);
  if (SUCCEEDED(object->get_accName(box, &text))) reading.child_name = take(text);
  object->Release();
  return reading;
}

HRESULT press_child(HWND window, LONG child, std::chrono::steady_clock::time_point& pressed) {
  HRESULT result = E_FAIL;
  IAccessible* object = client_object(window, result);
  if (object == nullptr) {
    return result;
  }
  pressed = std::chrono::steady_clock::now();
  result = object->accDoDefaultAction(child_id(child));
  object->Release();
  return result;
}

ScreenReader::ScreenReader() {
  thread_ = std::thread([this] { listen(); });
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return thread_id_ != 0; });
}

ScreenReader::~ScreenReader() {
  PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
  thread_.join();
}

void ScreenReader::listen() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  t_reader = this;
  // From every process but this one: the test's own windows are no notices.
  const HWINEVENTHOOK hook =
      SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_FOREGROUND, nullptr, on_event, 0, 0,
                      WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  MSG message{};
  // The queue exists before the constructor returns, so the quit message cannot be lost.
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
  {
    const std::lock_guard lock(mutex_);
    listening_ = hook != nullptr;
    thread_id_ = GetCurrentThreadId();
  }
  changed_.notify_all();
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchMessageW(&message);
    // Read outside the callback: reading pumps messages, which may call it again.
    while (!unread_.empty()) {
      SeenAlert alert = std::move(unread_.front());
      unread_.erase(unread_.begin());
      alert.reading = read_accessible(alert.window);
      const std::lock_guard lock(mutex_);
      alerts_.push_back(std::move(alert));
      changed_.notify_all();
    }
  }
  if (hook != nullptr) {
    UnhookWinEvent(hook);
  }
  CoUninitialize();
}

void CALLBACK ScreenReader::on_event(HWINEVENTHOOK, DWORD event, HWND window, LONG object,
                                     LONG child, DWORD, DWORD) {
  if (t_reader == nullptr) {
    return;
  }
  if (event == EVENT_SYSTEM_FOREGROUND) {
    const std::lock_guard lock(t_reader->mutex_);
    t_reader->foregrounds_.push_back(window);
    return;
  }
  if (event != EVENT_SYSTEM_ALERT) {
    return;
  }
  SeenAlert alert;
  alert.window = window;
  alert.object = object;
  alert.child = child;
  GetWindowThreadProcessId(window, &alert.process);
  alert.facts = read_window(window);
  alert.foreground = GetForegroundWindow();
  t_reader->unread_.push_back(std::move(alert));
  // The callback may run inside GetMessageW, which would then wait on: a message of its own wakes
  // the loop to read the alert.
  PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
}

std::vector<SeenAlert> ScreenReader::alerts_of(DWORD process) const {
  std::vector<SeenAlert> found;
  const std::lock_guard lock(mutex_);
  for (const SeenAlert& alert : alerts_) {
    if (alert.process == process || alert.process == 0) {
      found.push_back(alert);
    }
  }
  return found;
}

bool ScreenReader::wait_for_alert_of(DWORD process, std::chrono::milliseconds timeout) const {
  if (!listening_) {
    return false;
  }
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    for (const SeenAlert& alert : alerts_) {
      if (alert.process == process) {
        return true;
      }
    }
    return false;
  });
}

std::vector<HWND> ScreenReader::foregrounds() const {
  const std::lock_guard lock(mutex_);
  return foregrounds_;
}

}  // namespace e2e
