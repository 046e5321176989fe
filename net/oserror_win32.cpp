#include "net/oserror.h"

#include <memory>
#include <windows.h>

namespace {

struct LocalFreeDeleter {
    void operator()(char* text) const noexcept { LocalFree(text); }
};

} // namespace

std::string SysErrorMessage(std::uint32_t code) {
    char* raw = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                        nullptr, code, 0, reinterpret_cast<char*>(&raw), 0, nullptr);
    const std::unique_ptr<char, LocalFreeDeleter> text(raw);
    if (length == 0 || !text)
        return {};
    return TrimMessageText(std::string(text.get(), length));
}
