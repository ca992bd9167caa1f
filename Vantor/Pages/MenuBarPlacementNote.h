#pragma once

#include "VantorShared/Settings/SignalListener.h"

#include <QLabel>

// The line under the "Show meters in" picker that says when the choice could not be followed:
// the tray is chosen but the agent shows the meters in its own bar because the desktop has no
// tray. It follows the store and the agent's announcements, so it comes and goes as a tray
// appears or leaves.
class MenuBarPlacementNote : public QLabel {
    Q_OBJECT
public:
    explicit MenuBarPlacementNote(QWidget* parent = nullptr);

    // Whether the line should show for the stored choice and the agent's published presentation.
    static bool applies();
    // Shows or hides the line as applies() says.
    void refresh();

private:
    SignalListener m_barListener;
};
