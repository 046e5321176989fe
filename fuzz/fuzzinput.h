#pragma once
// Reading a fuzzer's bytes as the values a target needs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// The input cut at each NUL byte: a list of texts that hold no NUL.
inline std::vector<std::string> fields(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> result(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            result.emplace_back();
        } else {
            result.back() += static_cast<char>(data[i]);
        }
    }
    return result;
}

// Stops the run with a message when a property does not hold (the fuzzer keeps the input).
void fail(const char* what, const std::string& detail);

inline void check(bool holds, const char* what, const std::string& detail = {}) {
    if (!holds) {
        fail(what, detail);
    }
}

} // namespace fuzz
