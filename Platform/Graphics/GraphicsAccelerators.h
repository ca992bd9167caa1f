#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>

class NvidiaManagementLibrary;

// The performance statistics of the machine's graphics accelerators: one text-keyed dictionary of
// numbers per accelerator, under these key names:
//   "Device Utilization %"  how busy the accelerator is, as a fraction 0…1
//   "In use system memory"  bytes of memory it holds (video memory and mapped system memory)
// A card whose driver reports no figures yields an empty dictionary. A card that is runtime
// suspended is left out entirely: reading its figures would wake it.
//
// Sources: the amdgpu driver's sysfs files under <sysRoot>/class/drm/card*/device, and NVIDIA's
// management library when it is installed (loaded at run time).
class GraphicsAccelerators {
public:
    static inline const QString utilizationKey = QStringLiteral("Device Utilization %");
    static inline const QString inUseMemoryKey = QStringLiteral("In use system memory");

    explicit GraphicsAccelerators(const QString& sysRoot = QStringLiteral("/sys"), bool useNvidiaLibrary = true);
    ~GraphicsAccelerators();
    GraphicsAccelerators(const GraphicsAccelerators&) = delete;
    GraphicsAccelerators& operator=(const GraphicsAccelerators&) = delete;

    // One dictionary per awake accelerator, in card order; empty when there is none. The cards
    // are listed on the first call and again every `relistEvery` calls (or at once after one has
    // gone), so a card that comes is noticed within seconds without listing on every cycle.
    QList<QVariantMap> statistics();

    static constexpr int relistEvery = 10;

private:
    bool nvidiaCardAwake() const;

    QString m_sysRoot;
    QList<QString> m_cards;
    int m_callsSinceListing = relistEvery;
    // The NVIDIA display controllers present when this was made; the library is only loaded
    // when there is one.
    QList<QString> m_nvidiaDevices;
    std::unique_ptr<NvidiaManagementLibrary> m_nvidia;
};
