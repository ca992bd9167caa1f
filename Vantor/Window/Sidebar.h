#pragma once

#include "Vantor/Window/SettingsPage.h"

#include <QWidget>

class QListWidget;
class QVBoxLayout;

// The window's left column: the page list in its groups, a divider, and the rows other parts of
// the app put at its foot.
class Sidebar : public QWidget {
    Q_OBJECT
public:
    static constexpr int narrowest = 204;
    static constexpr int widest = 320;

    explicit Sidebar(QWidget* parent = nullptr);

    SettingsPage currentPage() const;
    void setCurrentPage(SettingsPage page);
    QListWidget* list() const { return m_list; }
    // Rows added here sit below the divider, top to bottom.
    QVBoxLayout* foot() const { return m_foot; }

signals:
    // The user chose a page.
    void pageChosen(SettingsPage page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void paintSymbols();
    void paintGroupTitles();

    QListWidget* m_list = nullptr;
    QVBoxLayout* m_foot = nullptr;
    bool m_settingPage = false;
};
