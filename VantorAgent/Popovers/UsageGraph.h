#pragma once

#include <QWidget>

// The plate the cpu panel's two usage graphs are drawn on: as wide as the row gives it and as
// tall as the panel's density step says, following a change of step.
class UsageGraph : public QWidget {
    Q_OBJECT
public:
    explicit UsageGraph(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;

private:
    void followPanelHeight();
};
