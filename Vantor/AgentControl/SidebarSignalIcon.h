#pragma once

#include <QWidget>

// The agent row's picture: our signal symbol, drawn whole into a 35-point square. Decoration only:
// it takes no focus, no clicks and says nothing to assistive technology.
class SidebarSignalIcon : public QWidget {
    Q_OBJECT
public:
    static inline const QString imageName = QStringLiteral("SidebarSignal");
    static constexpr int side = 35;

    explicit SidebarSignalIcon(QWidget* parent = nullptr);

    // Whether the bundle's image could be loaded (otherwise nothing is drawn).
    bool hasImage() const;
    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
