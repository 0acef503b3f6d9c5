#include "app/CommandHelp.h"

#include <QRegularExpression>

namespace tavik {

namespace {

constexpr qsizetype kWidth = 90;       // of `tavik help`
constexpr qsizetype kSummaryColumn = 35;

constexpr const char* kIntro =
    "Without a command, starts the desktop program (or, when it runs already, opens its panel). "
    "Settings and scene commands go to the running program when there is one.";
constexpr const char* kSettingsFile = "$XDG_CONFIG_HOME/tavik/tavik.conf";
constexpr const char* kSettingsFileDefault = "~/.config/tavik/tavik.conf";

struct ExitStatus {
    int code;
    const char* meaning;
};
constexpr ExitStatus kExitStatuses[] = {
    {0, "done"},
    {1, "could not be carried out"},
    {2, "bad command or value"},
};

constexpr CommandHelp kCommands[] = {
    {"Program", "tavik panel", "open the running program's settings panel"},
    {"Program", "tavik status", "the running program's state as JSON (overlays, tray, panel)"},
    {"Program", "tavik quit",
     "end the running program cleanly: the scene goes, the sound fades out, the settings are written"},
    {"Program", "tavik --background",
     "start the desktop program without opening the panel, even with no tray (what start at login runs)"},
    {"Program", "tavik autostart on|off|status",
     "start Tavik at login (an entry in $XDG_CONFIG_HOME/autostart), stop doing so, or say which and where"},

    {"Settings", "tavik list", "every setting as KEY=VALUE"},
    {"Settings", "tavik get KEY", "one setting"},
    {"Settings", "tavik set KEY VALUE", "change one setting (a number within its range)"},
    {"Settings", "tavik reset",
     "every setting back to its default (keeps the master switch, the display choices and the saved scenes)"},
    {"Settings", "tavik toggle", "switch the whole scene on or off"},

    {"Scenes", "tavik presets", "the built-in scenes, the active one marked"},
    {"Scenes", "tavik preset ID", "apply a built-in scene"},
    {"Scenes", "tavik scene save NAME [--icon EMOJI]", "save the current scene and print its id"},
    {"Scenes", "tavik scene list", "the saved scenes: id, star, icon, name"},
    {"Scenes", "tavik scene apply ID", "apply a saved scene; ID is its id, a unique start of it, or its name"},
    {"Scenes", "tavik scene rename ID NAME [--icon EMOJI]",
     "rename a saved scene; it keeps its icon unless --icon gives one (an empty one removes it)"},
    {"Scenes", "tavik scene favorite ID", "star or unstar (at most 3 favourites)"},
    {"Scenes", "tavik scene delete ID", "delete a saved scene"},

    {"Displays", "tavik displays",
     "the connected displays, one \"ID<tab>NAME\" a line; the ids are the keys of app.monitors"},

    {"Pictures",
     "tavik render [--preset ID] [--set KEY=VALUE]... [--size WxH] [--scale S] [--time T] [--fps F] "
     "[--seed N] [--uptime U] [--frames N] [--dock X,Y,W,H] [--background #RRGGBB] "
     "[--renderer raster|gl] [--dump FILE.json] --out FILE.png",
     "the atmosphere of these settings drawn headless, as if switched on (default 1440x900, 3 s simulated)"},

    {"Live weather", "tavik weather [--ip-location]",
     "look up the weather here once and print it (changes no setting; --ip-location skips the location service)"},

    {"Sound",
     "tavik sound [--seconds S] [--preset ID] [--set KEY=VALUE] [--uptime U] [--thunder-at T[:BRIGHTNESS]]... "
     "[--sleep-in T] [--seed N] [--float] --out FILE.wav",
     "the soundscape of these settings with sound on, rendered offline (default 10 s, 16-bit); "
     "--sleep-in lets the sleep timer run out T s in"},
    {"Sound", "tavik sound-timer MINUTES|off",
     "fade the sound out and switch it off in MINUTES (1 to 90), or stop the countdown"},

    {"Help", "tavik help | --help", "this text"},
    {"Help", "tavik --version", "the installed version"},
};

QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

// Fills lines up to kWidth; the first starts after `first` characters already on it, the rest
// are indented by `indent`.
QStringList wrap(const QStringList& text, qsizetype first, qsizetype indent)
{
    QStringList lines;
    QString line;
    qsizetype used = first;
    for (const QString& word : text) {
        if (!line.isEmpty() && used + 1 + word.size() > kWidth) {
            lines << line;
            line.clear();
            used = indent;
        }
        if (!line.isEmpty()) {
            line += u' ';
            ++used;
        }
        line += word;
        used += word.size();
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

void appendEntry(QString& out, const CommandHelp& entry)
{
    const QStringList synopsisWords = words(entry.synopsis);
    // Options of a long command line up under the first one.
    const qsizetype optionIndent = 2 + synopsisWords.mid(0, 2).join(u' ').size() + 1;
    const QStringList synopsis = wrap(synopsisWords, 2, optionIndent);
    const QStringList summary = wrap(words(entry.summary), kSummaryColumn, kSummaryColumn);
    for (qsizetype i = 0; i < synopsis.size(); ++i)
        out += QString(i == 0 ? 2 : optionIndent, u' ') + synopsis[i] + u'\n';
    const qsizetype lastLength = (synopsis.size() == 1 ? 2 : optionIndent) + synopsis.back().size();
    if (synopsis.size() == 1 && lastLength < kSummaryColumn - 1) {
        out.chop(1);
        out += QString(kSummaryColumn - lastLength, u' ');
    } else {
        out += QString(kSummaryColumn, u' ');
    }
    out += summary.join(u'\n' + QString(kSummaryColumn, u' ')) + u'\n';
}

// Text that man(7) shows as written: hyphens stay hyphens, backslashes stay backslashes, and
// no line starts as a request.
QString roff(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\e")).replace(u'-', QStringLiteral("\\-"));
    if (escaped.startsWith(u'.') || escaped.startsWith(u'\''))
        escaped.prepend(QStringLiteral("\\&"));
    return escaped;
}

// A synopsis in the manual's convention: literal words bold, placeholders italic, brackets and
// bars plain.
QString roffSynopsis(const char* synopsis)
{
    static const QRegularExpression word(QStringLiteral("^([\\[|]*)(.*?)([\\].|]*)$"));
    QString out;
    int depth = 0; // inside brackets: an option and its value are not split across lines
    for (const QString& token : words(synopsis)) {
        if (!out.isEmpty())
            out += depth > 0 ? QStringLiteral("\\ ") : QStringLiteral(" ");
        depth += int(token.count(u'[')) - int(token.count(u']'));
        const QRegularExpressionMatch match = word.match(token);
        const QString core = match.captured(2);
        if (core.isEmpty()) {
            out += roff(token);
            continue;
        }
        // KEY=VALUE, FILE.png, T[:BRIGHTNESS]: a placeholder starts with a capital.
        const qsizetype firstLetter = core.indexOf(QRegularExpression(QStringLiteral("[A-Za-z]")));
        const bool placeholder = firstLetter >= 0 && core[firstLetter].isUpper();
        out += roff(match.captured(1)) + (placeholder ? QStringLiteral("\\fI") : QStringLiteral("\\fB")) + roff(core)
            + QStringLiteral("\\fR") + roff(match.captured(3));
    }
    return out;
}

} // namespace

std::span<const CommandHelp> commandHelp()
{
    return kCommands;
}

QStringList commandWords()
{
    QStringList result;
    for (const CommandHelp& entry : kCommands) {
        const QStringList synopsis = words(entry.synopsis);
        if (synopsis.size() < 2)
            continue;
        QString command = synopsis[1];
        if (command == u"scene" && synopsis.size() > 2)
            command += u' ' + synopsis[2];
        if (!result.contains(command))
            result << command;
        // "tavik help | --help": one command, two spellings.
        if (synopsis.size() > 3 && synopsis[2] == u"|")
            result << synopsis[3];
    }
    return result;
}

QString helpText()
{
    QString out = QStringLiteral("Usage: tavik [COMMAND]\n\n") + wrap(words(kIntro), 0, 0).join(u'\n') + u'\n';
    const char* section = nullptr;
    for (const CommandHelp& entry : kCommands) {
        if (!section || qstrcmp(section, entry.section) != 0) {
            section = entry.section;
            out += u'\n' + QString::fromUtf8(section) + QStringLiteral(":\n");
        }
        appendEntry(out, entry);
    }
    out += QStringLiteral("\nSettings live in %1 (%2).\nExit status:")
               .arg(QString::fromUtf8(kSettingsFile), QString::fromUtf8(kSettingsFileDefault));
    for (const ExitStatus& status : kExitStatuses)
        out += QStringLiteral(" %1 %2%3").arg(status.code).arg(QString::fromUtf8(status.meaning), status.code == 2 ? u"." : u",");
    return out + u'\n';
}

QString manPage(const QString& version)
{
    QString out;
    out += QStringLiteral(".TH TAVIK 1 \"\" \"tavik %1\" \"User Commands\"\n").arg(roff(version));
    // Option names and keys read badly broken across lines.
    out += QStringLiteral(".nh\n.ad l\n");
    out += QStringLiteral(".SH NAME\ntavik \\- animated weather over the desktop, with an ambient soundscape\n");
    out += QStringLiteral(".SH SYNOPSIS\n.B tavik\n[\\fICOMMAND\\fR]\n");
    out += QStringLiteral(".SH DESCRIPTION\n") + roff(QString::fromUtf8(kIntro)) + u'\n';
    out += QStringLiteral(".SH COMMANDS\n");
    const char* section = nullptr;
    for (const CommandHelp& entry : kCommands) {
        if (!section || qstrcmp(section, entry.section) != 0) {
            section = entry.section;
            out += QStringLiteral(".SS %1\n").arg(roff(QString::fromUtf8(section)));
        }
        out += QStringLiteral(".TP\n") + roffSynopsis(entry.synopsis) + u'\n' + roff(QString::fromUtf8(entry.summary)) + u'\n';
    }
    out += QStringLiteral(".SH FILES\n.TP\n.I %1\nThe settings (%2 when XDG_CONFIG_HOME is not set).\n")
               .arg(roff(QString::fromUtf8(kSettingsFile)), roff(QString::fromUtf8(kSettingsFileDefault)));
    out += QStringLiteral(".SH EXIT STATUS\n");
    for (const ExitStatus& status : kExitStatuses)
        out += QStringLiteral(".TP\n.B %1\n%2\n").arg(status.code).arg(roff(QString::fromUtf8(status.meaning)));
    return out;
}

} // namespace tavik
