#pragma once

// The first thing each program of Orvantis does (the program itself and its netsh):
// put back the signal handling that it relies on, whatever its parent left it.
//
// Linux: SIGCHLD and SIGPIPE take their default actions and no signal stays blocked.
// A parent that ignores SIGCHLD would hand that on through exec, and then every
// child reaps itself: no wait could read an exit code. An ignored SIGPIPE would be
// handed on to every tool that netsh runs, which expect the default. Other ignored
// signals stay as they are (nohup's SIGHUP is the user's choice).
// Windows: nothing to do.
//
// Call it at the very start of main(), before any thread is made.
void RestoreSignalDefaults();
