// Conversions on platforms without ANSI code pages: bytes are taken as Latin-1.
#include "fw/text.h"

namespace fw {

std::wstring AnsiToWide(const char* text, size_t length) {
    std::wstring out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(text[i])));
    return out;
}

std::string WideToThreadAnsi(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) out.push_back(static_cast<unsigned>(c) < 256 ? static_cast<char>(c) : '?');
    return out;
}

std::wstring AsciiToWide(const std::string& text) { return AnsiToWide(text.data(), text.size()); }

}  // namespace fw
