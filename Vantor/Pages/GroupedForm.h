#pragma once

#include <QScrollArea>

class FormSection;
class QVBoxLayout;

// A settings page: a scrolling column of sections with room around them.
class GroupedForm : public QScrollArea {
    Q_OBJECT
public:
    explicit GroupedForm(QWidget* parent = nullptr);

    FormSection* addSection(const QString& header = {});
    FormSection* addSection(FormSection* section);
    // Adds a section that another part of the app built as a whole.
    void addWidget(QWidget* widget);

private:
    QVBoxLayout* m_column = nullptr;
};
