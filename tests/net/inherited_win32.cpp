// Test helper (Windows): "orvantis_test_inherited HANDLE" sets the event that the
// handle value HANDLE (decimal) stands for in the parent, when this process inherited
// it. Prints what happened and ends with 0 when it could set it, 1 when not.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 2)
        return 101;
    const auto handle =
        reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(argv[1], nullptr, 10)));
    if (::SetEvent(handle)) {
        std::puts("inherited");
        return 0;
    }
    std::printf("not inherited (error %lu)\n", ::GetLastError());
    return 1;
}
