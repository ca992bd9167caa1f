#include "Platform/Graphics/GraphicsAccelerators.h"

#include "Platform/Graphics/DrmCards.h"
#include "Platform/Graphics/NvidiaManagementLibrary.h"

#include <QDir>

namespace {

constexpr quint32 nvidiaVendor = 0x10de;

std::string_view view(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

// Whether an NVIDIA display controller is present and awake. The management library is not even
// started otherwise: starting it would wake a card that sleeps to save a laptop's battery.
bool nvidiaCardAwake(const QString& sysRoot)
{
    const QDir pci(sysRoot + QStringLiteral("/bus/pci/devices"));
    const QStringList devices = pci.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : devices) {
        const QString device = pci.filePath(name);
        const auto vendor = DrmCards::readAttribute(device + QStringLiteral("/vendor"));
        if (!vendor || DrmCards::parseHex(view(*vendor)) != nvidiaVendor)
            continue;
        // Display controllers are class 0x03xxxx.
        const auto deviceClass = DrmCards::readAttribute(device + QStringLiteral("/class"));
        const auto classValue = deviceClass ? DrmCards::parseHex(view(*deviceClass)) : std::nullopt;
        if (!classValue || (*classValue >> 16) != 0x03)
            continue;
        const auto status = DrmCards::readAttribute(device + QStringLiteral("/power/runtime_status"));
        if (!status || !DrmCards::isSuspended(view(*status)))
            return true;
    }
    return false;
}

} // namespace

GraphicsAccelerators::GraphicsAccelerators(const QString& sysRoot, bool useNvidiaLibrary)
    : m_sysRoot(sysRoot)
{
    if (useNvidiaLibrary) {
        m_nvidia = std::make_unique<NvidiaManagementLibrary>();
        if (!m_nvidia->isLoaded())
            m_nvidia.reset();
    }
}

GraphicsAccelerators::~GraphicsAccelerators() = default;

QList<QVariantMap> GraphicsAccelerators::statistics()
{
    QList<QVariantMap> result;
    for (const QString& device : DrmCards::devices(m_sysRoot))
        if (auto figures = DrmCards::statistics(device))
            result.append(std::move(*figures));
    if (m_nvidia && nvidiaCardAwake(m_sysRoot))
        result.append(m_nvidia->statistics());
    return result;
}
