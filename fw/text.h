// Text conversions between the receiver's 8-bit texts, the operator's input and
// the window's wide strings.
#pragma once

#include <cstddef>
#include <string>

namespace fw {

// 8-bit text of the system's ANSI code page to a wide string (stops at no NUL:
// the caller passes the length it wants shown).
std::wstring AnsiToWide(const char* text, size_t length);
// Wide text to the calling thread's ANSI code page.
std::string WideToThreadAnsi(const std::wstring& text);
// Plain ASCII (formatted numbers) to a wide string.
std::wstring AsciiToWide(const std::string& text);

}  // namespace fw
