// A notice started on a window station nobody sees, as a service's in session 0, ends at once with
// its own exit code instead of waiting for a click that never comes.
#include <gtest/gtest.h>

#include "notice_argument.hpp"
#include "notice_view.hpp"
#include "process.hpp"
#include "program_paths.hpp"

namespace hardening {
namespace {

TEST(WindowStation, ANoticeOnAStationNobodySeesEndsAtOnceWithExitCode3) {
  // Created without WSF_VISIBLE, as a service's station is; its desktop only from inside it.
  const HWINSTA own_station = GetProcessWindowStation();
  const HWINSTA station = CreateWindowStationW(L"OrvaneHidden", 0, WINSTA_ALL_ACCESS, nullptr);
  ASSERT_NE(station, nullptr) << GetLastError();
  ASSERT_TRUE(SetProcessWindowStation(station));
  const HDESK desktop = CreateDesktopW(L"Hidden", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  ASSERT_TRUE(SetProcessWindowStation(own_station));
  ASSERT_NE(desktop, nullptr);
  for (const NoticeProgram* program : {&kMessageNotice, &kPrintNotice}) {
    // Untimed: on a visible station it would stay until clicked.
    Process notice(built(*program), e2e::notice_argument(L'X', L' ', L"Ninguém vê", L"", L""),
                   {.desktop = L"OrvaneHidden\\Hidden"});
    EXPECT_EQ(notice.wait_for_exit(std::chrono::seconds(10)), 3U)
        << e2e::narrow(program->file_name);
  }
  CloseDesktop(desktop);
  CloseWindowStation(station);
}

}  // namespace
}  // namespace hardening
