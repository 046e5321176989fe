// Test helper: ends with the exit code given as its argument ("exitwith 3"), or by
// the signal given after "signal" ("exitwith signal 15").
#include <csignal>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "signal") {
        std::raise(std::atoi(argv[2]));
        return 100; // the signal did not end the program
    }
    if (argc != 2)
        return 101;
    std::exit(static_cast<int>(std::strtoul(argv[1], nullptr, 0)));
}
