#pragma once

#include "Vantor/Pages/PanelMiniature.h"

#include <QList>
#include <QPair>
#include <QWidget>

class ChoiceTile;

// How the agent's popovers look: light, dark or following the system, translucent or opaque.
// Each choice is shown as a miniature popover.
class PopoversPage : public QWidget {
    Q_OBJECT
public:
    explicit PopoversPage(QWidget* parent = nullptr);

    ChoiceTile* appearanceTile(const QString& value) const;
    ChoiceTile* backgroundTile(const QString& value) const;
    // The scheme the background tiles preview: the chosen appearance, or the window's own.
    PanelMiniature::Scheme previewScheme() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    PanelMiniature::Scheme windowScheme() const;

    QList<QPair<QString, ChoiceTile*>> m_appearance;
    QList<QPair<QString, ChoiceTile*>> m_background;
};
