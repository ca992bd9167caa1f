#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// The applications installed on the desktop, as their desktop entries describe them: which
// program each runs and which icon it shows. Used to give a running process its application's
// icon. The entries are read once, on the first question.
class DesktopApplications {
public:
    struct Entry {
        QString program; // the first word of Exec (or TryExec), as written
        QString icon; // an icon theme name or an absolute path
    };

    // `dataDirs` are searched for "applications/" folders, most important first.
    explicit DesktopApplications(QStringList dataDirs = standardDataDirs());

    // The icon of the application whose program is `executablePath` (compared as the resolved
    // path, then by file name); none when no entry matches.
    std::optional<QString> iconFor(const QString& executablePath);

    // XDG_DATA_HOME (or ~/.local/share), then XDG_DATA_DIRS (or /usr/local/share:/usr/share).
    static QStringList standardDataDirs();
    // The program and icon of one desktop entry's text; none for an entry that is not an
    // application, is hidden, or names no program or no icon.
    static std::optional<Entry> parse(QByteArrayView text);

private:
    void load();
    void add(const Entry& entry);

    QStringList m_dataDirs;
    bool m_loaded = false;
    QHash<QString, QString> m_byPath;
    QHash<QString, QString> m_byName;
};
