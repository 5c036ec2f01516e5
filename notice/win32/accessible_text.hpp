#pragma once

#include <span>
#include <string>
#include <string_view>

// What a screen reader reads of the labels, kept free of <windows.h> so it can be tested cheaply.
namespace notice::win32 {

// A label's text as the window shows it: the ampersand rule applied as painting applies it ("&&"
// shows one "&", a lone "&" only marks an access key and shows nothing), then the blanks at either
// end dropped, which are not read (nine lead the message notice's title clear of its picture, and
// the fields come padded with blanks to 65 characters).
std::wstring text_as_shown(std::wstring_view label_text);

// The lines as shown, in the order given, one line break between two; a line that shows nothing
// but blanks is skipped.
std::wstring lines_as_shown(std::span<const std::wstring_view> label_texts);

}  // namespace notice::win32
