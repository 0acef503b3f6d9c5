#include "platform/DockPreferences.h"

#include <QList>
#include <QPair>

#include <algorithm>
#include <cmath>

namespace tavik::dock {

namespace {

constexpr double defaultTileSize = 64;

// Reads one quoted GVariant string at `pos`, leaving `pos` after the closing quote.
std::optional<QString> readQuoted(QStringView text, qsizetype& pos)
{
    if (pos >= text.size() || (text[pos] != u'\'' && text[pos] != u'"'))
        return std::nullopt;
    const QChar quote = text[pos++];
    QString value;
    while (pos < text.size()) {
        QChar c = text[pos++];
        if (c == quote)
            return value;
        if (c == u'\\') {
            if (pos >= text.size())
                return std::nullopt;
            c = text[pos++];
            if (c == u'n')
                c = u'\n';
            else if (c == u't')
                c = u'\t';
        }
        value += c;
    }
    return std::nullopt; // no closing quote
}

void skipSpaces(QStringView text, qsizetype& pos)
{
    while (pos < text.size() && text[pos].isSpace())
        ++pos;
}

// gsettings writes a type in front of some values: "uint32 48", "@as []".
QStringView withoutTypeAnnotation(QStringView text)
{
    text = text.trimmed();
    static const QStringList types{"byte", "int16", "uint16", "int32", "uint32", "int64", "uint64", "double", "handle"};
    const qsizetype space = text.indexOf(u' ');
    if (space > 0) {
        const QStringView first = text.first(space);
        if (first.startsWith(u'@') || types.contains(first.toString()))
            return text.sliced(space + 1).trimmed();
    }
    return text;
}

bool mentions(const QStringList& uuids, QStringView prefix)
{
    return std::any_of(uuids.begin(), uuids.end(), [&](const QString& uuid) { return uuid.startsWith(prefix); });
}

std::optional<QString> stringValue(const GSettingsValues& values, const QString& schema, const char* key)
{
    const auto found = values.constFind(schema + u' ' + QLatin1String(key));
    return found == values.constEnd() ? std::nullopt : gvariantString(*found);
}

std::optional<double> numberValue(const GSettingsValues& values, const QString& schema, const char* key)
{
    const auto found = values.constFind(schema + u' ' + QLatin1String(key));
    return found == values.constEnd() ? std::nullopt : gvariantNumber(*found);
}

bool boolValue(const GSettingsValues& values, const QString& schema, const char* key)
{
    const auto found = values.constFind(schema + u' ' + QLatin1String(key));
    return found != values.constEnd() && gvariantBool(*found).value_or(false);
}

QStringList listValue(const GSettingsValues& values, const QString& schema, const char* key)
{
    const auto found = values.constFind(schema + u' ' + QLatin1String(key));
    return found == values.constEnd() ? QStringList{} : gvariantStringArray(*found).value_or(QStringList{});
}

} // namespace

DockGeometry::Orientation orientationFrom(const QString& orientation)
{
    const QString lower = orientation.trimmed().toLower();
    if (lower == u"left")
        return DockGeometry::Orientation::left;
    if (lower == u"right")
        return DockGeometry::Orientation::right;
    return DockGeometry::Orientation::bottom; // the model has no top: a top dock counts as bottom
}

double tileSizeFrom(std::optional<double> tileSize)
{
    return tileSize && std::isfinite(*tileSize) && *tileSize > 0 ? *tileSize : defaultTileSize;
}

double estimatedBottomDockWidth(double tileSize, int itemCount, double screenWidth)
{
    const int n = std::max(itemCount, 0) + 2;
    const double width = std::max(1.5 * tileSize + 1.1 * tileSize * n, 3 * tileSize);
    return std::min(width, screenWidth);
}

DockGeometry estimateGeometry(const DockPreferences& preferences, const QString& screenId, QSizeF screenSize)
{
    DockGeometry geometry;
    geometry.screenId = screenId;
    geometry.orientation = orientationFrom(preferences.orientation);
    geometry.tileSize = tileSizeFrom(preferences.tileSize);
    geometry.isVisible = !preferences.autohide;
    const double thickness = 1.4 * geometry.tileSize;
    const double w = screenSize.width();
    const double h = screenSize.height();
    switch (geometry.orientation) {
    case DockGeometry::Orientation::bottom: {
        const double width = preferences.fullLength
                                 ? w
                                 : estimatedBottomDockWidth(geometry.tileSize, preferences.itemCount, w);
        geometry.rect = QRectF(w / 2 - width / 2, 0, width, thickness);
        break;
    }
    case DockGeometry::Orientation::left:
        geometry.rect = QRectF(0, 0, thickness, h);
        break;
    case DockGeometry::Orientation::right:
        geometry.rect = QRectF(w - thickness, 0, thickness, h);
        break;
    }
    return geometry;
}

std::optional<QString> gvariantString(QStringView text)
{
    text = withoutTypeAnnotation(text);
    qsizetype pos = 0;
    std::optional<QString> value = readQuoted(text, pos);
    skipSpaces(text, pos);
    if (!value || pos != text.size())
        return std::nullopt;
    return value;
}

std::optional<double> gvariantNumber(QStringView text)
{
    bool ok = false;
    const double value = withoutTypeAnnotation(text).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> gvariantBool(QStringView text)
{
    text = text.trimmed();
    if (text == u"true")
        return true;
    if (text == u"false")
        return false;
    return std::nullopt;
}

std::optional<QStringList> gvariantStringArray(QStringView text)
{
    text = withoutTypeAnnotation(text);
    if (!text.startsWith(u'[') || !text.endsWith(u']'))
        return std::nullopt;
    QStringList items;
    qsizetype pos = 1;
    skipSpaces(text, pos);
    if (text[pos] == u']')
        return pos == text.size() - 1 ? std::optional<QStringList>(items) : std::nullopt;
    while (true) {
        std::optional<QString> item = readQuoted(text, pos);
        if (!item)
            return std::nullopt;
        items << *item;
        skipSpaces(text, pos);
        if (pos >= text.size())
            return std::nullopt;
        if (text[pos] == u']')
            return pos == text.size() - 1 ? std::optional<QStringList>(items) : std::nullopt;
        if (text[pos] != u',')
            return std::nullopt;
        ++pos;
        skipSpaces(text, pos);
    }
}

GSettingsValues parseGSettingsLines(const QByteArray& output)
{
    GSettingsValues values;
    for (const QByteArray& line : output.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0)
            continue;
        const QString value = QString::fromUtf8(line.mid(tab + 1)).trimmed();
        if (value.isEmpty() || value == u"!")
            continue;
        values.insert(QString::fromUtf8(line.left(tab)).trimmed(), value);
    }
    return values;
}

QList<QPair<QString, QString>> gsettingsKeys()
{
    const QString dash = dashToDockSchema;
    const QString shell = gnomeShellSchema;
    const QString plank = plankSchema;
    return {
        {dash, "dock-position"},       {dash, "dash-max-icon-size"}, {dash, "dock-fixed"},
        {dash, "autohide"},            {dash, "intellihide"},        {dash, "extend-height"},
        {shell, "favorite-apps"},      {shell, "enabled-extensions"}, {shell, "disabled-extensions"},
        {plank, "position"},           {plank, "icon-size"},         {plank, "hide-mode"},
        {plank, "dock-items"},
    };
}

std::optional<DockPreferences> dashToDockPreferences(const GSettingsValues& values, QStringView currentDesktop)
{
    const QString dash = dashToDockSchema;
    const QString shell = gnomeShellSchema;
    const std::optional<QString> position = stringValue(values, dash, "dock-position");
    if (!position)
        return std::nullopt; // not installed
    // Installed is not running: the dock lives in GNOME Shell, turned on by the user or, as
    // the Ubuntu dock, by Ubuntu's session.
    const bool ubuntu = currentDesktop.contains(u"ubuntu", Qt::CaseInsensitive);
    if (!ubuntu && !currentDesktop.contains(u"GNOME", Qt::CaseInsensitive))
        return std::nullopt;
    const QStringList enabled = listValue(values, shell, "enabled-extensions");
    const QStringList disabled = listValue(values, shell, "disabled-extensions");
    const bool dashToDock = mentions(enabled, u"dash-to-dock@") && !mentions(disabled, u"dash-to-dock@");
    const bool ubuntuDock = ubuntu && !mentions(disabled, u"ubuntu-dock@");
    if (!dashToDock && !ubuntuDock)
        return std::nullopt;

    DockPreferences preferences;
    preferences.orientation = position->toLower();
    preferences.tileSize = numberValue(values, dash, "dash-max-icon-size");
    const bool fixed = boolValue(values, dash, "dock-fixed");
    preferences.autohide = !fixed && (boolValue(values, dash, "autohide") || boolValue(values, dash, "intellihide"));
    preferences.itemCount = static_cast<int>(listValue(values, shell, "favorite-apps").size());
    preferences.fullLength = boolValue(values, dash, "extend-height");
    return preferences;
}

std::optional<DockPreferences> plankPreferences(const GSettingsValues& values)
{
    const QString plank = plankSchema;
    const std::optional<QString> position = stringValue(values, plank, "position");
    if (!position)
        return std::nullopt;
    DockPreferences preferences;
    preferences.orientation = *position;
    preferences.tileSize = numberValue(values, plank, "icon-size");
    const std::optional<QString> hideMode = stringValue(values, plank, "hide-mode");
    preferences.autohide = hideMode.has_value() && *hideMode != u"none";
    preferences.itemCount = static_cast<int>(listValue(values, plank, "dock-items").size());
    return preferences;
}

std::optional<DockPreferences> plankKeyFilePreferences(const QString& text)
{
    QHash<QString, QString> entries;
    bool inDock = false;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'['))
            inDock = line == u"[PlankDockPreferences]";
        else if (inDock && !line.startsWith(u'#') && line.contains(u'='))
            entries.insert(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
    }
    if (!entries.contains("Position") && !entries.contains("IconSize"))
        return std::nullopt;
    DockPreferences preferences;
    // Position: 0 left, 1 right, 2 top, 3 bottom; HideMode: 0 means never hide.
    static const QStringList positions{"left", "right", "top", "bottom"};
    bool ok = false;
    const int position = entries.value("Position").toInt(&ok);
    preferences.orientation = ok && position >= 0 && position < positions.size() ? positions[position] : QString();
    const double iconSize = entries.value("IconSize").toDouble(&ok);
    if (ok)
        preferences.tileSize = iconSize;
    const int hideMode = entries.value("HideMode").toInt(&ok);
    preferences.autohide = ok && hideMode != 0;
    const QStringList items = entries.value("DockItems").split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    preferences.itemCount = static_cast<int>(items.size());
    return preferences;
}

} // namespace tavik::dock
