#pragma once

#include "settings/SettingsTable.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QTextStream>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace tavik {

// A command line the command cannot take. It reaches the user as "tavik: MESSAGE" and ends the
// command with the usage exit status.
class UsageError {
public:
    explicit UsageError(QString message)
        : m_message(std::move(message))
    {
    }
    [[nodiscard]] const QString& message() const { return m_message; }

private:
    QString m_message;
};

// One option a command takes: "--name VALUE" or "--name=VALUE", or a flag that stands alone.
struct OptionRule {
    QStringView name;
    bool takesValue = true;
};

// A command's arguments read against the options it takes. An option given twice counts once,
// the last time, wherever one value is meant; values() has every one for options that repeat.
class Options {
public:
    enum class Words {
        refused, // every argument is an option
        allowed, // words are the command's operands; an unknown "--word" is a word too (a name may start so)
    };

    // Throws UsageError for an unknown option or a stray word, a missing value, or a flag given one.
    Options(const QStringList& args, std::initializer_list<std::span<const OptionRule>> rules, const QString& command,
            Words words = Words::refused);

    [[nodiscard]] bool has(QStringView name) const;
    [[nodiscard]] std::optional<QString> value(QStringView name) const;
    [[nodiscard]] QStringList values(QStringView name) const;
    [[nodiscard]] const QStringList& words() const { return m_words; }

    // The option's value read by numberIn or wholeNumber; nothing when the option is not given.
    [[nodiscard]] std::optional<double> number(QStringView name, double lowest, double highest) const;
    [[nodiscard]] std::optional<double> number(QStringView name, Setting setting) const;
    [[nodiscard]] std::optional<std::uint64_t> wholeNumber(QStringView name) const;

private:
    std::vector<std::pair<QString, QString>> m_given; // name and value, in the order given
    QStringList m_words;
};

// Text read as a number: blanks around it are fine, infinities and NaN are not numbers.
[[nodiscard]] std::optional<double> parseNumber(const QString& text);

// A number for `what` (an option's name) from lowest to highest, both included; throws a
// UsageError that names the range otherwise. The second reads a setting's own range.
[[nodiscard]] double numberIn(const QString& what, const QString& text, double lowest, double highest);
[[nodiscard]] double numberIn(const QString& what, const QString& text, Setting setting);
[[nodiscard]] std::uint64_t wholeNumber(const QString& what, const QString& text);

// The setting a user names by its key ("rain.dropsPerSecond"), or nullptr.
[[nodiscard]] const SettingInfo* settingNamed(const QString& key);

// Runs a command; a UsageError it throws becomes its message on err and the usage exit status.
int reportingUsageErrors(QTextStream& err, const std::function<int()>& command);

} // namespace tavik
