#pragma once

#include <QList>
#include <QPair>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QPushButton;

// A row of mutually exclusive choices bound to one text key of the shared store. Each choice is
// a button of its own, so keyboard focus and assistive technology reach every one.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    // (title, stored value) pairs; `read` gives the effective stored value.
    SegmentedControl(const QString& key, const QList<QPair<QString, QString>>& choices, std::function<QString()> read,
        QWidget* parent = nullptr);

    QString value() const;
    QPushButton* button(const QString& value) const;
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_key;
    std::function<QString()> m_read;
    QButtonGroup* m_group = nullptr;
    QList<QPair<QString, QPushButton*>> m_buttons;
};
