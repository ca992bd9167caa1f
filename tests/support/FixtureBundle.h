#pragma once

#include "Platform/Bundles/Bundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>

#include <optional>

// Writes a bundle laid out like the real ones (<path>/Contents/Info.plist, Resources/<code>.lproj)
// so that tests can open it or make it the main bundle.
struct FixtureBundle {
    // `info` holds text values of Info.plist.
    static QString write(const QString& path, const QMap<QString, QString>& info)
    {
        QDir().mkpath(path + QStringLiteral("/Contents/Resources"));
        QString plist = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n");
        for (auto it = info.begin(); it != info.end(); ++it)
            plist += QStringLiteral("<key>%1</key><string>%2</string>\n").arg(it.key(), it.value());
        plist += QStringLiteral("</dict>\n</plist>\n");
        writeFile(path + QStringLiteral("/Contents/Info.plist"), plist.toUtf8());
        return path;
    }

    // Adds <code>.lproj, with a Localizable.strings holding `table` unless it is null.
    static void addLocalization(const QString& bundlePath, const QString& code, const QByteArray& table = {})
    {
        const QString folder = bundlePath + QStringLiteral("/Contents/Resources/") + code + QStringLiteral(".lproj");
        QDir().mkpath(folder);
        if (!table.isNull())
            writeFile(folder + QStringLiteral("/Localizable.strings"), table);
    }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }
};

// Makes a bundle the main bundle for the lifetime of the object.
class ScopedMainBundle {
public:
    explicit ScopedMainBundle(const QString& path) { Bundle::setMainBundlePathForTesting(path); }
    ~ScopedMainBundle() { Bundle::setMainBundlePathForTesting({}); }
    ScopedMainBundle(const ScopedMainBundle&) = delete;
    ScopedMainBundle& operator=(const ScopedMainBundle&) = delete;
};

// Sets or unsets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<QByteArray>& value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name.constData(), m_old);
        else
            qunsetenv(m_name.constData());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    QByteArray m_name;
    bool m_had;
    QByteArray m_old;
};
