#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <wtsapi32.h>

#include "system_function.hpp"

namespace notice::win32 {

// The functions of wtsapi32 both the presence watch and the hand-off use: looked up once, from the
// system folder, never imported; each is null where the system lacks it.
struct SessionCalls {
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSRegisterSessionNotification);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSUnRegisterSessionNotification);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSEnumerateSessionsW);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSQuerySessionInformationW);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSQueryUserToken);
  NOTICE_SYSTEM_FUNCTION(L"wtsapi32.dll", WTSFreeMemory);
};

inline const SessionCalls& session_calls() {
  static const SessionCalls calls;
  return calls;
}

}  // namespace notice::win32
