#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "contrast_theme.hpp"
#include "notice_argument.hpp"
#include "notice_fixture.hpp"
#include "program_paths.hpp"

namespace e2e {
namespace {

constexpr int kRoles[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT};
// A theme of the test's own, each role a colour of its own.
constexpr COLORREF kTheme[] = {RGB(0, 0, 0), RGB(255, 255, 0), RGB(0, 0, 128), RGB(255, 255, 255)};
Rgb role(int i) { return {GetRValue(kTheme[i]), GetGValue(kTheme[i]), GetBValue(kTheme[i])}; }
bool is_theme_ink(Rgb c) { return c.r >= 128 && c.g >= 128 && c.b == 0; }

// While it lives, the prefix's system colours are the theme's (Wine gives a program the system
// colours as they are when it starts and keeps them), and the flag can be switched.
class ContrastTheme {
 public:
  ContrastTheme() {
    for (int i = 0; i < 4; ++i) saved_[i] = GetSysColor(kRoles[i]);
    SetSysColors(4, kRoles, kTheme);
  }
  ~ContrastTheme() {
    SetSysColors(4, kRoles, saved_);
    UnmapViewOfFile(flag_);
    CloseHandle(mapping_);
  }
  // Tells the window as Windows does.
  void set(bool on, HWND window = nullptr) {
    *flag_ = on ? 1 : 0;
    if (window != nullptr) {
      SendMessageTimeoutW(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0, 0, 5000, nullptr);
      SendMessageTimeoutW(window, WM_SYSCOLORCHANGE, 0, 0, 0, 5000, nullptr);
    }
  }

 private:
  HANDLE mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                       sizeof(LONG), kContrastFlagName);
  LONG* flag_ = static_cast<LONG*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
  COLORREF saved_[4]{};
};

// Loads contrast_switch.dll into a process, suspended or running.
bool let_in(HANDLE process) {
  const std::wstring dll = program_path(L"contrast_switch.dll");
  const SIZE_T size = (dll.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  WriteProcessMemory(process, remote, dll.c_str(), size, nullptr);
  const auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
  const HANDLE thread = CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
  DWORD loaded = 0;
  if (thread != nullptr && WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0) {
    GetExitCodeThread(thread, &loaded);
  }
  CloseHandle(thread);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return loaded != 0;
}

// What a person sees of a notice in the theme, in its pixels: the rule under the title strip, the
// close box, and the ink of what the picture told (its sign, or the print notice's words), found
// in an area clear of the labels, about where the picture has it.
struct Look {
  std::string name;
  std::wstring program;
  wchar_t kind;
  int rule_row;
  RECT close_box, search, told;
  POINT ink, no_ink;  // a triangle reaches the bottom-left corner, a circle the left side
};
const Look kWarning{"OrvaneMessage-contrast", message_program(), L'X',    20,     {542, 2, 565, 17},
                    {1, 22, 86, 121},         {6, 30, 84, 101},  {9, 99}, {9, 64}};
const Look kInformation{"OrvaneMessage-info-contrast",
                        message_program(),
                        L'I',
                        20,
                        {542, 2, 565, 17},
                        {1, 22, 86, 121},
                        {8, 29, 77, 99},
                        {9, 64},
                        {9, 99}};
// Tahoma's words are a little narrower and taller than the picture's (x 50-215, y 173-252).
const Look kPrint{"OrvanePag-contrast", print_program(),     L'X',      24,       {236, 4, 259, 19},
                  {1, 110, 263, 400},   {52, 173, 212, 256}, {61, 230}, {61, 270}};

// For a person to look at, when E2E_SCREENSHOTS names a folder.
void keep(const ScreenImage& image, const std::string& name) {
  if (const char* folder = std::getenv("E2E_SCREENSHOTS"); folder != nullptr) {
    image.save(std::string(folder) + "\\" + name + ".ppm");
  }
}

// Nothing but the theme's colours: window, text and their blends outside the close box, the frame
// and the rule in the text colour, the close box as a button, and what the picture told.
void expect_in_theme(const ScreenImage& image, const Look& look) {
  SCOPED_TRACE(look.name);
  keep(image, look.name);
  int off_theme = 0;
  int off_frame = 0;
  RECT ink{image.width(), image.height(), 0, 0};
  for (LONG y = 0; y < image.height(); ++y) {
    for (LONG x = 0; x < image.width(); ++x) {
      const Rgb c = image.at(x, y);
      const bool edge = x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1;
      off_frame += (edge || y == look.rule_row) && !(c == role(1));
      off_theme += !PtInRect(&look.close_box, {x, y}) && (c.b != 0 || std::abs(c.r - c.g) > 2);
      if (PtInRect(&look.search, {x, y}) && is_theme_ink(c)) {
        ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1L),
               std::max(ink.bottom, y + 1L)};
      }
    }
  }
  EXPECT_EQ(off_theme, 0);
  EXPECT_EQ(off_frame, 0);
  const RECT& box = look.close_box;
  EXPECT_EQ(image.at(box.left, box.top), role(3));
  EXPECT_EQ(image.at(box.right - 1, box.bottom - 1), role(3));
  EXPECT_EQ(image.at(box.left + 1, box.top + 1), role(2));
  EXPECT_GT(image.count(box.left + 1, box.top + 1, width(box) - 2, height(box) - 2,
                        [](Rgb c) { return c.r > 200 && c.b > 200; }),
            10);
  EXPECT_NEAR(ink.left, look.told.left, 4);
  EXPECT_NEAR(ink.top, look.told.top, 4);
  EXPECT_NEAR(ink.right, look.told.right, 4);
  EXPECT_NEAR(ink.bottom, look.told.bottom, 4);
  EXPECT_TRUE(is_theme_ink(image.at(look.ink.x, look.ink.y)));
  EXPECT_EQ(image.at(look.no_ink.x, look.no_ink.y), role(0));
  EXPECT_GT(image.count(0, 2, look.close_box.left, 15, is_theme_ink), 100) << "the title";
}

std::wstring sample(wchar_t kind) {
  return notice_argument(kind, L' ', L"Impressora sem papel", L"Coloque papel na bandeja 2",
                         L"Chamado 1234");
}

TEST(ContrastTheme, EachNoticeStartedInAThemeShowsItsColoursAndNoPicture) {
  ContrastTheme theme;
  theme.set(true);
  for (const Look* look : {&kWarning, &kInformation, &kPrint}) {
    bool let = false;
    const ShownNotice notice = show_notice(look->program, sample(look->kind),
                                           {.before_start = [&](HANDLE p) { let = let_in(p); }});
    ASSERT_TRUE(let);
    expect_in_theme(notice.image, *look);
  }
}

// Both ways while a notice shows; switched off, it is again exactly as it was.
TEST(ContrastTheme, SwitchedOnAndOffWhileANoticeShows) {
  ContrastTheme theme;
  for (Look look : {kWarning, kPrint}) {
    const ShownNotice notice = show_notice(look.program, sample(look.kind));
    ASSERT_TRUE(let_in(notice.process.handle()));
    theme.set(true, notice.window);
    EXPECT_TRUE(wait_until([&] { return settled_image(notice.window).at(0, 60) == role(1); }, 5s));
    const std::string name = std::exchange(look.name, look.name + "-on");
    expect_in_theme(settled_image(notice.window), look);
    theme.set(false, notice.window);
    EXPECT_TRUE(wait_until([&] { return settled_image(notice.window) == notice.image; }, 5s));
    keep(settled_image(notice.window), name + "-off");
  }
}

}  // namespace
}  // namespace e2e
