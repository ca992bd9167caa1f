#pragma once

#include "Platform/Sensors/SMCTransport.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

// A controller replayed from a recorded table, so a machine (a bug report's, a test's) can be
// reproduced exactly. The table is text, one key per line:
//
//   TC0P sp78 2d80
//   F0Ac flt  00803b45
//
// four characters of key, one space, four characters of type (spaces included, as in "flt "), one
// space, then the value bytes in hex (blanks between bytes allowed). Blank lines and lines that
// start with "//" are comments. Malformed lines are skipped; a key listed twice keeps its first
// value. The keys are indexed in file order; "#KEY" answers as recorded, or with the number of
// keys when the table has no such line.
class RecordedSMCTransport : public SMCTransport {
public:
    struct Entry {
        quint32 key = 0;
        quint32 type = 0;
        QByteArray bytes;
    };

    // Parses a table; never fails (an unusable text gives an empty table).
    explicit RecordedSMCTransport(QByteArrayView text);
    // Reads the file once; none when it cannot be read or is larger than a table can sensibly be.
    static std::unique_ptr<RecordedSMCTransport> load(const QString& path);

    const std::vector<Entry>& entries() const { return m_entries; }
    int skippedLines() const { return m_skippedLines; }

    // One line of the table, without its newline.
    static QByteArray line(quint32 key, quint32 type, QByteArrayView bytes);
    // The four characters of a code, as they stand in a table.
    static QByteArray codeText(quint32 code);

    static constexpr qint64 maximumFileSize = 4 * 1024 * 1024;

protected:
    std::optional<quint32> keyAtIndex(quint32 index) override;
    std::optional<SMCKeyData::KeyInfo> keyInformation(quint32 key) override;
    bool readBytes(quint32 key, quint32 size, quint32 type, quint8* bytes) override;

private:
    bool parseLine(QByteArrayView line);

    std::vector<Entry> m_entries;
    QHash<quint32, qsizetype> m_byKey;
    int m_skippedLines = 0;
};
