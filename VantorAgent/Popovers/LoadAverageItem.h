#pragma once

#include "VantorShared/Panels/LineText.h"

#include <QColor>
#include <QString>
#include <QWidget>

// One load figure beside the load graph: a swatch in its line's colour, the title, the value.
class LoadAverageItem : public QWidget {
    Q_OBJECT
public:
    LoadAverageItem(QString title, QColor color, QWidget* parent = nullptr);

    const QString& value() const { return m_value; }
    void setValue(const QString& value);
    void setColor(const QColor& color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QColor m_color;
    QString m_value;
    LineText m_titleLine;
    LineText m_valueLine;
};
