#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Whether the user counts as an administrator of this machine for the purpose of
// changing network settings. Windows: the calling thread's access token (or the
// process's, when the thread has none of its own) lists the built-in Administrators
// group (S-1-5-32-544), whatever the group's attribute flags. Linux: whether netsh will
// be allowed to change a connection. With NetworkManager running (which decides by the
// user and ignores capabilities): NetworkManager grants the user the right to modify
// system connections ("yes", or "auth" where the desktop will ask for a password).
// Without it: this process holds CAP_NET_ADMIN in its effective set, netsh keeps it
// when it is started (root normally does), and the user namespace that grants it owns
// the network namespace that netsh changes.
//
// Asked anew at every call; never throws and shows nothing: any failure answers false.
// On Linux it answers within 50 ms: NetworkManager gets 40 ms to answer.
bool IsAdmin() noexcept;

// Linux: NetworkManager's answer whether this user may modify system connections
// ("yes" or "auth"), asked over the system bus (dbus-send, else nmcli, from the system
// folders only) and given 40 ms. Null when no answer came: neither program is there,
// NetworkManager does not answer, or not in time. Never throws.
std::optional<bool> NetworkManagerAllowsChange() noexcept;

// ---- The Linux half, kept pure so that it is tested on any machine -----------------

// Whether the text of /proc/self/status has a "CapEff:" line whose hexadecimal mask
// holds CAP_NET_ADMIN (bit 12). A missing or malformed line answers false.
bool statusGrantsNetAdmin(std::string_view procSelfStatus) noexcept;

// What decides the capabilities of a program that this process starts, from the text of
// /proc/self/status: the five capability sets, the real and effective user ids (as this
// process's user namespace counts them) and the no_new_privs flag.
struct CapabilityState {
    std::uint64_t inheritable = 0;
    std::uint64_t permitted = 0;
    std::uint64_t effective = 0;
    std::uint64_t bounding = 0;
    std::uint64_t ambient = 0; // kernels before 4.3 have none
    std::uint32_t realUid = 0;
    std::uint32_t effectiveUid = 0;
    bool noNewPrivs = false; // kernels before 4.10 do not say
};

// Null when a line that every kernel writes (CapInh, CapPrm, CapEff, CapBnd, Uid) is
// missing or malformed.
std::optional<CapabilityState> parseCapabilityState(std::string_view procSelfStatus) noexcept;

// The effective capability set of a program without file capabilities and without a
// set-user-ID bit (as netsh is installed) right after this process has started it
// (execve), as the kernel computes it. noRoot: the securebit SECBIT_NOROOT is set, so
// that uid 0 earns nothing by itself.
std::uint64_t effectiveAfterExec(const CapabilityState& state, bool noRoot) noexcept;

// Whether the started program holds CAP_NET_ADMIN, and this process holds it in its
// effective set now too (a process that has lowered it has given the right up).
bool startedProgramKeepsNetAdmin(const CapabilityState& state, bool noRoot) noexcept;

// Whether NetworkManager's list of permissions grants
// org.freedesktop.NetworkManager.settings.modify.system ("yes" or "auth"), as
// `dbus-send --print-reply=literal ... GetPermissions` prints it (the name, blanks, the
// value) or `nmcli -t -f PERMISSION,VALUE general permissions` (the name, a colon, the value).
bool permissionsGrantSystemChange(std::string_view permissions) noexcept;
