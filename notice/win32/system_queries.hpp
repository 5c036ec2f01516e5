#pragma once

#include <string>

namespace notice::win32 {

// The platform's read-only questions to the system, answered as the core's UTF-16 text.
std::u16string command_text();
// The running program's full path, of any length.
std::u16string module_path();
std::u16string program_directory();
std::u16string current_time();
std::u16string current_date();
// The text size the person chose, in percent (100 to 225); 100 where nothing usable is stored.
int text_size_setting();

}  // namespace notice::win32
