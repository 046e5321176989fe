// Test helper: runs a program as a careless parent would leave it, with SIGCHLD and
// SIGPIPE ignored and every signal blocked ("unkindparent PROGRAM ARGS..."). Ignored
// dispositions and the signal mask survive exec, so PROGRAM starts with them.
#include <csignal>
#include <cstdio>
#include <initializer_list>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: unkindparent PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (const int signal : {SIGCHLD, SIGPIPE})
        ::sigaction(signal, &ignore, nullptr);
    sigset_t all;
    sigfillset(&all);
    ::sigprocmask(SIG_SETMASK, &all, nullptr);
    ::execv(argv[1], argv + 1);
    std::perror("unkindparent: exec");
    return 127;
}
