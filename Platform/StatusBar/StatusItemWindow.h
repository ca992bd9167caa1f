#pragma once

#include "Platform/StatusBar/StatusBarWindow.h"

#include <QWidget>

#include <optional>

class StatusBarButton;

// The small window of one status item: a dock window (frameless, above other windows, without a
// taskbar entry, on every desktop) that reserves its strip of the screen's top edge. It paints a
// slim plate behind its button so that the items read as one bar in light and dark themes; half
// the gap between items is its padding on either side.
//
// Pressing with the reorder modifier held and dragging moves the window along the bar; the bar
// decides where it lands when the button is released.
class StatusItemWindow : public QWidget, public StatusBarWindow {
    Q_OBJECT
public:
    static constexpr int barHeight = 24;
    static constexpr int padding = 4;

    StatusItemWindow();

    QRect frame() const override { return geometry(); }
    StatusBarButton* button() const { return m_button; }
    // Sizes the button to `length` points and the window around it.
    void setContentLength(double length);
    bool isDragging() const { return m_grabOffset.has_value(); }
    // Reserves the strip the window covers now, so maximised windows start below it.
    void reserveStrip();

signals:
    void moved();
    void dragged(int left);
    void dragFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    StatusBarButton* m_button;
    std::optional<int> m_grabOffset;
    QRect m_reserved;
};
