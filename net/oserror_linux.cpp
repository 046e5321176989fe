#include "net/oserror.h"

#include <cstring>

std::string SysErrorMessage(std::uint32_t code) {
    char buffer[256] = {};
    // The GNU strerror_r: answers either buffer or a static text of the C library.
    const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    return TrimMessageText(text != nullptr ? text : "");
}
