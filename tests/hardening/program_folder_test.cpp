// Wherever the programs are installed: a folder name outside the ANSI code page, a path longer than
// MAX_PATH, the root of a drive. Each notice shows, reads its own sound from its own ctrl\ and ends
// by a click.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "folders.hpp"
#include "notice_argument.hpp"
#include "notice_stack.hpp"
#include "program_paths.hpp"

namespace hardening {
namespace {

struct Installed {
  std::string name;
  const NoticeProgram* program;
  std::wstring folder;  // as the program sees it
  std::wstring files;   // the same folder, reachable by the test
};

std::wstring sound_of(const std::wstring& folder, const NoticeProgram& program) {
  return folder + L"\\ctrl\\" + program.sound_file;
}

std::wstring short_name(const NoticeProgram& program) {
  return &program == &kMessageNotice ? L"mensagem" : L"impressão";
}

const NoticeProgram& other_than(const NoticeProgram& program) {
  return &program == &kMessageNotice ? kPrintNotice : kMessageNotice;
}

TEST(ProgramFolders, NoticesWorkAndPlayTheirOwnSoundWhereverInstalled) {
  TempFolder root(L"folders");
  std::vector<Installed> places;

  for (const NoticeProgram* program : {&kMessageNotice, &kPrintNotice}) {
    const std::wstring unicode = root / (L"Avisos Ω ação 日本 " + short_name(*program));
    install(*program, unicode);
    places.push_back({"outside the ANSI code page", program, unicode, unicode});
  }

  std::wstring deep = root / L"Avisos longos";
  create_folder(deep);
  for (int level = 0; deep.size() <= MAX_PATH + 20; ++level) {
    deep += L"\\" + std::wstring(40, static_cast<wchar_t>(L'a' + level)) + L" Ω";
    create_folder(deep);
  }
  for (const NoticeProgram* program : {&kMessageNotice, &kPrintNotice}) {
    const std::wstring folder = deep + L"\\" + short_name(*program);
    install(*program, folder);
    places.push_back(
        {"a path of " + std::to_string(folder.size()) + " characters", program, folder, folder});
  }

  const std::wstring drive_folder = root / L"drive";
  install(kMessageNotice, drive_folder);
  install(kPrintNotice, drive_folder);
  MappedDrive drive(drive_folder);
  // Both programs share the root, so only the file each one plays is checked.
  for (const NoticeProgram* program : {&kMessageNotice, &kPrintNotice}) {
    places.push_back({"the root of " + e2e::narrow(drive.root()), program,
                      drive.root().substr(0, 2), drive_folder});
  }

  const bool reads_recorded = reads_are_recorded(root.path());
  for (const Installed& place : places) {
    mark_unread(sound_of(place.files, *place.program));
    mark_unread(sound_of(place.files, other_than(*place.program)));
  }

  std::vector<StackedNotice> notices;
  for (const Installed& place : places) {
    notices.push_back(
        start_stacked(e2e::narrow(place.program->file_name) + " at " + place.name, *place.program,
                      place.folder + L"\\" + place.program->file_name,
                      L"Instalado em " + std::wstring(place.name.begin(), place.name.end())));
  }
  wait_until_all_on_top(notices, 90s);
  if (reads_recorded) {
    for (const Installed& place : places) {
      EXPECT_TRUE(e2e::wait_until(
          [&] { return has_been_read(sound_of(place.files, *place.program)); }, 10s, 50ms))
          << place.name << ": " << e2e::narrow(place.program->file_name)
          << " never read its sound from " << e2e::narrow(sound_of(place.folder, *place.program));
    }
    for (const Installed& place : places) {
      if (place.folder == place.files) {  // a folder of its own
        EXPECT_FALSE(has_been_read(sound_of(place.files, other_than(*place.program))))
            << place.name << ": " << e2e::narrow(place.program->file_name)
            << " read the other program's sound";
      }
    }
  } else {
    std::printf("note: this volume does not record reads; the sound paths were not checked\n");
  }
  EXPECT_EQ(close_from_the_top(notices), static_cast<int>(places.size()));
}

}  // namespace
}  // namespace hardening
