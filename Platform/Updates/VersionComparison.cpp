#include "Platform/Updates/VersionComparison.h"

#include <QList>
#include <QStringView>

namespace VersionComparison {
namespace {

struct Part {
    bool number;
    QStringView text;
};

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

QList<Part> parts(QStringView version)
{
    QList<Part> result;
    qsizetype i = 0;
    while (i < version.size()) {
        if (version.at(i) == QLatin1Char('.')) {
            ++i;
            continue;
        }
        const bool number = isDigit(version.at(i));
        qsizetype end = i;
        while (end < version.size() && version.at(end) != QLatin1Char('.') && isDigit(version.at(end)) == number)
            ++end;
        QStringView text = version.sliced(i, end - i);
        if (number) {
            // Leading zeros carry no value; what is left compares by length, then digit by digit.
            while (text.size() > 1 && text.front() == QLatin1Char('0'))
                text = text.sliced(1);
        }
        result.append({number, text});
        i = end;
    }
    return result;
}

int compareParts(const Part& a, const Part& b)
{
    // A release part outranks a text part such as "b" or "rc": 1.5 is newer than 1.5b3.
    if (a.number != b.number)
        return a.number ? 1 : -1;
    if (a.number && a.text.size() != b.text.size())
        return a.text.size() < b.text.size() ? -1 : 1;
    return a.text.compare(b.text);
}

} // namespace

int compare(const QString& a, const QString& b)
{
    const QList<Part> left = parts(a.trimmed());
    const QList<Part> right = parts(b.trimmed());
    static const Part zero {true, u"0"};
    for (qsizetype i = 0; i < std::max(left.size(), right.size()); ++i) {
        const int order = compareParts(i < left.size() ? left.at(i) : zero, i < right.size() ? right.at(i) : zero);
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    return 0;
}

} // namespace VersionComparison
