// Test helper: appends the arguments it received (argv, the program name included) to
// the file named by ORVANTIS_RECORD_FILE, one record per run: for each argument its
// length, a colon, the bytes and a line feed; then "end" and a line feed.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const char* path = std::getenv("ORVANTIS_RECORD_FILE");
    if (!path)
        return 102;
    std::FILE* file = std::fopen(path, "ab");
    if (!file)
        return 103;
    for (int i = 0; i < argc; ++i) {
        std::fprintf(file, "%zu:", std::strlen(argv[i]));
        std::fwrite(argv[i], 1, std::strlen(argv[i]), file);
        std::fputc('\n', file);
    }
    std::fputs("end\n", file);
    return std::fclose(file) == 0 ? 0 : 104;
}
