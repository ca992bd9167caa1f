#pragma once

#include "VantorShared/System/MonitorSection.h"

#include <QWidget>

class QLabel;

// The header of a section of the Menu Bar page: the section's symbol in the heading blue beside
// its title.
class ItemHeader : public QWidget {
    Q_OBJECT
public:
    ItemHeader(MonitorSection section, const QString& title, QWidget* parent = nullptr);

    QLabel* titleLabel() const { return m_title; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void paintSymbol();

    MonitorSection m_section;
    QLabel* m_symbol = nullptr;
    QLabel* m_title = nullptr;
};
