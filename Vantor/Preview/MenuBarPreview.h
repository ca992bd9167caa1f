#pragma once

#include <QWidget>

class MenuBarReadings;
class MenuBarStripView;

// A plate that looks like a stretch of the top bar, with the meters aligned to its right edge as
// they sit in the real bar.
class MenuBarPreview : public QWidget {
    Q_OBJECT
public:
    explicit MenuBarPreview(MenuBarReadings* readings = nullptr, QWidget* parent = nullptr);

    MenuBarStripView* strip() const { return m_strip; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MenuBarStripView* m_strip = nullptr;
};
