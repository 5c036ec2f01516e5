// A damaged installation around the sound: whatever became of ctrl\ and its files, the notice
// shows, tries its sound and ends by a click as usual.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "folders.hpp"
#include "notice_argument.hpp"
#include "notice_stack.hpp"
#include "program_paths.hpp"

namespace hardening {
namespace {

struct SoundFault {
  std::wstring name;  // also the folder's name
  const NoticeProgram* program;
  // Damages the copy in the folder; returns whether the program's sound file is still there to
  // be read.
  bool (*damage)(const std::wstring& folder, const NoticeProgram& program);
};

std::wstring sound_of(const std::wstring& folder, const NoticeProgram& program) {
  return folder + L"\\ctrl\\" + program.sound_file;
}

bool intact(const std::wstring&, const NoticeProgram&) { return true; }

bool no_ctrl_folder(const std::wstring& folder, const NoticeProgram&) {
  remove_tree(folder + L"\\ctrl");
  return false;
}

bool no_sound_file(const std::wstring& folder, const NoticeProgram& program) {
  remove_tree(sound_of(folder, program));
  return false;
}

bool empty_sound_file(const std::wstring& folder, const NoticeProgram& program) {
  write_file(sound_of(folder, program), "");
  return false;
}

bool not_a_wav(const std::wstring& folder, const NoticeProgram& program) {
  std::string text;
  for (int i = 0; i < 200; ++i) {
    text += "isto não é um som, é texto comum\r\n";
  }
  write_file(sound_of(folder, program), text);
  return true;
}

// A RIFF header whose sizes promise far more than the file holds.
bool lying_riff_header(const std::wstring& folder, const NoticeProgram& program) {
  const std::string header("RIFF\xFF\xFF\xFF\x7FWAVEfmt \xF0\xFF\xFF\x7F\x01\x00\x02\x00", 24);
  write_file(sound_of(folder, program), header + std::string(100, '\x7F') + "data\xFF\xFF\xFF\xFF");
  return true;
}

bool huge_wav(const std::wstring& folder, const NoticeProgram& program) {
  write_silent_wav(sound_of(folder, program), 50ULL << 20);
  return true;
}

bool sound_is_a_folder(const std::wstring& folder, const NoticeProgram& program) {
  remove_tree(sound_of(folder, program));
  create_folder(sound_of(folder, program));
  return false;
}

bool ctrl_is_a_file(const std::wstring& folder, const NoticeProgram&) {
  remove_tree(folder + L"\\ctrl");
  write_file(folder + L"\\ctrl", "not a folder");
  return false;
}

const std::vector<SoundFault> kFaults{
    {L"intact", &kMessageNotice, intact},
    {L"no ctrl folder", &kMessageNotice, no_ctrl_folder},
    {L"no sound file", &kMessageNotice, no_sound_file},
    {L"empty sound file", &kMessageNotice, empty_sound_file},
    {L"not a WAV", &kMessageNotice, not_a_wav},
    {L"lying RIFF header", &kMessageNotice, lying_riff_header},
    {L"50 MB of silence", &kMessageNotice, huge_wav},
    {L"sound is a folder", &kMessageNotice, sound_is_a_folder},
    {L"ctrl is a file", &kMessageNotice, ctrl_is_a_file},
    {L"locked sound file", &kMessageNotice, intact},  // locked by the test below
    {L"print, no ctrl folder", &kPrintNotice, no_ctrl_folder},
    {L"print, not a WAV", &kPrintNotice, not_a_wav},
    {L"print, lying RIFF header", &kPrintNotice, lying_riff_header},
};

// All at once, each from a folder of its own; they stack at their program's place and are closed
// from the top.
TEST(SoundFaults, TheNoticeShowsTriesItsSoundAndEndsByAClick) {
  TempFolder root(L"sound");
  const bool reads_recorded = reads_are_recorded(root.path());
  std::vector<std::wstring> to_be_read;
  for (const SoundFault& fault : kFaults) {
    const std::wstring folder = root / fault.name;
    install(*fault.program, folder);
    if (fault.damage(folder, *fault.program) && fault.name != L"locked sound file") {
      mark_unread(sound_of(folder, *fault.program));
      to_be_read.push_back(sound_of(folder, *fault.program));
    }
  }
  // Held open without sharing for as long as the notice runs: the program cannot open it.
  const HANDLE locked =
      CreateFileW(extended(sound_of(root / L"locked sound file", kMessageNotice)).c_str(),
                  GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);

  std::vector<StackedNotice> notices;
  for (const SoundFault& fault : kFaults) {
    notices.push_back(start_stacked(e2e::narrow(fault.name), *fault.program,
                                    root / fault.name + L"\\" + fault.program->file_name,
                                    L"Falha de som: " + fault.name));
  }
  wait_until_all_on_top(notices, 90s);
  if (reads_recorded) {
    for (const std::wstring& sound : to_be_read) {
      EXPECT_TRUE(e2e::wait_until([&] { return has_been_read(sound); }, 10s, 50ms))
          << e2e::narrow(sound) << " was never read";
    }
  } else {
    std::printf("note: this volume does not record reads; the sound files were not checked\n");
  }
  EXPECT_EQ(close_from_the_top(notices), static_cast<int>(kFaults.size()));
  CloseHandle(locked);
  RecordProperty("faults", static_cast<int>(kFaults.size()) - 1);
}

// Another program activates the notice while it fades in, five times by message and once by
// SetForegroundWindow: the alpha only rises, and the sound is read once, however long one waits.
TEST(ActivatedDuringTheFade, FadesOnceAndStartsTheSoundOnce) {
  using namespace std::chrono_literals;
  TempFolder root(L"activated");
  if (!reads_are_recorded(root.path())) GTEST_SKIP() << "this volume does not record reads";
  for (const NoticeProgram* program : {&kMessageNotice, &kPrintNotice}) {
    const std::wstring copy = install(*program, root / program->file_name);
    // Read in one go: a later read is another start.
    const std::wstring sound = sound_of(root / program->file_name, *program);
    write_silent_wav(sound, 1000);
    mark_unread(sound);
    Process process(copy, e2e::notice_argument(L'X', L' ', L"Ativada ao surgir", L"", L""));
    const HWND window = e2e::wait_for_visible_window(process.id(), 20s);
    ASSERT_NE(window, nullptr);
    std::vector<int> alphas{0};
    int activations = 0;
    int reads = 0;
    const auto started = std::chrono::steady_clock::now();
    auto since = started;
    while (process.running() && since - started < 15s && reads < 2 &&
           (reads == 0 || std::chrono::steady_clock::now() - since < 1500ms)) {
      const int alpha = e2e::read_window(window).alpha.value_or(-1);
      if (alpha != alphas.back()) alphas.push_back(alpha);
      if (alpha < 255 && activations < 6 && alpha >= 10 + 15 * activations) {
        ++activations < 6 ? PostMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0)
                          : SetForegroundWindow(window);
      }
      if (has_been_read(sound)) {
        ++reads;
        Sleep(30);
        mark_unread(sound);
      }
      since = reads == 0 ? std::chrono::steady_clock::now() : since;
    }
    std::string sequence = e2e::narrow(program->file_name) + ": alpha";
    for (const int alpha : alphas) sequence += " " + std::to_string(alpha);
    std::printf("%s\n", sequence.c_str());
    EXPECT_EQ(activations, 6);
    EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end()) && alphas.back() == 255) << sequence;
    EXPECT_EQ(reads, 1) << "times the sound was read";
  }
}

}  // namespace
}  // namespace hardening
