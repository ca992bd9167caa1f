#pragma once

#include "Platform/StatusBar/StatusBar.h"
#include "Platform/StatusBar/StatusBarButton.h"
#include "Platform/StatusBar/StatusBarWindow.h"
#include "Platform/StatusBar/StatusItem.h"

#include <QWidget>

#include <algorithm>
#include <memory>
#include <vector>

// A window whose frame the test sets.
class FakeStatusWindow : public StatusBarWindow {
public:
    QRect frame() const override { return rect; }
    QRect rect;
};

// An item that lives only in memory. Its button sits in a host widget that is never shown.
class FakeStatusItem : public StatusItem {
public:
    FakeStatusItem(double length, bool withButton, bool withWindow)
        : m_length(length)
    {
        if (withButton) {
            m_host = std::make_unique<QWidget>();
            m_button = new StatusBarButton(m_host.get());
            m_button->setGeometry(0, 0, int(length), 24);
            if (withWindow)
                m_button->setStatusWindow(&window);
        }
    }

    double length() const override { return m_length; }
    void setLength(double length) override
    {
        m_length = length;
        ++lengthChanges;
        if (m_button)
            m_button->resize(int(length), 24);
    }
    QString autosaveName() const override { return m_name; }
    void setAutosaveName(const QString& name) override { m_name = name; }
    StatusBarButton* button() const override { return m_button; }

    FakeStatusWindow window;
    int lengthChanges = 0;

private:
    double m_length;
    QString m_name;
    std::unique_ptr<QWidget> m_host;
    StatusBarButton* m_button = nullptr;
};

// A status bar for tests: it places every new item to the left of those already there (as the
// platform does without remembered positions), lets the test move windows and set the input state,
// and counts what was created and removed.
class FakeStatusBar : public StatusBar {
public:
    StatusItem* createItem(double length) override
    {
        auto item = std::make_unique<FakeStatusItem>(length, withButtons, withWindows);
        m_nextLeft -= 100;
        item->window.rect = QRect(m_nextLeft, 0, int(length), 24);
        items.push_back(std::move(item));
        ++created;
        return items.back().get();
    }

    void removeItem(StatusItem* item) override
    {
        const auto found = std::find_if(items.begin(), items.end(),
            [item](const std::unique_ptr<FakeStatusItem>& own) { return own.get() == item; });
        if (found != items.end()) {
            items.erase(found);
            ++removed;
        }
    }

    Qt::KeyboardModifiers keyboardModifiers() const override { return modifiers; }
    Qt::MouseButtons pressedMouseButtons() const override { return buttons; }

    FakeStatusItem* itemNamed(const QString& prefix) const
    {
        for (const auto& item : items)
            if (item->autosaveName().startsWith(prefix))
                return item.get();
        return nullptr;
    }

    // Moves an item's window to `x` and reports the move, as a drag or the layout would.
    void moveWindow(FakeStatusItem* item, int x)
    {
        item->window.rect.moveLeft(x);
        emit windowMoved(&item->window);
    }

    void changeScreen() { emit screenChanged(); }

    std::vector<std::unique_ptr<FakeStatusItem>> items;
    int created = 0;
    int removed = 0;
    bool withButtons = true;
    bool withWindows = true;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    Qt::MouseButtons buttons = Qt::NoButton;

private:
    int m_nextLeft = 2000;
};
