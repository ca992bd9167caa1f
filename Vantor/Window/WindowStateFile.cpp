#include "Vantor/Window/WindowStateFile.h"

#include "VantorShared/Support/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QScreen>

#include <algorithm>

namespace {

// Far beyond any desktop; a value outside is not a window's place.
constexpr int kLargestCoordinate = 1 << 20;
// Our file is a few hundred bytes; anything much larger is not ours.
constexpr qint64 kLargestFile = 256 * 1024;

const QString kConfigurations = QStringLiteral("configurations");

QJsonObject readObject(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).size() > kLargestFile || !file.open(QIODevice::ReadOnly))
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    return document.isObject() ? document.object() : QJsonObject();
}

std::optional<int> coordinate(const QJsonValue& value, int lowest)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!(number >= lowest && number <= kLargestCoordinate) || number != double(qint64(number)))
        return std::nullopt;
    return int(number);
}

} // namespace

WindowStateFile::WindowStateFile(QString path)
    : m_path(std::move(path))
{
}

QString WindowStateFile::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG base directory rules: a relative path is not a base, and is ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/vantor/settings-window.json");
}

QString WindowStateFile::screenConfiguration(const QList<QScreen*>& screens)
{
    QStringList parts;
    for (const QScreen* screen : screens) {
        const QRect area = screen->geometry();
        const auto signedNumber
            = [](int value) { return (value < 0 ? QString() : QStringLiteral("+")) + QString::number(value); };
        parts.append(screen->name() + QLatin1Char(' ') + QString::number(area.width()) + QLatin1Char('x')
            + QString::number(area.height()) + signedNumber(area.x()) + signedNumber(area.y()) + QLatin1Char('@')
            + QString::number(screen->devicePixelRatio()));
    }
    // The order Qt lists screens in can change between runs; the arrangement does not.
    parts.sort();
    return parts.join(QStringLiteral("; "));
}

QString WindowStateFile::currentScreenConfiguration()
{
    return screenConfiguration(QGuiApplication::screens());
}

std::optional<WindowStateFile::Placement> WindowStateFile::read(const QString& configuration) const
{
    const QJsonValue entry = readObject(m_path).value(kConfigurations).toObject().value(configuration);
    if (!entry.isObject())
        return std::nullopt;
    const QJsonObject object = entry.toObject();
    const auto x = coordinate(object.value(QStringLiteral("x")), -kLargestCoordinate);
    const auto y = coordinate(object.value(QStringLiteral("y")), -kLargestCoordinate);
    const auto width = coordinate(object.value(QStringLiteral("width")), 1);
    const auto height = coordinate(object.value(QStringLiteral("height")), 1);
    if (!x || !y || !width || !height)
        return std::nullopt;
    Placement placement;
    placement.geometry = QRect(*x, *y, *width, *height);
    placement.maximized = object.value(QStringLiteral("maximized")).toBool(false);
    placement.minimized = object.value(QStringLiteral("minimized")).toBool(false);
    return placement;
}

bool WindowStateFile::write(const QString& configuration, const Placement& placement) const
{
    if (!placement.geometry.isValid())
        return false;
    QJsonObject root = readObject(m_path);
    QJsonObject configurations = root.value(kConfigurations).toObject();
    QJsonObject entry;
    entry.insert(QStringLiteral("x"), placement.geometry.x());
    entry.insert(QStringLiteral("y"), placement.geometry.y());
    entry.insert(QStringLiteral("width"), placement.geometry.width());
    entry.insert(QStringLiteral("height"), placement.geometry.height());
    entry.insert(QStringLiteral("maximized"), placement.maximized);
    entry.insert(QStringLiteral("minimized"), placement.minimized);
    entry.insert(QStringLiteral("saved"), QDateTime::currentMSecsSinceEpoch());
    configurations.insert(configuration, entry);

    // Screens come and go over the years; only the most recent arrangements are worth keeping.
    while (configurations.size() > keptConfigurations) {
        const QStringList keys = configurations.keys();
        const auto oldest = std::min_element(keys.begin(), keys.end(), [&](const QString& a, const QString& b) {
            return configurations.value(a).toObject().value(QStringLiteral("saved")).toDouble()
                < configurations.value(b).toObject().value(QStringLiteral("saved")).toDouble();
        });
        configurations.remove(*oldest);
    }
    root.insert(kConfigurations, configurations);

    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        qCWarning(lcAppLinks, "cannot create the folder of %s", qPrintable(m_path));
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0 || !file.commit()) {
        qCWarning(lcAppLinks, "cannot write %s: %s", qPrintable(m_path), qPrintable(file.errorString()));
        return false;
    }
    return true;
}
