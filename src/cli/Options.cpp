#include "cli/Options.h"

#include "cli/CommandLine.h"
#include "settings/SettingsTable.h"

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

const OptionRule* findRule(std::initializer_list<std::span<const OptionRule>> rules, QStringView name)
{
    for (const auto& group : rules) {
        const auto it = std::find_if(group.begin(), group.end(), [&](const OptionRule& rule) { return rule.name == name; });
        if (it != group.end())
            return &*it;
    }
    return nullptr;
}

} // namespace

Options::Options(const QStringList& args, std::initializer_list<std::span<const OptionRule>> rules, const QString& command,
                 Words words)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const qsizetype equals = arg.indexOf(u'=');
        const bool joined = arg.startsWith(u"--") && equals > 0;
        const QString name = joined ? arg.left(equals) : arg;
        const OptionRule* rule = arg.startsWith(u"--") ? findRule(rules, name) : nullptr;
        if (!rule) {
            if (words == Words::refused)
                throw UsageError(QStringLiteral("unknown option \"%1\" for %2 (tavik help lists them)").arg(arg, command));
            m_words << arg;
            continue;
        }
        if (!rule->takesValue) {
            if (joined)
                throw UsageError(QStringLiteral("%1 takes no value").arg(name));
            m_given.emplace_back(name, QString());
            continue;
        }
        if (joined) {
            m_given.emplace_back(name, arg.mid(equals + 1));
            continue;
        }
        if (i + 1 >= args.size())
            throw UsageError(QStringLiteral("%1 needs a value").arg(name));
        m_given.emplace_back(name, args[++i]);
    }
}

bool Options::has(QStringView name) const
{
    return std::any_of(m_given.begin(), m_given.end(), [&](const auto& given) { return given.first == name; });
}

std::optional<QString> Options::value(QStringView name) const
{
    const auto it = std::find_if(m_given.rbegin(), m_given.rend(), [&](const auto& given) { return given.first == name; });
    if (it == m_given.rend())
        return std::nullopt;
    return it->second;
}

QStringList Options::values(QStringView name) const
{
    QStringList all;
    for (const auto& [given, value] : m_given) {
        if (given == name)
            all << value;
    }
    return all;
}

std::optional<double> Options::number(QStringView name, double lowest, double highest) const
{
    const auto text = value(name);
    return text ? std::optional(numberIn(name.toString(), *text, lowest, highest)) : std::nullopt;
}

std::optional<double> Options::number(QStringView name, Setting setting) const
{
    const auto text = value(name);
    return text ? std::optional(numberIn(name.toString(), *text, setting)) : std::nullopt;
}

std::optional<std::uint64_t> Options::wholeNumber(QStringView name) const
{
    const auto text = value(name);
    return text ? std::optional(tavik::wholeNumber(name.toString(), *text)) : std::nullopt;
}

std::optional<double> parseNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double numberIn(const QString& what, const QString& text, double lowest, double highest)
{
    const auto value = parseNumber(text);
    if (!value || *value < lowest || *value > highest)
        throw UsageError(QStringLiteral("%1 needs a number from %2 to %3, not \"%4\"").arg(what).arg(lowest).arg(highest).arg(text));
    return *value;
}

double numberIn(const QString& what, const QString& text, Setting setting)
{
    const SettingInfo& info = settingInfo(setting);
    return numberIn(what, text, info.minimum, info.maximum);
}

std::uint64_t wholeNumber(const QString& what, const QString& text)
{
    bool ok = false;
    const std::uint64_t value = text.toULongLong(&ok);
    if (!ok)
        throw UsageError(QStringLiteral("%1 needs a whole number, not \"%2\"").arg(what, text));
    return value;
}

const SettingInfo* settingNamed(const QString& key)
{
    const QByteArray latin = key.toLatin1();
    return findSettingByKey(std::string_view(latin.constData(), static_cast<std::size_t>(latin.size())));
}

int reportingUsageErrors(QTextStream& err, const std::function<int()>& command)
{
    try {
        return command();
    } catch (const UsageError& error) {
        err << "tavik: " << error.message() << Qt::endl;
        return kExitUsage;
    }
}

} // namespace tavik
