#include "VantorShared/System/MonitorSection.h"

#include "VantorShared/Language/AppLanguage.h"

QString key(MonitorSection section)
{
    switch (section) {
    case MonitorSection::cpu:
        return QStringLiteral("cpu");
    case MonitorSection::memory:
        return QStringLiteral("memory");
    case MonitorSection::storage:
        return QStringLiteral("storage");
    case MonitorSection::sensors:
        return QStringLiteral("sensors");
    }
    return {};
}

QString title(MonitorSection section)
{
    switch (section) {
    case MonitorSection::cpu:
        return AppLanguage::string(QStringLiteral("CPU"));
    case MonitorSection::memory:
        return AppLanguage::string(QStringLiteral("Memory"));
    case MonitorSection::storage:
        return AppLanguage::string(QStringLiteral("SSD"));
    case MonitorSection::sensors:
        return AppLanguage::string(QStringLiteral("Sensors"));
    }
    return {};
}

QString icon(MonitorSection section)
{
    switch (section) {
    case MonitorSection::cpu:
        return QStringLiteral("cpu");
    case MonitorSection::memory:
        return QStringLiteral("memorychip");
    case MonitorSection::storage:
        return QStringLiteral("internaldrive");
    case MonitorSection::sensors:
        return QStringLiteral("sensor");
    }
    return {};
}
