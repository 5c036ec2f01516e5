#pragma once

#include <string>
#include <string_view>

namespace e2e {

// The directory of the running test program; the notice programs are built beside it.
std::wstring own_directory();

// The full path of a program in that directory, e.g. L"OrvaneMessage.exe".
std::wstring program_path(std::wstring_view file_name);

bool file_exists(const std::wstring& path);

std::string narrow(std::wstring_view text);

}  // namespace e2e
