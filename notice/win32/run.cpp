#include "run.hpp"

#include <objbase.h>
#include <windows.h>

#include <exception>
#include <stdexcept>

#include "failure.hpp"
#include "frm_principal.hpp"
#include "notice_window.hpp"
#include "session_handoff.hpp"

namespace notice::win32 {
namespace {

class ComApartment {
 public:
  ComApartment() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
      throw std::runtime_error("CoInitializeEx failed");
    }
  }
  ~ComApartment() { CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

int message_loop() {
  MSG message{};
  for (;;) {
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) {
      return static_cast<int>(message.wParam);
    }
    if (result == -1) {
      throw std::runtime_error("GetMessageW failed");
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

// Exceptions end here as they do in the window procedure: reported, exit code 1, no message box.
int run(const Variant& variant) {
  try {
    // Before anything can load a DLL: never from the program's folder or the current directory.
    if (!SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
      throw std::runtime_error("SetDefaultDllDirectories failed");
    }
    // Before any window or sound: where nobody can see the notice it goes to those who can.
    hand_on_if_unseen();
    const ComApartment com;
    NoticeWindow window(variant);
    Frm_principal form(window, variant);
    window.set_handler(&form);

    form.initialise();
    form.load();
    // Raised here rather than by WM_ACTIVATE: the notice is never activated by the system, as it
    // must not take the keyboard focus. The window is still hidden: the activation shows it,
    // unless the notice is held, so that a held notice is never listed, not even for a moment.
    form.activate();
    return message_loop();
  } catch (const std::exception& failure) {
    end_after_failure(failure.what());
  } catch (...) {
    end_after_failure("unknown exception");
  }
}

}  // namespace notice::win32
