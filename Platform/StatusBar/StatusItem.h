#pragma once

#include <QObject>
#include <QString>

class StatusBarButton;

// One item in the status bar. The bar that created it owns it.
class StatusItem : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The item's width in points.
    virtual double length() const = 0;
    virtual void setLength(double length) = 0;
    // The name under which the bar remembers the item's place.
    virtual QString autosaveName() const = 0;
    virtual void setAutosaveName(const QString& name) = 0;
    // The item's button; none when the platform could not give it one.
    virtual StatusBarButton* button() const = 0;
};
