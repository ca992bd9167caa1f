#pragma once

#include "VantorShared/Panels/PanelMetrics.h"

#include <QEvent>
#include <QMetaType>

class QWidget;

// What a panel's root decides for everything drawn inside it: the layout metrics and the colour
// scheme. It is stored on the root and found by walking up the parents, so a part placed anywhere
// in a panel (or in a miniature of one) reads the same values without being told.
struct PanelEnvironment {
    PanelMetrics metrics;
    bool dark = false;

    bool operator==(const PanelEnvironment&) const = default;

    // The environment of the nearest ancestor (or `widget` itself) that has one; the default
    // (first metrics step, light) when none has.
    static PanelEnvironment of(const QWidget* widget);
    // Stores `environment` on `root` and tells every widget below it (and the root) with a
    // changeEvent of type changeType().
    static void apply(QWidget* root, const PanelEnvironment& environment);
    // Sends the change event to `root` and every widget below it, e.g. after parts were added.
    static void broadcast(QWidget* root);
    static QEvent::Type changeType();
};

Q_DECLARE_METATYPE(PanelEnvironment)
