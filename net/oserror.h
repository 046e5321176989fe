#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// The error for a failed platform call. It carries the platform's error code; its
// text is "System Error.  Code: <code>.\r\n<the platform's message for the code>".
class EOSError : public std::runtime_error {
public:
    // The platform's own message text for code (see SysErrorMessage).
    explicit EOSError(std::uint32_t code);
    // A message text given by the caller, for codes that the caller defines itself.
    EOSError(std::uint32_t code, const std::string& platformText);

    std::uint32_t ErrorCode() const noexcept { return m_errorCode; }

private:
    std::uint32_t m_errorCode;
};

// The error text: "System Error.  Code: %d.\r\n%s" with text cleaned by TrimMessageText.
std::string OSErrorMessage(std::uint32_t code, const std::string& platformText);

// The platform's message text, with trailing blanks, control characters and full
// stops removed.
std::string TrimMessageText(std::string text);

// The platform's message text for an error code, already trimmed (Windows:
// FormatMessage from the system; Linux: the C library's text for an errno value).
std::string SysErrorMessage(std::uint32_t code);
