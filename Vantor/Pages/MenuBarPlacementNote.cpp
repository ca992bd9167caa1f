#include "Vantor/Pages/MenuBarPlacementNote.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Meters/MenuBarMode.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QPointer>

MenuBarPlacementNote::MenuBarPlacementNote(QWidget* parent)
    : QLabel(
        AppLanguage::string(QStringLiteral("No tray on this desktop; the meters are in Vantor's own bar.")), parent)
{
    setWordWrap(true);
    setContentsMargins(4, 0, 4, 4);
    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &MenuBarPlacementNote::refresh);
    QPointer<MenuBarPlacementNote> self(this);
    // The agent announces a new presentation with this signal after writing it.
    m_barListener.listen(SharedSettings::Signal::menuBarChanged, [self] {
        if (self)
            self->refresh();
    });
    refresh();
}

bool MenuBarPlacementNote::applies()
{
    PreferencesDomain& store = SharedSettings::store();
    MenuBarModeDecision::Inputs inputs;
    const QVariant stored = store.objectForKey(SharedSettings::Key::menuBarMode);
    if (stored.typeId() == QMetaType::QString)
        inputs.storedChoice = stored.toString();
    return MenuBarModeDecision::effectiveChoice(inputs) == MenuBarMode::tray
        && store.stringForKey(SharedSettings::Key::menuBarPresentation) == QLatin1String("bar");
}

void MenuBarPlacementNote::refresh()
{
    const bool shown = applies();
    // Before it has a parent, showing it would make it a window of its own; it shows with its
    // parent unless hidden.
    if (!parentWidget()) {
        if (!shown)
            hide();
        return;
    }
    setVisible(shown);
}
