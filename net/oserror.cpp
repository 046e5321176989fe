#include "net/oserror.h"

namespace {

bool IsTrimmedAtEnd(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || c == '.';
}

} // namespace

EOSError::EOSError(std::uint32_t code) : EOSError(code, SysErrorMessage(code)) {}

EOSError::EOSError(std::uint32_t code, const std::string& platformText)
    : std::runtime_error(OSErrorMessage(code, platformText)), m_errorCode(code) {}

std::string OSErrorMessage(std::uint32_t code, const std::string& platformText) {
    // The code is shown as the signed 32-bit number that it is on the platform.
    const auto shown = static_cast<std::int32_t>(code);
    return "System Error.  Code: " + std::to_string(shown) + ".\r\n" + TrimMessageText(platformText);
}

std::string TrimMessageText(std::string text) {
    while (!text.empty() && IsTrimmedAtEnd(text.back()))
        text.pop_back();
    return text;
}
