#include "Vantor/Preview/SampleReadings.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array kOtherCores {0.18, 0.32, 0.12, 0.44, 0.22, 0.09, 0.51, 0.16, 0.27, 0.35, 0.14, 0.4};
constexpr std::array kFastCores {0.72, 0.88, 0.64, 0.95, 0.58, 0.81};
constexpr std::array kHistory {0.14, 0.22, 0.18, 0.35, 0.48, 0.41, 0.62, 0.55, 0.74, 0.68, 0.52, 0.38};
constexpr int kHistoryLength = 36;

} // namespace

SampleReadings::SampleReadings(QObject* parent)
    : SampleReadings(CoreTopology::totalCores(), CoreTopology::tiers(), parent)
{
}

SampleReadings::SampleReadings(int totalCores, const QList<CoreTier>& tiers, QObject* parent)
    : MenuBarReadings(parent)
{
    const int total = std::max(totalCores, 1);
    m_performanceCores = std::min(total, tiers.isEmpty() ? 0 : std::max(tiers.first().count, 0));
    const int others = total - m_performanceCores;
    for (int j = 0; j < others; ++j)
        m_cores.append(kOtherCores[size_t(j) % kOtherCores.size()]);
    for (int i = 0; i < m_performanceCores; ++i)
        m_cores.append(kFastCores[size_t(i) % kFastCores.size()]);
    for (int k = 0; k < kHistoryLength; ++k)
        m_history.append(kHistory[size_t(k) % kHistory.size()]);
}
