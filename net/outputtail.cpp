#include "net/outputtail.h"

void OutputTail::append(std::string_view bytes) {
    if (bytes.size() >= kOutputLimit) {
        m_cut = m_cut || !m_kept.empty() || bytes.size() > kOutputLimit;
        m_kept.assign(bytes.substr(bytes.size() - kOutputLimit));
        return;
    }
    m_kept.append(bytes);
    if (m_kept.size() > kOutputLimit) {
        m_kept.erase(0, m_kept.size() - kOutputLimit);
        m_cut = true;
    }
}

std::string OutputTail::text() const {
    if (!m_cut)
        return m_kept;
    const auto lineEnd = m_kept.find('\n');
    if (lineEnd == std::string::npos)
        return m_kept;
    return m_kept.substr(lineEnd + 1);
}
