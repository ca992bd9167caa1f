#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

#include <optional>
#include <string_view>

// The display cards of the kernel's DRM subsystem as sysfs shows them.
namespace DrmCards {

// The device directories of <sysRoot>/class/drm/card<N> (connectors such as card0-DP-1 are not
// cards), each device once, in card order.
QList<QString> devices(const QString& sysRoot);

// The statistics of one card's device directory; none when the card is runtime suspended.
std::optional<QVariantMap> statistics(const QString& device);

// True when the text of a power/runtime_status file says the device is asleep or falling asleep.
bool isSuspended(std::string_view runtimeStatus);
// An unsigned decimal attribute value ("37\n"); none on anything else.
std::optional<quint64> parseValue(std::string_view text);
// The PCI vendor id of a device ("0x10de\n").
std::optional<quint32> parseHex(std::string_view text);

// Reads a small sysfs attribute; none when it cannot be read.
std::optional<QByteArray> readAttribute(const QString& path);

} // namespace DrmCards
