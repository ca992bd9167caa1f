#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <optional>

// A sensor line: a small symbol in the header blue, the title dimmed, the value at the trailing
// edge in its own colour (the primary label colour unless told).
class SensorRow : public QWidget {
    Q_OBJECT
public:
    SensorRow(QString icon, QString title, QString value = {}, QWidget* parent = nullptr);

    void setIcon(const QString& icon);
    void setTitle(const QString& title);
    void setValue(const QString& value);
    void setValueColor(std::optional<QColor> color);
    const QString& title() const { return m_title; }
    const QString& value() const { return m_value; }
    const std::optional<QColor>& valueColor() const { return m_valueColor; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // The x where the value column ends (subclasses add columns after it).
    virtual int valueRight() const { return width(); }
    void paintLeading(QPainter& painter, bool dark);

private:
    QString m_icon;
    QString m_title;
    QString m_value;
    std::optional<QColor> m_valueColor;
};
