#pragma once

#include "VantorShared/Panels/LineText.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>

// A label/value line: an optional colour swatch, the title dimmed, and the value at the trailing
// edge in a font with equal-width digits.
class ValueRow : public QWidget {
    Q_OBJECT
public:
    ValueRow(QString title, QString value, std::optional<QColor> color = std::nullopt, QWidget* parent = nullptr);
    // The value is a memory-style byte count.
    ValueRow(QString title, quint64 bytes, std::optional<QColor> color = std::nullopt, QWidget* parent = nullptr);

    const QString& title() const { return m_title; }
    const QString& value() const { return m_value; }
    const std::optional<QColor>& color() const { return m_color; }
    // Each repaints only when it changes something.
    void setTitle(const QString& title);
    void setValue(const QString& value);
    void setBytes(quint64 bytes);
    void setColor(std::optional<QColor> color);
    void setValueColor(std::optional<QColor> color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_value;
    std::optional<QColor> m_color;
    std::optional<QColor> m_valueColor;
    LineText m_titleLine;
    LineText m_valueLine;
};
