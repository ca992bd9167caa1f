#include "VantorAgent/Sensors/PowerChannel.h"

#include "VantorShared/Language/AppLanguage.h"

QString rawValue(PowerChannel channel)
{
    switch (channel) {
    case PowerChannel::system:
        return QStringLiteral("system");
    case PowerChannel::cpu:
        return QStringLiteral("cpu");
    case PowerChannel::gpu:
        break;
    }
    return QStringLiteral("gpu");
}

QString key(PowerChannel channel)
{
    switch (channel) {
    case PowerChannel::system:
        return QStringLiteral("PSTR");
    case PowerChannel::cpu:
        return QStringLiteral("PPMC");
    case PowerChannel::gpu:
        break;
    }
    return QStringLiteral("P3F2");
}

QString title(PowerChannel channel)
{
    switch (channel) {
    case PowerChannel::system:
        return AppLanguage::string(QStringLiteral("System"));
    case PowerChannel::cpu:
        return AppLanguage::string(QStringLiteral("CPU"));
    case PowerChannel::gpu:
        break;
    }
    return AppLanguage::string(QStringLiteral("GPU"));
}

QString icon(PowerChannel channel)
{
    switch (channel) {
    case PowerChannel::system:
        return QStringLiteral("bolt");
    case PowerChannel::cpu:
        return QStringLiteral("cpu");
    case PowerChannel::gpu:
        break;
    }
    return QStringLiteral("cube.transparent");
}
