#pragma once

#include <QObject>

class StatusBarWindow;
class StatusItem;

// The bar of small items at the top of the screen that the agent's meters live in.
class StatusBar : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A new item of `length` points; the bar owns it until removeItem().
    virtual StatusItem* createItem(double length) = 0;
    // Takes the item out of the bar and destroys it (with its button and everything in it).
    virtual void removeItem(StatusItem* item) = 0;

    // The input state at this moment, to tell a move the user makes from one the layout makes.
    virtual Qt::KeyboardModifiers keyboardModifiers() const;
    virtual Qt::MouseButtons pressedMouseButtons() const;

signals:
    // An item's window moved, by the user's hand or by layout.
    void windowMoved(StatusBarWindow* window);
    // The bar moved to another screen or its screen changed size.
    void screenChanged();
};
