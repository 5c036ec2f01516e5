#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "notice_view.hpp"
#include "process.hpp"

namespace hardening {

// One of several notices open at once.
struct StackedNotice {
  std::string name;
  const NoticeProgram* program;
  std::wstring message;  // the message field it shows, which tells it from the others on screen
  Process process;
  bool timed = false;     // ends by its own timer, never by a click
  HWND window = nullptr;  // once shown
};

// Starts the program (a copy anywhere) with a warning notice showing `message`, timed if asked.
StackedNotice start_stacked(std::string name, const NoticeProgram& program,
                            const std::wstring& program_path, const std::wstring& message,
                            bool timed = false, const LaunchOptions& options = {});

// Waits until every notice is shown (opaque and top-most), reporting each that is not with
// ADD_FAILURE; timed notices that have already ended by themselves are left out.
void wait_until_all_on_top(std::vector<StackedNotice>& notices, std::chrono::milliseconds timeout);

// The shown notice that the screen shows on top at its program's place, told by its message
// label; nothing when no notice's message is clearly there.
StackedNotice* seen_on_top(std::vector<StackedNotice>& notices, const NoticeProgram& program);

// Ends the shown notices one at a time from the top: a click on the X box of the notice the screen
// shows on top must end exactly one notice, with exit code 0, while the others go on; a timed one
// on top is left to its timer, which must end it with exit code 0. Under Wine the click may reach
// the notice just beneath when two rose at the same moment (see the note it prints). Reports each
// unexpected outcome with ADD_FAILURE and returns how many notices ended as expected.
int close_from_the_top(std::vector<StackedNotice>& notices);

}  // namespace hardening
