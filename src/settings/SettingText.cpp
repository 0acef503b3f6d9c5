#include "settings/SettingText.h"

#include "settings/Color.h"

#include <QLocale>

#include <cmath>

namespace tavik {

namespace {

std::optional<bool> parseFlag(const QString& text)
{
    const QString word = text.trimmed().toLower();
    if (word == u"true" || word == u"yes" || word == u"on" || word == u"1")
        return true;
    if (word == u"false" || word == u"no" || word == u"off" || word == u"0")
        return false;
    return std::nullopt;
}

std::optional<double> parseNumber(const QString& text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<MonitorMap> parseMonitors(const QString& text)
{
    auto decoded = decodeMonitors(text);
    if (decoded.lostSomething)
        return std::nullopt;
    return std::move(decoded.monitors);
}

std::optional<SavedSceneList> parseSavedScenes(const QString& text)
{
    auto decoded = decodeSavedScenes(text);
    if (decoded.lostSomething)
        return std::nullopt;
    return std::move(decoded.scenes);
}

} // namespace

QString shortestNumberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString formatSettingValue(const SettingValue& value)
{
    struct Formatter {
        QString operator()(bool flag) const { return flag ? QStringLiteral("true") : QStringLiteral("false"); }
        QString operator()(double number) const { return shortestNumberText(number); }
        QString operator()(const QString& text) const { return text; }
        QString operator()(const SavedSceneList& scenes) const { return encodeSavedScenes(scenes).value_or(QString()); }
        QString operator()(const MonitorMap& monitors) const { return encodeMonitors(monitors); }
    };
    return std::visit(Formatter{}, value);
}

std::optional<QString> rangeProblem(const SettingInfo& info, const SettingValue& value)
{
    const double* number = std::get_if<double>(&value);
    if (info.type != SettingType::Double || !number || info.inRange(*number))
        return std::nullopt;
    return QStringLiteral("%1 must be between %2 and %3")
        .arg(QString::fromLatin1(info.key.data(), static_cast<qsizetype>(info.key.size())),
             shortestNumberText(info.minimum), shortestNumberText(info.maximum));
}

std::optional<SettingValue> parseSettingValue(const SettingInfo& info, const QString& text)
{
    switch (info.type) {
    case SettingType::Bool:
        if (const auto flag = parseFlag(text))
            return *flag;
        return std::nullopt;
    case SettingType::Double:
        if (const auto number = parseNumber(text))
            return *number;
        return std::nullopt;
    case SettingType::String:
        if (!isColourSetting(info.id))
            return text;
        if (const auto colour = colorFromHex(text))
            return hexString(*colour);
        return std::nullopt;
    case SettingType::SavedScenes:
        if (auto scenes = parseSavedScenes(text))
            return std::move(*scenes);
        return std::nullopt;
    case SettingType::Monitors:
        if (auto monitors = parseMonitors(text))
            return std::move(*monitors);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace tavik
