#include "VantorShared/Panels/PanelEnvironment.h"

#include <QCoreApplication>
#include <QVariant>
#include <QWidget>

namespace {

constexpr const char* kProperty = "vantorPanelEnvironment";

} // namespace

PanelEnvironment PanelEnvironment::of(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant value = w->property(kProperty);
        if (value.isValid())
            return value.value<PanelEnvironment>();
    }
    return {};
}

QEvent::Type PanelEnvironment::changeType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void PanelEnvironment::apply(QWidget* root, const PanelEnvironment& environment)
{
    if (!root)
        return;
    const QVariant stored = root->property(kProperty);
    if (stored.isValid() && stored.value<PanelEnvironment>() == environment)
        return;
    root->setProperty(kProperty, QVariant::fromValue(environment));
    broadcast(root);
}

void PanelEnvironment::broadcast(QWidget* root)
{
    if (!root)
        return;
    QEvent rootEvent(changeType());
    QCoreApplication::sendEvent(root, &rootEvent);
    const QList<QWidget*> below = root->findChildren<QWidget*>();
    for (QWidget* widget : below) {
        QEvent event(changeType());
        QCoreApplication::sendEvent(widget, &event);
    }
    root->update();
}
