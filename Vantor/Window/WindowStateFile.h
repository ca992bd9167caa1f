#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

class QScreen;

// The settings window's own state, kept apart from the shared settings because it belongs to this
// machine's screens and not to the user's choices: one JSON file, `$XDG_STATE_HOME/vantor/
// settings-window.json` (default `~/.local/state/vantor/`), holding a placement per screen
// configuration. Plugging a laptop into a monitor and back again finds each arrangement's own
// placement. A file that cannot be read or makes no sense is treated as empty and rewritten on
// the next save; it holds nothing the user typed.
class WindowStateFile {
public:
    struct Placement {
        // The window's inside (without the desktop's frame), in desktop coordinates; for a
        // maximised or minimised window the place it returns to.
        QRect geometry;
        bool maximized = false;
        bool minimized = false;

        bool operator==(const Placement&) const = default;
    };

    // At most this many screen configurations are kept; the least recently saved goes first.
    static constexpr int keptConfigurations = 12;

    explicit WindowStateFile(QString path = defaultPath());

    static QString defaultPath();
    const QString& path() const { return m_path; }

    // A text that names the arrangement of `screens`: each screen's name, size, place and scale,
    // in a fixed order.
    static QString screenConfiguration(const QList<QScreen*>& screens);
    // The same for the screens the application has now.
    static QString currentScreenConfiguration();

    std::optional<Placement> read(const QString& configuration) const;
    // Stores `placement` for `configuration`, keeping the others; written to a temporary file and
    // renamed over the old one, so a crash never leaves half a file. False when it cannot be
    // written.
    bool write(const QString& configuration, const Placement& placement) const;

private:
    QString m_path;
};
