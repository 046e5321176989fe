// Test helper (Windows): writes the raw command line it received (GetCommandLineA) to
// the file named by ORVANTIS_RECORD_FILE.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <windows.h>

int main() {
    const char* path = std::getenv("ORVANTIS_RECORD_FILE");
    if (!path)
        return 102;
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return 103;
    const char* line = ::GetCommandLineA();
    std::fwrite(line, 1, std::strlen(line), file);
    return std::fclose(file) == 0 ? 0 : 104;
}
