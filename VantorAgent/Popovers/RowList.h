#pragma once

#include "VantorShared/Panels/DenseSection.h"

#include <QList>
#include <QVBoxLayout>

// Keeps a section's list of rows as long as its data: rows are reused, added at the end or taken
// away from the end, so a list that keeps its length only updates its texts.
namespace RowList {

template <typename Row, typename Make> void resize(QList<Row*>& rows, qsizetype count, DenseSection& section, Make make)
{
    while (rows.size() > count)
        delete rows.takeLast();
    while (rows.size() < count) {
        Row* row = make();
        section.addRow(row);
        rows.append(row);
    }
}

} // namespace RowList
