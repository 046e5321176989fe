// Start-up signal handling on Linux: the default actions for SIGCHLD and SIGPIPE and
// an empty signal mask.
#include "net/startsignals.h"

#include <csignal>
#include <initializer_list>

void RestoreSignalDefaults() {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    for (const int signal : {SIGCHLD, SIGPIPE})
        ::sigaction(signal, &defaultAction, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}
