#pragma once

#include <QColor>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <optional>

// Our own symbol set: single-colour SVG templates, one file per name in the bundle's
// Resources/Symbols, drawn on a 12-point design grid (a file's width and height are the symbol's
// size at 12 points). Parts meant to read as a second layer carry a lower opacity in the file, so
// one tint gives the whole symbol its hierarchy. render() always draws afresh; cached() keeps what
// it drew, for views that paint the same symbol every second.
namespace SymbolImages {

// The symbol's file, or empty when the bundle has none by that name.
QString path(const QString& name);
// The symbol's size in points at `pointSize`; none when it cannot be loaded.
std::optional<QSizeF> size(const QString& name, double pointSize);
// The symbol at `pointSize`, tinted with `tint`, rendered for a backing `scale` (the image carries
// that device pixel ratio, so it draws at its size in points). A null image when the symbol cannot
// be loaded or the bitmap cannot be made.
QImage render(const QString& name, double pointSize, const QColor& tint, double scale);
// The same picture, drawn once and kept (main thread only). The few dozen combinations the panels
// use stay; an unusual flood of them empties the store rather than growing it.
QImage cached(const QString& name, double pointSize, const QColor& tint, double scale);

} // namespace SymbolImages
