// Platforms whose fonts need no configuration loaded first (Windows).
#include "app/fontwarmup.h"

std::function<void()> FontConfigurationLoader() {
    return {};
}
