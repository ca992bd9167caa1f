#pragma once

#include <QString>
#include <QWidget>

// The panel's top line: the section's symbol in the header blue and its title, 38 high.
class CompactHeader : public QWidget {
    Q_OBJECT
public:
    CompactHeader(QString title, QString icon, QWidget* parent = nullptr);

    const QString& title() const { return m_title; }
    const QString& icon() const { return m_icon; }
    QSize sizeHint() const override { return {300, height}; }
    QSize minimumSizeHint() const override { return {0, height}; }

    static constexpr int height = 38;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_icon;
};
