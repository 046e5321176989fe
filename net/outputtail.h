#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// How much of what a command line prints is kept: its last 4 KiB.
inline constexpr std::size_t kOutputLimit = 4096;

// The last kOutputLimit bytes of what a process printed, as the bytes came. Pure, so
// that both runners share it and it is tested on every platform.
class OutputTail {
public:
    void append(std::string_view bytes);

    // The bytes kept. Once something was cut off at the front, the text starts with the
    // first whole line that remains (when one does), so that it never begins inside a
    // line or a character.
    std::string text() const;

private:
    std::string m_kept;
    bool m_cut = false;
};
