#include "Platform/Graphics/GraphicsAccelerators.h"

#include "Platform/Graphics/DrmCards.h"
#include "Platform/Graphics/NvidiaManagementLibrary.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr quint32 nvidiaVendor = 0x10de;

std::string_view view(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

// The NVIDIA display controllers (PCI class 0x03xxxx) of the machine.
QList<QString> nvidiaDisplayDevices(const QString& sysRoot)
{
    QList<QString> result;
    const QDir pci(sysRoot + QStringLiteral("/bus/pci/devices"));
    const QStringList devices = pci.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString& name : devices) {
        const QString device = pci.filePath(name);
        const auto vendor = DrmCards::readAttribute(device + QStringLiteral("/vendor"));
        if (!vendor || DrmCards::parseHex(view(*vendor)) != nvidiaVendor)
            continue;
        const auto deviceClass = DrmCards::readAttribute(device + QStringLiteral("/class"));
        const auto classValue = deviceClass ? DrmCards::parseHex(view(*deviceClass)) : std::nullopt;
        if (classValue && (*classValue >> 16) == 0x03)
            result.append(device);
    }
    return result;
}

} // namespace

GraphicsAccelerators::GraphicsAccelerators(const QString& sysRoot, bool useNvidiaLibrary)
    : m_sysRoot(sysRoot)
{
    if (useNvidiaLibrary) {
        m_nvidiaDevices = nvidiaDisplayDevices(sysRoot);
        if (!m_nvidiaDevices.isEmpty())
            m_nvidia = std::make_unique<NvidiaManagementLibrary>();
        if (m_nvidia && !m_nvidia->isLoaded())
            m_nvidia.reset();
    }
}

GraphicsAccelerators::~GraphicsAccelerators() = default;

QList<QVariantMap> GraphicsAccelerators::statistics()
{
    if (++m_callsSinceListing >= relistEvery) {
        m_cards = DrmCards::devices(m_sysRoot);
        m_callsSinceListing = 0;
    }
    QList<QVariantMap> result;
    for (const QString& device : std::as_const(m_cards)) {
        auto figures = DrmCards::statistics(device);
        if (!figures)
            continue;
        // No figures may mean the card has gone since the listing; it is then left out, and
        // the next call lists the cards again.
        if (figures->isEmpty() && !QFileInfo::exists(device)) {
            m_callsSinceListing = relistEvery;
            continue;
        }
        result.append(std::move(*figures));
    }
    if (m_nvidia && nvidiaCardAwake())
        result.append(m_nvidia->statistics());
    return result;
}

bool GraphicsAccelerators::nvidiaCardAwake() const
{
    // The management library is not even started while every NVIDIA card sleeps: starting it
    // would wake a card that sleeps to save a laptop's battery.
    for (const QString& device : m_nvidiaDevices) {
        const auto status = DrmCards::readAttribute(device + QStringLiteral("/power/runtime_status"));
        if (!status || !DrmCards::isSuspended(view(*status)))
            return true;
    }
    return false;
}
