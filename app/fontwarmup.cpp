#include "app/fontwarmup.h"

#include <utility>

FontConfigurationWarmUp::FontConfigurationWarmUp() {
    if (std::function<void()> load = FontConfigurationLoader())
        m_loader = std::thread(std::move(load));
}

FontConfigurationWarmUp::~FontConfigurationWarmUp() {
    finish();
}

void FontConfigurationWarmUp::finish() {
    if (m_loader.joinable())
        m_loader.join();
}
