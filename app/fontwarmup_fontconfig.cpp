// Linux and other fontconfig systems: Qt's font database reads fontconfig's
// configuration (dozens of XML files) and font caches when the first text is
// measured; FcInit() loads the same process-wide configuration, which Qt then uses.
#include "app/fontwarmup.h"

#include <fontconfig/fontconfig.h>

std::function<void()> FontConfigurationLoader() {
    return [] { FcInit(); };
}
