#pragma once

#include <QWidget>

#include <optional>

// The frosted material behind a panel: a translucent tint of the colour scheme where a compositor
// can show what lies behind the window, the scheme's opaque panel colour otherwise. It draws the
// same whether or not its window has focus, so a panel never fades while the user looks elsewhere.
class StablePopoverMaterial : public QWidget {
    Q_OBJECT
public:
    explicit StablePopoverMaterial(bool blendsWithinWindow = false, QWidget* parent = nullptr);

    bool blendsWithinWindow() const { return m_blendsWithinWindow; }
    // The colour the material paints for a scheme, given whether translucency can be shown.
    static QColor fill(bool dark, bool translucencyAvailable);
    // Whether translucency can be shown now: a compositor runs (or the override says so).
    static bool translucencyAvailable();
    // Pictures and tests decide for themselves; nullopt asks the desktop again.
    static void overrideTranslucency(std::optional<bool> available);
    // Paints the material into `rect` of `painter` for the scheme.
    static void paint(QPainter& painter, const QRectF& rect, bool dark);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_blendsWithinWindow;
};
