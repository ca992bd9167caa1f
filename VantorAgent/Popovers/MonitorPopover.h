#pragma once

#include "VantorShared/Panels/PanelMetrics.h"
#include "VantorShared/Panels/PopoverSurface.h"
#include "VantorShared/System/MonitorSection.h"

#include <QString>

#include <functional>
#include <optional>

class DetailReadings;
class QAbstractButton;
class QScrollArea;
class QVBoxLayout;

// The panel in a section's popover, 300 points wide: the header, the section's detail view (in a
// scrolling area of exactly the given height when there is one), and a footer with Settings and
// Quit, on the popover surface in the colour scheme of "popoverAppearance".
class MonitorPopover : public PopoverSurface {
    Q_OBJECT
public:
    MonitorPopover(DetailReadings& readings, MonitorSection section, PanelMetrics metrics,
        std::optional<double> scrollableHeight, std::function<void()> requestClose, QWidget* parent = nullptr);

    MonitorSection section() const { return m_section; }
    const PanelMetrics& metrics() const { return m_metrics; }
    const std::optional<double>& scrollableHeight() const { return m_scrollableHeight; }
    // A scroll height that is not a finite number or is below 0 is taken as 0.
    void setFit(const PanelMetrics& metrics, std::optional<double> scrollableHeight);
    // The height the panel needs at its width of 300.
    int requiredHeight() const;
    QWidget* detailView() const { return m_detail; }
    QScrollArea* scrollArea() const { return m_scroll; }
    QAbstractButton* settingsButton() const { return m_settings; }
    QAbstractButton* quitButton() const { return m_quit; }
    bool isDark() const { return m_dark; }

    // "light" and "dark" pick the scheme; anything else follows the desktop's.
    static bool prefersDark(const QString& appearance);
    // The desktop's own scheme, judged from the application palette.
    static bool desktopIsDark();
    static QString storedAppearance();

    static constexpr int panelWidth = 300;
    static constexpr int footerHeight = 34;

private:
    void placeDetail();
    void activateLayouts() const;

    DetailReadings& m_readings;
    MonitorSection m_section;
    PanelMetrics m_metrics;
    std::optional<double> m_scrollableHeight;
    std::function<void()> m_requestClose;
    bool m_dark = false;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_detail = nullptr;
    QScrollArea* m_scroll = nullptr;
    QAbstractButton* m_settings = nullptr;
    QAbstractButton* m_quit = nullptr;
};
