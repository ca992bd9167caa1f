#pragma once

#include <QString>

#include <optional>

// The update offer the agent publishes under "updatesAvailable", and the rules both programs use
// to write a version and to tell when an offer is spent.
namespace UpdateOffer {

// `version` alone when it equals `build`, else "version (build)".
QString name(const QString& version, const QString& build);
// The decimal integer between the last "(" and the last ")" (blanks trimmed, optional sign);
// none when there is no such pair, the text between is empty or not a number, or it does not
// fit 64 bits.
std::optional<qint64> buildNumber(const QString& text);
// An offer is spent when the installed build is at least the offered one; without a build number
// on either side, only when the two texts are equal.
bool isSpent(const QString& offer, const QString& installed);

} // namespace UpdateOffer
