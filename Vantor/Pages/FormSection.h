#pragma once

#include <QWidget>

class QLabel;
class QVBoxLayout;

// One group of a settings page: an optional header above a rounded group of rows, and an
// optional footer line below it. Rows are a label on the left and a control on the right; a
// hairline separates neighbouring rows.
class FormSection : public QWidget {
    Q_OBJECT
public:
    explicit FormSection(const QString& header = {}, QWidget* parent = nullptr);
    // A section whose header is a widget of its own (a symbol beside the title, say).
    explicit FormSection(QWidget* header, QWidget* parent = nullptr);

    // Adds a labelled row; the control is named after the label for assistive technology unless
    // it already has a name. Returns the row.
    QWidget* addRow(const QString& label, QWidget* control);
    // Adds a row whose control is too wide to sit beside its label: the label above, the control
    // below it, both at the leading edge.
    QWidget* addStackedRow(const QString& label, QWidget* control);
    // Adds a widget across the whole width of the group.
    QWidget* addWidget(QWidget* widget);
    // `isError`: the line reports a failure and is set in red.
    void setFooter(const QString& text, bool isError = false);

    QLabel* headerLabel() const { return m_headerLabel; }
    QLabel* footerLabel() const { return m_footer; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void build(QWidget* header);
    void applyColours();

    QLabel* m_headerLabel = nullptr;
    QWidget* m_group = nullptr;
    QVBoxLayout* m_rows = nullptr;
    QLabel* m_footer = nullptr;
    bool m_footerIsError = false;
};
