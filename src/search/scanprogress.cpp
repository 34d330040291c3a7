#include "scanprogress.h"

#include <algorithm>
#include <cmath>

void ScanProgress::Start(int estimate)
{
    *this = ScanProgress();
    m_Estimate = std::max(estimate, 0);
}

void ScanProgress::Update(int done, int estimate)
{
    if (estimate > m_Estimate) {
        // the share reached so far stays; the new probes share what is left
        m_AnchorShare = Share();
        m_AnchorDone = m_Done;
        m_Estimate = estimate;
    }
    m_Done = std::clamp(done, m_Done, m_Estimate);
}

double ScanProgress::Share() const
{
    if (m_Estimate <= 0 || m_Done >= m_Estimate)
        return m_Estimate <= 0 ? 0.0 : 1.0;
    const double rest = static_cast<double>(m_Done - m_AnchorDone) / static_cast<double>(m_Estimate - m_AnchorDone);
    return m_AnchorShare + (1.0 - m_AnchorShare) * rest;
}

int ScanProgress::Shown() const
{
    if (m_Estimate > 0 && m_Done >= m_Estimate)
        return kFull;
    // rounded down, so that a full bar always means the scan is through
    return std::min(static_cast<int>(std::floor(Share() * kFull)), kFull - 1);
}

std::optional<std::chrono::milliseconds> ScanProgress::TimeLeft(std::chrono::milliseconds elapsed) const
{
    if (m_Done <= 0)
        return std::nullopt;
    return elapsed * (m_Estimate - m_Done) / m_Done;
}
