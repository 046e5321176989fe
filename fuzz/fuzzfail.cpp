#include "fuzzinput.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "property does not hold: %s\n%s\n", what, detail.c_str());
    std::abort();
}

} // namespace fuzz
