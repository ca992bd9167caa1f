#pragma once

#include "Platform/LoginItems/LoginItemService.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A login item as a desktop entry in the user's autostart folder ($XDG_CONFIG_HOME/autostart),
// which every freedesktop session starts at login. The entry is named after the identifier and
// runs the program by its absolute path.
//
// The desktops' own startup settings switch an entry off without removing it, by Hidden=true or
// by their X-<Desktop>-Autostart-enabled=false key; such an entry reads as requiring approval, and
// registering again writes an enabled entry over it.
//
// The entry is read at every login, so it is written 0644 and a folder we make for it 0700,
// whatever the umask; an entry whose program cannot be started (missing, or behind a path that
// launchers refuse) reads as not found.
class XdgAutostartService final : public LoginItemService {
public:
    struct Command {
        QString program;
        QStringList arguments;
        bool operator==(const Command&) const = default;
    };
    // Starts a program detached; false when it could not be started.
    using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;

    // `autostartDirectory` empty: the user's autostart folder. `launcher` null: start programs
    // detached from this process.
    XdgAutostartService(const QString& identifier, const QString& program, const QString& displayName,
        const QString& autostartDirectory = {}, Launcher launcher = {});

    LoginItemStatus status() const override;
    std::optional<LoginItemError> registerItem() override;
    std::optional<LoginItemError> unregisterItem() override;
    // The desktop's startup-applications settings where one is known and installed, otherwise the
    // autostart folder in the file manager.
    void openSystemSettings() override;

    QString entryPath() const { return m_entryPath; }
    QString autostartDirectory() const { return m_directory; }

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart.
    static QString userAutostartDirectory();
    // What an autostart entry says: the program it runs, and whether a desktop switched it off.
    struct EntryReading {
        QString program;
        bool switchedOff = false;
    };
    static EntryReading readEntryText(const QByteArray& text);
    // The entry's text for `program`; none when the path cannot be written into an entry that
    // launchers run (not absolute, holding control characters or a %).
    static std::optional<QByteArray> entryText(
        const QString& identifier, const QString& program, const QString& displayName);
    // The Exec value that runs `program` with no arguments: quoted as an argument, field codes
    // escaped, then escaped as a desktop-entry string.
    static QString execValue(const QString& program);
    // The program an Exec value runs (its first argument, unescaped); empty when there is none.
    static QString programFromExec(const QString& value);
    // The startup settings program for XDG_CURRENT_DESKTOP `desktops` (colon-separated), among the
    // programs `findExecutable` can locate; none when no known one is installed.
    static std::optional<Command> startupSettingsCommand(
        const QString& desktops, const std::function<QString(const QString&)>& findExecutable);

private:
    QString m_identifier;
    QString m_program;
    QString m_displayName;
    QString m_directory;
    QString m_entryPath;
    Launcher m_launcher;
};
