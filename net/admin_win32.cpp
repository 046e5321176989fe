// The administrator check on Windows: the Administrators group among the groups of
// the thread's (or else the process's) access token.
#include "net/admin.h"

#include <cstddef>
#include <memory>
#include <vector>
#include <windows.h>

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct SidFreer {
    void operator()(PSID sid) const noexcept { ::FreeSid(sid); }
};
using UniqueSid = std::unique_ptr<void, SidFreer>;

constexpr DWORD kFirstGroupBufferSize = 1024;
constexpr int kGroupQueryAttempts = 4;

// The thread's own token; the process's token when the thread has none.
UniqueHandle openToken() {
    HANDLE token = nullptr;
    if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        return UniqueHandle(token);
    if (::GetLastError() != ERROR_NO_TOKEN)
        return nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return UniqueHandle(token);
    return nullptr;
}

// The token's group list (a TOKEN_GROUPS record); empty when it cannot be read. When
// the buffer is too small, the query is asked again with the size it names.
std::vector<std::byte> queryGroups(HANDLE token) {
    std::vector<std::byte> buffer(kFirstGroupBufferSize);
    for (int attempt = 0; attempt < kGroupQueryAttempts; ++attempt) {
        DWORD needed = 0;
        if (::GetTokenInformation(token, TokenGroups, buffer.data(), static_cast<DWORD>(buffer.size()),
                                  &needed))
            return buffer;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size())
            break;
        buffer.resize(needed);
    }
    return {};
}

UniqueSid administratorsSid() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                    0, 0, 0, 0, 0, &sid))
        return nullptr;
    return UniqueSid(sid);
}

bool listsSid(const std::vector<std::byte>& groupBuffer, PSID sid) {
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(groupBuffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (::EqualSid(groups->Groups[i].Sid, sid))
            return true;
    }
    return false;
}

} // namespace

bool IsAdmin() noexcept {
    try {
        std::vector<std::byte> groups;
        {
            const UniqueHandle token = openToken();
            if (!token)
                return false;
            groups = queryGroups(token.get());
        } // the token closes right after the query
        if (groups.empty())
            return false;
        const UniqueSid admins = administratorsSid();
        return admins && listsSid(groups, admins.get());
    } catch (...) {
        return false; // no memory for the group list
    }
}
