#pragma once

#include "VantorShared/Settings/SignalListener.h"
#include "VantorShared/System/MonitorSection.h"

#include <QList>
#include <QPair>
#include <QWidget>

#include <optional>

class MenuBarReadings;
class StatusMetricView;

// The preview's row of meters, drawn by the agent's own meter view over sample readings. The user
// drags a meter sideways to reorder; its neighbours make room as it passes their middle, and the
// order is stored when the mouse is released. From the keyboard, the arrow keys choose a meter and
// Ctrl with an arrow moves it one place, stored at once. Any change of the store, or the agent
// announcing a new order, rebuilds the row.
class MenuBarStripView : public QWidget {
    Q_OBJECT
public:
    static constexpr int itemHeight = 22;
    static constexpr int spacing = 8;
    // How far outside a meter a press still grabs it.
    static constexpr int hitSlop = 4;

    // Draws from `readings` (not owned; the strip makes its own sample readings when null).
    explicit MenuBarStripView(MenuBarReadings* readings = nullptr, QWidget* parent = nullptr);
    ~MenuBarStripView() override;

    void rebuild();
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    QList<MonitorSection> sections() const;
    // What the meters draw from.
    MenuBarReadings& readings() const { return *m_readings; }
    StatusMetricView* view(MonitorSection section) const;
    std::optional<MonitorSection> hovered() const { return m_hovered; }
    // The meter the keyboard works on.
    std::optional<MonitorSection> focusedSection() const { return m_focused; }
    bool isDragging() const { return m_drag.has_value(); }
    // The item whose frame, widened by hitSlop on each side, contains `point`.
    std::optional<MonitorSection> item(const QPoint& point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Drag {
        MonitorSection section;
        StatusMetricView* view;
        int grip;
    };

    int intrinsicWidth() const;
    void layoutSlots(const StatusMetricView* keep);
    void setHovered(std::optional<MonitorSection> section);
    void setFocusedSection(std::optional<MonitorSection> section);

    MenuBarReadings* m_readings = nullptr;
    QList<QPair<MonitorSection, StatusMetricView*>> m_items;
    SignalListener m_barListener;
    std::optional<MonitorSection> m_hovered;
    std::optional<Drag> m_drag;
    std::optional<MonitorSection> m_focused;
    // A rebuild asked for while the user holds a meter waits for the release.
    bool m_rebuildAfterDrag = false;
};
