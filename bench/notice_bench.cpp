// Measures one run of a notice program, or of the baseline, from outside the process:
//   notice_bench.exe notice|baseline <program.exe> <width twips> <height twips> <period ms>
//                    launch|timed|untimed
// It starts the program with CreateProcessW and an exact command line, watches its window about
// once a millisecond, and prints one "name value" line per figure:
//   launch_to_window_ms, launch_to_opaque_ms, fade_in_ms, first_alpha          every run
//   slide_visible_ms, tick_to_exit_ms, exit_code                               timed runs
//   cpu_wait_ms, cpu_wait_percent, cpu_opaque_ms, cpu_opaque_percent,
//   cpu_from_linux, cpu_threads_ms, cpu_threads, process_times_ms,
//   own_process_times_ms, peak_working_set_kb, peak_pagefile_kb,
//   working_set_kb, pagefile_kb                                                untimed runs
// A launch run ends the program once its window is opaque. A timed run waits for the program's
// own timer (the period) and then for its end. An untimed run watches the program for 6.5 s once
// its window is opaque and counts its CPU time over two 5-s spans: from opacity, which includes
// the sound it plays then, and waiting, from 1.5 s after opacity, when its sound (under 1.5 s) is
// over; then it ends the program. Exit code 0 when the run was measured, 1 with a
// message on stderr when it was not.
#include <windows.h>
// After windows.h, which they need.
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "command_lines.hpp"
#include "desktop_input.hpp"
#include "linux_process.hpp"
#include "slide_geometry.hpp"
#include "timeline.hpp"

namespace {

constexpr double kWaitingMs = 5000.0;
// Every notice sound is shorter than this; waiting is counted from then on.
constexpr double kSoundMs = 1500.0;
constexpr double kLaunchTimeoutMs = 20000.0;
constexpr double kExitTimeoutMs = 60000.0;
// Until this long before the timer can tick, a look every 25 ms is enough.
constexpr double kTickMarginMs = 500.0;

struct Options {
  bool baseline = false;
  // Started on a window station nobody sees, from where the notice hands itself on to the desktop.
  bool hidden = false;
  std::wstring program;
  long long width = 0;   // twips
  long long height = 0;  // twips
  long long period = 0;  // ms
  std::wstring sound;    // played by the baseline, as the notice plays its own; may be empty
  enum class Mode { launch, timed, untimed } mode = Mode::launch;
};

class Clock {
 public:
  Clock() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  double ms() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
           static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
};

long long number(const wchar_t* text) {
  wchar_t* end = nullptr;
  const long long value = std::wcstoll(text, &end, 10);
  if (end == text || *end != L'\0' || value < 0) {
    throw std::invalid_argument("not a number: an argument");
  }
  return value;
}

Options read_options(int argc, wchar_t** argv) {
  if (argc != 7 && argc != 8) {
    throw std::invalid_argument(
        "usage: notice_bench notice|hidden|baseline <program.exe> <width twips> <height twips> "
        "<period ms> launch|timed|untimed [<sound file for the baseline>]");
  }
  Options options;
  const std::wstring kind = argv[1];
  const std::wstring mode = argv[6];
  if (kind != L"notice" && kind != L"hidden" && kind != L"baseline") {
    throw std::invalid_argument("the first argument is notice, hidden or baseline");
  }
  options.hidden = kind == L"hidden";
  if (options.hidden && mode != L"launch") {
    throw std::invalid_argument("a hidden start is measured in launch runs only");
  }
  if (mode == L"launch") {
    options.mode = Options::Mode::launch;
  } else if (mode == L"timed") {
    options.mode = Options::Mode::timed;
  } else if (mode == L"untimed") {
    options.mode = Options::Mode::untimed;
  } else {
    throw std::invalid_argument("the last argument is launch, timed or untimed");
  }
  options.baseline = kind == L"baseline";
  options.program = argv[2];
  options.width = number(argv[3]);
  options.height = number(argv[4]);
  options.period = number(argv[5]);
  options.sound = argc == 8 ? argv[7] : L"";
  if (options.width < 1 || options.height < 1 || options.period < 1) {
    throw std::invalid_argument("width, height and period must be positive");
  }
  return options;
}

bool timed(const Options& options) { return options.mode == Options::Mode::timed; }

std::wstring argument_for(const Options& options) {
  if (options.baseline) {
    std::wstring argument = std::to_wstring(options.width) + L" " +
                            std::to_wstring(options.height) + L" " +
                            std::to_wstring(timed(options) ? options.period : 0);
    if (!options.sound.empty()) {
      argument += L" \"" + options.sound + L"\"";
    }
    return argument;
  }
  return bench::notice_argument(L'X', timed(options),
                                L"Falha na impressao: a impressora do 2o andar esta sem papel",
                                L"Coloque papel A4 na bandeja 2 e clique em Continuar no painel",
                                L"Trabalho 4471 de Joao Pereira (3 copias) aguarda na fila");
}

struct Launched {
  HANDLE process = nullptr;
  DWORD id = 0;
};

// A window station of the bench's own without WSF_VISIBLE, as a service's is, and its desktop.
class HiddenStation {
 public:
  HiddenStation() {
    const HWINSTA own = GetProcessWindowStation();
    station_ = CreateWindowStationW(L"OrvaneBenchHidden", 0, WINSTA_ALL_ACCESS, nullptr);
    if (station_ == nullptr || !SetProcessWindowStation(station_)) {
      throw std::runtime_error("cannot create a hidden window station");
    }
    desktop_ = CreateDesktopW(L"Hidden", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    if (desktop_ == nullptr) {
      throw std::runtime_error("cannot create a desktop on the hidden station");
    }
  }
  ~HiddenStation() {
    CloseDesktop(desktop_);
    CloseWindowStation(station_);
  }
  HiddenStation(const HiddenStation&) = delete;
  HiddenStation& operator=(const HiddenStation&) = delete;

 private:
  HWINSTA station_ = nullptr;
  HDESK desktop_ = nullptr;
};

// The process the given one started, polled until the timeout.
Launched handed_on_from(const Clock& clock, const Launched& first) {
  while (clock.ms() < kLaunchTimeoutMs) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD child = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more != 0 && child == 0;
         more = Process32NextW(snapshot, &entry)) {
      child = entry.th32ParentProcessID == first.id ? entry.th32ProcessID : 0;
    }
    CloseHandle(snapshot);
    if (child != 0) {
      return {
          OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, child),
          child};
    }
    if (WaitForSingleObject(first.process, 5) == WAIT_OBJECT_0) {
      throw std::runtime_error("the program on the hidden station ended without handing on");
    }
  }
  throw std::runtime_error("nothing was handed on from the hidden station");
}

Launched launch(const std::wstring& program, const std::wstring& line, bool hidden) {
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  wchar_t desktop[] = L"OrvaneBenchHidden\\Hidden";
  startup.lpDesktop = hidden ? desktop : nullptr;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &info) == 0) {
    throw std::runtime_error("CreateProcessW failed, error " + std::to_string(GetLastError()));
  }
  CloseHandle(info.hThread);
  return {info.hProcess, info.dwProcessId};
}

// The top-level window of the process with the expected size: Wine gives a GUI thread other,
// hidden, top-level windows of its own.
HWND find_window(DWORD process_id, int width, int height) {
  struct Search {
    DWORD process_id;
    int width;
    int height;
    HWND found;
  } search{process_id, width, height, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM context) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        RECT rect{};
        if (owner == wanted.process_id && GetWindowRect(hwnd, &rect) &&
            rect.right - rect.left == wanted.width && rect.bottom - rect.top == wanted.height) {
          wanted.found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bench::Sample look(const Clock& clock, HANDLE process, HWND window) {
  bench::Sample sample;
  sample.exited = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  RECT rect{};
  if (window != nullptr && GetWindowRect(window, &rect)) {
    sample.window = true;
    sample.rect = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    BYTE alpha = 0;
    DWORD flags = 0;
    if (GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) && (flags & LWA_ALPHA) != 0) {
      sample.alpha = alpha;
    }
  }
  sample.ms = clock.ms();
  return sample;
}

ULONGLONG to_100ns(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// CPU time of a process as the sum over its threads. GetProcessTimes cannot serve under Wine: for
// another process it returns the caller's own user and kernel times. GetThreadTimes reads each
// thread's real times. The threads are listed when the measurement starts and when it ends (a
// list is costly under Wine) and read through their handles in between; a thread that ends keeps
// the time it was last read with.
class ThreadCpu {
 public:
  explicit ThreadCpu(DWORD process_id) : process_id_(process_id) { add_threads(true); }
  ThreadCpu(const ThreadCpu&) = delete;
  ThreadCpu& operator=(const ThreadCpu&) = delete;
  ~ThreadCpu() {
    for (const auto& [id, thread] : threads_) {
      CloseHandle(thread.handle);
    }
  }

  void sample() {
    for (auto& [id, thread] : threads_) {
      // An ended thread reads as 0 under Wine: its last reading stands.
      thread.last = std::max(thread.last, read(thread.handle));
    }
  }
  // Reads them all once more and takes in the threads that started meanwhile, whose whole time
  // falls in the measurement.
  void finish() {
    sample();
    add_threads(false);
  }
  double ms() const {
    ULONGLONG total = 0;
    for (const auto& [id, thread] : threads_) {
      total += thread.last - thread.first;
    }
    return static_cast<double>(total) / 10000.0;
  }
  std::size_t threads() const { return threads_.size(); }

 private:
  struct Thread {
    HANDLE handle;
    ULONGLONG first;
    ULONGLONG last;
  };

  static ULONGLONG read(HANDLE thread) {
    FILETIME created{};
    FILETIME ended{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) {
      return 0;
    }
    return to_100ns(kernel) + to_100ns(user);
  }

  void add_threads(bool at_start) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
      throw std::runtime_error("CreateToolhelp32Snapshot failed");
    }
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
      if (entry.th32OwnerProcessID != process_id_ || threads_.contains(entry.th32ThreadID)) {
        continue;
      }
      const HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
      if (thread == nullptr) {
        continue;
      }
      const ULONGLONG time = read(thread);
      threads_[entry.th32ThreadID] = {thread, at_start ? time : 0, time};
    }
    CloseHandle(snapshot);
  }

  DWORD process_id_;
  std::map<DWORD, Thread> threads_;
};

std::string utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                      nullptr, nullptr);
  return result;
}

// A file of Linux's /proc through Wine's Z: drive; its size reads as 0, so it is read to its end.
std::optional<std::string> read_proc_file(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return std::nullopt;
  }
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    text.append(buffer, read);
  }
  CloseHandle(file);
  return text;
}

// The program's own Linux process under Wine, whose /proc/<pid>/stat counts the CPU time of every
// thread it had, ended ones too. Found by its command line; none when not run under Wine.
class LinuxProcess {
 public:
  static std::optional<LinuxProcess> find(const std::wstring& command_line) {
    const std::string wanted = utf8(command_line);
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) {
      return std::nullopt;
    }
    std::optional<LinuxProcess> found;
    do {
      const std::wstring name = entry.cFileName;
      if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) {
        continue;
      }
      const auto cmdline = read_proc_file(L"Z:\\proc\\" + name + L"\\cmdline");
      if (cmdline && bench::is_command(*cmdline, wanted)) {
        found = LinuxProcess(L"Z:\\proc\\" + name + L"\\stat");
        break;
      }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
  }

  std::optional<double> cpu_ms() const {
    // USER_HZ, the unit of /proc's times, is 100 on every Linux Wine runs on.
    constexpr long kTicksPerSecond = 100;
    const auto stat = read_proc_file(stat_path_);
    return stat ? bench::cpu_ms_from_stat(*stat, kTicksPerSecond) : std::nullopt;
  }

 private:
  explicit LinuxProcess(std::wstring stat_path) : stat_path_(std::move(stat_path)) {}
  std::wstring stat_path_;
};

double process_times_ms(HANDLE process) {
  FILETIME created{};
  FILETIME ended{};
  FILETIME kernel{};
  FILETIME user{};
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) {
    return -1.0;
  }
  return static_cast<double>(to_100ns(kernel) + to_100ns(user)) / 10000.0;
}

void print(const char* name, double value) { std::printf("%s %.3f\n", name, value); }

void print_launch_figures(const bench::Timeline& timeline) {
  print("launch_to_window_ms", *timeline.window_seen);
  print("launch_to_opaque_ms", *timeline.opaque);
  print("fade_in_ms", *timeline.opaque - timeline.fade_started.value_or(*timeline.opaque));
  print("first_alpha", timeline.first_alpha.value_or(255));
}

// Waits for the window and its full opacity; the timeline then holds both.
HWND watch_until_opaque(const Clock& clock, const Launched& child, const bench::PixelRect& size,
                        bench::Timeline& timeline) {
  HWND window = nullptr;
  while (!timeline.opaque) {
    if (window == nullptr) {
      window = find_window(child.id, size.width, size.height);
    }
    const bench::Sample sample = look(clock, child.process, window);
    timeline.observe(sample);
    if (sample.exited) {
      throw std::runtime_error(window == nullptr ? "the program ended without its window"
                                                 : "the program ended before it was opaque");
    }
    if (sample.ms > kLaunchTimeoutMs) {
      throw std::runtime_error(window == nullptr ? "no window of the expected size"
                                                 : "the window never became opaque");
    }
    Sleep(1);
  }
  return window;
}

void measure_timed(const Clock& clock, const Launched& child, HWND window, const Options& options,
                   bench::Timeline& timeline) {
  // The timer starts while the program loads, after its window exists.
  const double earliest_tick = *timeline.window_seen + static_cast<double>(options.period);
  while (!timeline.exited) {
    const bench::Sample sample = look(clock, child.process, window);
    timeline.observe(sample);
    if (timeline.exited) {
      break;
    }
    if (sample.ms > earliest_tick + kExitTimeoutMs) {
      throw std::runtime_error("the program did not slide out and end");
    }
    if (sample.ms < earliest_tick - kTickMarginMs) {
      Sleep(25);
    } else if (WaitForSingleObject(child.process, 1) == WAIT_OBJECT_0) {
      bench::Sample ended;
      ended.ms = clock.ms();
      ended.exited = true;
      timeline.observe(ended);
    }
  }
  if (!timeline.slide_started) {
    throw std::runtime_error("the program ended without sliding out");
  }
  DWORD code = 0;
  GetExitCodeProcess(child.process, &code);
  print_launch_figures(timeline);
  print("slide_visible_ms",
        timeline.off_screen.value_or(*timeline.exited) - *timeline.slide_started);
  print("tick_to_exit_ms", *timeline.exited - *timeline.slide_started);
  print("exit_code", code);
  if (code != 0) {
    throw std::runtime_error("the program ended with exit code " + std::to_string(code));
  }
}

void measure_waiting(const Clock& clock, const Launched& child, const std::wstring& command,
                     const bench::Timeline& timeline) {
  const std::optional<LinuxProcess> linux_process = LinuxProcess::find(command);
  auto linux_cpu = [&] { return linux_process ? linux_process->cpu_ms() : std::nullopt; };
  ThreadCpu threads(child.id);
  const double own_before = process_times_ms(GetCurrentProcess());
  const double reported_before = process_times_ms(child.process);
  // The Linux count at 0, 1.5, 5 and 6.5 s after opacity: the starts and ends of the two spans.
  std::array<std::optional<double>, 4> linux_at{linux_cpu(), {}, {}, {}};
  std::array<double, 4> at{clock.ms(), 0.0, 0.0, 0.0};
  constexpr std::array<double, 4> kMarks{0.0, kSoundMs, kWaitingMs, kSoundMs + kWaitingMs};
  for (std::size_t mark = 1; mark < kMarks.size(); ++mark) {
    while (clock.ms() - at[0] < kMarks[mark]) {
      const double left = kMarks[mark] - (clock.ms() - at[0]);
      const DWORD wait = static_cast<DWORD>(std::clamp(left, 1.0, 100.0));
      if (WaitForSingleObject(child.process, wait) == WAIT_OBJECT_0) {
        throw std::runtime_error("an untimed program ended while waiting");
      }
      threads.sample();
    }
    linux_at[mark] = linux_cpu();
    at[mark] = clock.ms();
  }
  threads.finish();
  const double own_after = process_times_ms(GetCurrentProcess());
  const double reported_after = process_times_ms(child.process);

  const HANDLE query = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, child.id);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  const bool have_memory =
      query != nullptr && GetProcessMemoryInfo(query, &memory, sizeof memory) != 0;
  if (query != nullptr) {
    CloseHandle(query);
  }
  if (!have_memory) {
    throw std::runtime_error("GetProcessMemoryInfo failed, error " +
                             std::to_string(GetLastError()));
  }

  print_launch_figures(timeline);
  // Linux's count when there is one: the thread sum misses threads that end between two looks,
  // like those that play the sound, and covers only the whole 6.5 s.
  const bool from_linux =
      std::all_of(linux_at.begin(), linux_at.end(),
                  [](const std::optional<double>& ms) { return ms.has_value(); });
  auto span = [&](std::size_t from, std::size_t to, const char* name) {
    const double cpu_ms = from_linux ? *linux_at[to] - *linux_at[from] : threads.ms();
    const double window_ms = from_linux ? at[to] - at[from] : at[3] - at[0];
    print((std::string(name) + "_ms").c_str(), cpu_ms);
    print((std::string(name) + "_percent").c_str(), 100.0 * cpu_ms / window_ms);
  };
  span(1, 3, "cpu_wait");
  span(0, 2, "cpu_opaque");
  print("cpu_from_linux", from_linux ? 1.0 : 0.0);
  print("cpu_threads_ms", threads.ms());
  print("cpu_threads", static_cast<double>(threads.threads()));
  print("process_times_ms", reported_after - reported_before);
  print("own_process_times_ms", own_after - own_before);
  print("peak_working_set_kb", static_cast<double>(memory.PeakWorkingSetSize) / 1024.0);
  print("peak_pagefile_kb", static_cast<double>(memory.PeakPagefileUsage) / 1024.0);
  print("working_set_kb", static_cast<double>(memory.WorkingSetSize) / 1024.0);
  print("pagefile_kb", static_cast<double>(memory.PagefileUsage) / 1024.0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Launched child;
  Launched handed_on;
  try {
    const Options options = read_options(argc, argv);
    // The notice is drawn at the display's scale, which this program reads as it does.
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const auto pixels = [dpi](long long twips) {
      return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / 1440.0));
    };
    const bench::PixelRect size{0, 0, pixels(options.width), pixels(options.height)};
    bench::Timeline timeline(GetSystemMetrics(SM_XVIRTUALSCREEN) +
                             GetSystemMetrics(SM_CXVIRTUALSCREEN));
    const std::wstring command = bench::command_line(options.program, argument_for(options));
    if (timed(options)) {
      // A timed notice counts its period only while someone is at the PC.
      e2e::someone_at_the_keyboard();
    }
    // A moment for the start of this program (and the input) to settle before the clock starts.
    Sleep(200);
    const std::optional<HiddenStation> station =
        options.hidden ? std::make_optional<HiddenStation>() : std::nullopt;
    const Clock clock;
    child = launch(options.program, command, options.hidden);
    if (options.hidden) {
      // The first process waits for the notice it handed on; the clock runs from its start.
      handed_on = child;
      child = handed_on_from(clock, handed_on);
    }
    const HWND window = watch_until_opaque(clock, child, size, timeline);
    switch (options.mode) {
      case Options::Mode::launch:
        print_launch_figures(timeline);
        break;
      case Options::Mode::timed:
        measure_timed(clock, child, window, options, timeline);
        break;
      case Options::Mode::untimed:
        measure_waiting(clock, child, command, timeline);
        break;
    }
    std::fflush(stdout);
  } catch (const std::exception& failure) {
    std::fflush(stdout);
    std::fprintf(stderr, "notice_bench: %s\n", failure.what());
    for (const Launched& started : {child, handed_on}) {
      if (started.process != nullptr) {
        TerminateProcess(started.process, 1);
        WaitForSingleObject(started.process, 5000);
      }
    }
    return 1;
  }
  for (const Launched& started : {child, handed_on}) {
    if (started.process != nullptr && WaitForSingleObject(started.process, 0) == WAIT_TIMEOUT) {
      TerminateProcess(started.process, 0);
      WaitForSingleObject(started.process, 5000);
    }
    if (started.process != nullptr) {
      CloseHandle(started.process);
    }
  }
  return 0;
}
