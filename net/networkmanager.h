#pragma once

// Whether NetworkManager runs on this machine, found without starting a program:
// NetworkManager keeps the folder /run/NetworkManager while it runs, and the folder
// outlives it, so a live process named NetworkManager must be there too (the one its
// pid file names, else one found among the processes), in this network namespace.
// Linux only; never throws.
bool NetworkManagerRuns() noexcept;
