#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QVBoxLayout;

// A titled block of rows: the title (when there is one) in small semibold header blue capitals, then the
// rows, spaced and padded by the panel's metrics.
class DenseSection : public QWidget {
    Q_OBJECT
public:
    explicit DenseSection(std::optional<QString> title = std::nullopt, QWidget* parent = nullptr);

    // The title as the heading shows it: in capitals, by the rules of the interface language
    // (`languageCode`), so that a translation keeps its accents.
    static QString heading(const QString& title, const QString& languageCode);

    // Adds a row below the others; the section takes ownership.
    void addRow(QWidget* row);
    QVBoxLayout* rows() const { return m_layout; }
    QLabel* titleLabel() const { return m_title; }

protected:
    bool event(QEvent* event) override;

private:
    void applyEnvironment();

    QVBoxLayout* m_layout;
    QLabel* m_title = nullptr;
};
