#pragma once

#include "VantorShared/Settings/SignalListener.h"

#include <QWidget>

class MenuBarReadings;
class MenuBarStripView;
class QLabel;
class TrayPreviewView;

// A plate that looks like a stretch of the top bar, with the meters aligned to its right edge as
// they sit in the real bar. While the agent shows its meters in the desktop's tray, the plate
// shows the tray's forms instead, and a line above it says that dragging does not reorder them.
class MenuBarPreview : public QWidget {
    Q_OBJECT
public:
    explicit MenuBarPreview(MenuBarReadings* readings = nullptr, QWidget* parent = nullptr);

    MenuBarStripView* strip() const { return m_strip; }
    TrayPreviewView* tray() const { return m_tray; }
    QLabel* note() const { return m_note; }
    // Whether the tray forms are shown, as the agent last published.
    bool showsTray() const;
    // Follows the published presentation; runs on every store change and bar signal.
    void updatePresentation();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MenuBarStripView* m_strip = nullptr;
    TrayPreviewView* m_tray = nullptr;
    QLabel* m_note = nullptr;
    SignalListener m_barListener;
};
