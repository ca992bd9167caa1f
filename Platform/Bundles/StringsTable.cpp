#include "Platform/Bundles/StringsTable.h"

#include "Platform/Logging/PlatformLog.h"

#include <QFile>
#include <QStringDecoder>

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Walks the decoded text once. A fault makes the entry give up (returns false); run() then
// records it and carries on after the faulty line.
class Parser {
public:
    Parser(const QString& text, const QString& source, QHash<QString, QString>& entries, QStringList& problems)
        : m_text(text)
        , m_source(source)
        , m_entries(entries)
        , m_problems(problems)
    {
    }

    void run()
    {
        while (true) {
            if (!skipBlanksAndComments())
                return; // an unterminated comment swallows the rest
            if (atEnd())
                return;
            markGood();
            if (!entry())
                recover();
        }
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return m_text.at(m_pos); }

    void advance()
    {
        if (m_text.at(m_pos) == QLatin1Char('\n'))
            ++m_line;
        ++m_pos;
    }

    bool fault(const QString& what)
    {
        m_fault = what;
        return false;
    }

    void record(const QString& what)
    {
        m_problems.append(QStringLiteral("%1:%2: %3").arg(m_source).arg(m_line).arg(what));
    }

    // Remembers where the entry read so far ends well.
    void markGood()
    {
        m_goodPos = m_pos;
        m_goodLine = m_line;
    }

    // A fault found on a later line than the last good token belongs to the earlier line (say, a
    // missing ";" noticed only at the next entry): only that line is given up, so the next entry
    // still loads.
    void recover()
    {
        if (m_line > m_goodLine) {
            m_pos = m_goodPos;
            m_line = m_goodLine;
        }
        record(m_fault);
        skipRestOfLine();
    }

    void skipRestOfLine()
    {
        while (!atEnd() && peek() != QLatin1Char('\n'))
            ++m_pos;
    }

    // False only for a block comment that never ends.
    bool skipBlanksAndComments()
    {
        while (!atEnd()) {
            const QChar c = peek();
            if (c.isSpace()) {
                advance();
            } else if (c == QLatin1Char('/') && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == QLatin1Char('/')) {
                skipRestOfLine();
            } else if (c == QLatin1Char('/') && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == QLatin1Char('*')) {
                const int startLine = m_line;
                m_pos += 2;
                const qsizetype end = m_text.indexOf(QLatin1String("*/"), m_pos);
                if (end < 0) {
                    m_line = startLine;
                    record(QStringLiteral("comment is never closed"));
                    m_pos = m_text.size();
                    return false;
                }
                while (m_pos < end + 2)
                    advance();
            } else {
                break;
            }
        }
        return true;
    }

    bool entry()
    {
        QString key;
        if (!quoted(key, QStringLiteral("key")))
            return false;
        markGood();
        if (!skipBlanksAndComments() || atEnd())
            return fault(QStringLiteral("entry is not finished"));
        QString value;
        if (peek() == QLatin1Char(';')) {
            // "key"; is shorthand for a text that is its own translation.
            value = key;
        } else {
            if (peek() != QLatin1Char('='))
                return fault(QStringLiteral("expected '=' after the key"));
            advance();
            markGood();
            if (!skipBlanksAndComments() || atEnd())
                return fault(QStringLiteral("entry is not finished"));
            if (!quoted(value, QStringLiteral("value")))
                return false;
            markGood();
            if (!skipBlanksAndComments() || atEnd() || peek() != QLatin1Char(';'))
                return fault(QStringLiteral("expected ';' after the value"));
        }
        advance(); // ';'
        if (m_entries.contains(key))
            record(QStringLiteral("key \"%1\" is repeated; the last value counts").arg(key));
        m_entries.insert(key, value);
        return true;
    }

    bool quoted(QString& out, const QString& what)
    {
        if (atEnd() || peek() != QLatin1Char('"'))
            return fault(QStringLiteral("expected a quoted %1").arg(what));
        advance();
        while (true) {
            if (atEnd() || peek() == QLatin1Char('\n'))
                return fault(QStringLiteral("quoted %1 is not closed on its line").arg(what));
            const QChar c = peek();
            ++m_pos;
            if (c == QLatin1Char('"'))
                break;
            if (c != QLatin1Char('\\')) {
                out.append(c);
                continue;
            }
            if (atEnd())
                return fault(QStringLiteral("escape at the end of the text"));
            const QChar e = peek();
            ++m_pos;
            switch (e.unicode()) {
            case '"':
            case '\\':
            case '\'':
                out.append(e);
                break;
            case 'n':
                out.append(QLatin1Char('\n'));
                break;
            case 't':
                out.append(QLatin1Char('\t'));
                break;
            case 'r':
                out.append(QLatin1Char('\r'));
                break;
            case 'u':
            case 'U': {
                uint unit = 0;
                for (int i = 0; i < 4; ++i) {
                    const int digit = m_pos + i < m_text.size() ? hexValue(m_text.at(m_pos + i)) : -1;
                    if (digit < 0)
                        return fault(QStringLiteral("\\u needs four hex digits"));
                    unit = unit * 16 + uint(digit);
                }
                m_pos += 4;
                out.append(QChar(char16_t(unit)));
                break;
            }
            default:
                return fault(QStringLiteral("unknown escape \\%1").arg(e));
            }
        }
        // Escaped surrogates must pair up, or the text would not be valid Unicode.
        for (qsizetype i = 0; i < out.size(); ++i) {
            const QChar c = out.at(i);
            if (c.isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
                ++i;
            else if (c.isSurrogate())
                return fault(QStringLiteral("quoted %1 has an unpaired surrogate").arg(what));
        }
        return true;
    }

    const QString& m_text;
    const QString& m_source;
    QHash<QString, QString>& m_entries;
    QStringList& m_problems;
    qsizetype m_pos = 0;
    int m_line = 1;
    qsizetype m_goodPos = 0;
    int m_goodLine = 1;
    QString m_fault;
};

} // namespace

StringsTable StringsTable::parse(const QByteArray& bytes, const QString& source)
{
    StringsTable table;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        table.m_problems.append(QStringLiteral("%1: not valid UTF-8; bad bytes were replaced").arg(source));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    Parser(text, source, table.m_entries, table.m_problems).run();
    return table;
}

std::optional<StringsTable> StringsTable::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    StringsTable table = parse(file.readAll(), path);
    for (const QString& problem : table.problems())
        qCWarning(lcPlatform, "strings table: %s", qPrintable(problem));
    return table;
}
