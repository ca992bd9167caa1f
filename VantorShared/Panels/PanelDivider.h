#pragma once

#include <QWidget>

// A hairline between the parts of a panel.
class PanelDivider : public QWidget {
    Q_OBJECT
public:
    explicit PanelDivider(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {100, 1}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
