// Runs the fuzz target's entry point once over each file named on the command line
// (folders: every file in them), the way libFuzzer replays a corpus, for builds without
// libFuzzer. A property that does not hold aborts; a crash is a crash.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int replayFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // A copy of its own, so that a read past the end lands outside the input.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int failures = 0;
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    failures += replayFile(entry.path());
                    ++inputs;
                }
            }
        } else {
            failures += replayFile(path);
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    if (inputs == 0) {
        std::fprintf(stderr, "no inputs\n");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
