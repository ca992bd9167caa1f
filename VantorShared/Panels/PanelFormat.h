#pragma once

#include <QString>
#include <QStringList>

// Numbers, percentages and durations of the panels, in the interface language with the user's
// region. Formatters are built once per locale and thread and kept.
namespace PanelFormat {
// `whole` percent, e.g. 42 → "42%" (or "42 %" where that is the custom).
QString percent(int whole);
// A fraction 0…1 as a whole-number percent (clamped and rounded).
QString percentOfFraction(double fraction);
// `value` with exactly `fraction` fraction digits and grouping.
QString number(double value, int fraction);
// Days, hours and minutes with abbreviated unit names; units of value zero are left out, and
// a duration under a minute shows as zero minutes.
QString daysHoursMinutes(double seconds);
// Hours and minutes, the same way.
QString hoursMinutes(int minutes);
// `format` with its "%@" placeholders replaced by `arguments` in order; "%1$@", "%2$@" … pick
// an argument by position, so a translation may reorder them. "%%" is a percent sign.
QString substitute(const QString& format, const QStringList& arguments);
// The same in any locale, for tests.
QString percent(int whole, const QString& locale);
QString number(double value, int fraction, const QString& locale);
QString daysHoursMinutes(double seconds, const QString& locale);
} // namespace PanelFormat
