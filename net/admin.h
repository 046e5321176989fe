#pragma once

#include <string_view>

// Whether the user counts as an administrator of this machine for the purpose of
// changing network settings. Windows: the calling thread's access token (or the
// process's, when the thread has none of its own) lists the built-in Administrators
// group (S-1-5-32-544), whatever the group's attribute flags. Linux: the effective
// user is root, or the effective capability set holds CAP_NET_ADMIN.
//
// Asked anew at every call; never throws and shows nothing: any failure answers false.
bool IsAdmin() noexcept;

// The Linux half, kept pure so that it is tested on any machine: whether the text of
// /proc/self/status has a "CapEff:" line whose hexadecimal mask holds CAP_NET_ADMIN
// (bit 12). A missing or malformed line answers false.
bool statusGrantsNetAdmin(std::string_view procSelfStatus) noexcept;
