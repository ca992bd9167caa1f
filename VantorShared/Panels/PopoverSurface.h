#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>

// The background of a whole panel: solid in the scheme's opaque panel colour when the background
// is "opaque", otherwise the translucent material under a faint dark veil. The background comes
// from `background` when given, else from the shared "popoverBackground" setting, read on every
// paint. Panels put their content on top of it as child widgets.
class PopoverSurface : public QWidget {
    Q_OBJECT
public:
    explicit PopoverSurface(QWidget* parent = nullptr);

    void setBackground(std::optional<QString> background);
    const std::optional<QString>& background() const { return m_background; }
    void setBlendsWithinWindow(bool blends);
    bool blendsWithinWindow() const { return m_blendsWithinWindow; }

    // Whether a background value gives the translucent surface: anything but "opaque".
    static bool isTranslucent(const std::optional<QString>& background);
    // The background in effect: the override, else the stored setting.
    QString effectiveBackground() const;
    // `material` with the veil laid over it: the one colour the translucent surface is filled with.
    static QColor veiled(const QColor& material);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QString> m_background;
    bool m_blendsWithinWindow = false;
};
