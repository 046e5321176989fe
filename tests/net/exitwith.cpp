// Test helper: ends with the exit code given as its argument ("exitwith 3"), or by
// the signal given after "signal" ("exitwith signal 15"). Prints before it ends with
// "exitwith say OUT ERR CODE" (the line OUT on standard output, then the line ERR on
// standard error), "exitwith oem CODE" (the bytes 81 84 94, "\u00fc\u00e4\u00f6" in the
// console code pages 437 and 850, and a line end) and "exitwith flood BYTES CODE" (BYTES
// bytes of numbered lines "line 000001\n" ... on standard output, every tenth line on
// standard error instead).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int code(const char* text) {
    return static_cast<int>(std::strtoul(text, nullptr, 0));
}

int flood(unsigned long bytes, int exitCode) {
    constexpr unsigned long kLineLength = 12; // "line 000001\n"
    for (unsigned long number = 1; number * kLineLength <= bytes; ++number) {
        std::FILE* stream = number % 10 == 0 ? stderr : stdout;
        std::fprintf(stream, "line %06lu\n", number);
        std::fflush(stream); // the two streams stay in the order the lines were written
    }
    return exitCode;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "signal") {
        std::raise(std::atoi(argv[2]));
        return 100; // the signal did not end the program
    }
    if (argc == 5 && std::string(argv[1]) == "say") {
        std::printf("%s\n", argv[2]);
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", argv[3]);
        std::fflush(stderr);
        return code(argv[4]);
    }
    if (argc == 3 && std::string(argv[1]) == "oem") {
        std::fputs("\x81\x84\x94\n", stdout);
        return code(argv[2]);
    }
    if (argc == 4 && std::string(argv[1]) == "flood")
        return flood(std::strtoul(argv[2], nullptr, 0), code(argv[3]));
    if (argc != 2)
        return 101;
    std::exit(code(argv[1]));
}
