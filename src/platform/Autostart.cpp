#include "platform/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace tavik {

namespace {

constexpr const char* kGroup = "[Desktop Entry]";
constexpr const char* kBareCommand = "tavik";
constexpr const char* kStartOption = " --background";
// An autostart entry is a few hundred bytes; a bigger file is somebody else's, and only that
// much of it is read.
constexpr qint64 kMostBytesRead = 1 << 20;

// Characters that make an Exec argument need quotes, and those that need a backslash inside them.
const QString kReservedInExec = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
const QString kEscapedInQuotes = QStringLiteral("\"`$\\");

struct Line {
    QByteArray key; // empty for a group header, a comment or a blank line
    QByteArray value;
};

Line parseLine(const QByteArray& raw)
{
    const QByteArray line = raw.trimmed();
    const qsizetype equals = line.indexOf('=');
    if (line.startsWith('#') || line.startsWith('[') || equals <= 0)
        return {};
    return {line.left(equals).trimmed(), line.mid(equals + 1).trimmed()};
}

// The lines of the main group, by index into `lines`.
QList<qsizetype> mainGroupLines(const QList<QByteArray>& lines)
{
    QList<qsizetype> indices;
    bool inside = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith('['))
            inside = line == kGroup;
        else if (inside)
            indices << i;
    }
    return indices;
}

std::optional<QByteArray> mainGroupValue(const QByteArray& entry, const QByteArray& key)
{
    const QList<QByteArray> lines = entry.split('\n');
    for (const qsizetype i : mainGroupLines(lines)) {
        const Line line = parseLine(lines[i]);
        if (line.key == key)
            return line.value;
    }
    return std::nullopt;
}

bool switchedOffInside(const QByteArray& entry)
{
    return mainGroupValue(entry, "Hidden") == "true" || mainGroupValue(entry, "X-GNOME-Autostart-enabled") == "false";
}

// The user's entry with Hidden=true in its main group, every other line as it was.
QByteArray hidden(const QByteArray& entry)
{
    QList<QByteArray> lines = entry.split('\n');
    const QList<qsizetype> group = mainGroupLines(lines);
    for (const qsizetype i : group) {
        if (parseLine(lines[i]).key == "Hidden") {
            lines[i] = "Hidden=true";
            return lines.join('\n');
        }
    }
    const auto header = std::find_if(lines.begin(), lines.end(), [](const QByteArray& l) { return l.trimmed() == kGroup; });
    if (header == lines.end())
        return QByteArray(kGroup) + "\nHidden=true\n" + entry;
    lines.insert(header + 1, "Hidden=true");
    return lines.join('\n');
}

QString configHome()
{
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.config");
}

} // namespace

Autostart::Autostart(QString path, QString exec)
    : m_path(std::move(path))
    , m_exec(std::move(exec))
{
}

Autostart Autostart::forThisProgram()
{
    const auto exec = execFor(QCoreApplication::applicationFilePath(),
                              QStandardPaths::findExecutable(QString::fromLatin1(kBareCommand)));
    return {configHome() + QStringLiteral("/autostart/tavik.desktop"), exec.value_or(QString())};
}

QByteArray Autostart::entryFor(const QString& exec)
{
    return QByteArray(kGroup) + "\n"
        "Type=Application\n"
        "Name=Tavik\n"
        "Comment=Animated weather over your desktop, with an ambient soundscape\n"
        "Exec=" + exec.toUtf8() + "\n"
        "Icon=tavik\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
}

std::optional<QString> Autostart::execFor(const QString& program, const QString& onPath)
{
    const QString canonical = QFileInfo(program).canonicalFilePath();
    if (!canonical.isEmpty() && canonical == QFileInfo(onPath).canonicalFilePath())
        return QString::fromLatin1(kBareCommand) + QString::fromLatin1(kStartOption);
    const QString path = QFileInfo(program).absoluteFilePath();
    if (std::any_of(path.begin(), path.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }))
        return std::nullopt;
    QString argument = path;
    if (std::any_of(path.begin(), path.end(), [](QChar c) { return kReservedInExec.contains(c); })) {
        argument = QStringLiteral("\"");
        for (const QChar c : path) {
            if (kEscapedInQuotes.contains(c))
                argument += u'\\';
            argument += c;
        }
        argument += u'"';
    }
    // A lone percent sign would start a field code; the string value's own escapes come on top.
    argument.replace(u'%', QStringLiteral("%%")).replace(u'\\', QStringLiteral("\\\\"));
    return argument + QString::fromLatin1(kStartOption);
}

std::optional<QByteArray> Autostart::read() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(kMostBytesRead);
}

bool Autostart::isOn() const
{
    const auto entry = read();
    return entry && !switchedOffInside(*entry);
}

bool Autostart::isEditedByHand() const
{
    const auto entry = read();
    if (!entry)
        return false;
    const auto exec = mainGroupValue(*entry, "Exec");
    return !exec || *entry != entryFor(QString::fromUtf8(*exec));
}

std::optional<QString> Autostart::setOn(bool on) const
{
    const auto current = read();
    if (on) {
        if (m_exec.isEmpty())
            return QStringLiteral("the program's path %1 cannot be written into a desktop entry")
                .arg(QCoreApplication::applicationFilePath());
        const QByteArray entry = entryFor(m_exec);
        return current == entry ? std::nullopt : write(entry);
    }
    if (current)
        return turnOff(*current);
    if (QFileInfo(m_path).isSymLink() || QFileInfo::exists(m_path))
        return QStringLiteral("%1 is there but cannot be read").arg(m_path);
    return std::nullopt;
}

std::optional<QString> Autostart::turnOff(const QByteArray& current) const
{
    if (switchedOffInside(current))
        return std::nullopt;
    if (current.size() >= kMostBytesRead)
        return QStringLiteral("%1 is too big to be an autostart entry; it was left as it is").arg(m_path);
    if (isEditedByHand())
        return write(hidden(current));
    QFile file(m_path);
    if (!file.remove())
        return QStringLiteral("could not remove %1: %2").arg(m_path, file.errorString());
    return std::nullopt;
}

// Whole or not at all: a desktop reading the folder at login never sees half an entry.
std::optional<QString> Autostart::write(const QByteArray& bytes) const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return std::nullopt;
    return QStringLiteral("could not write %1: %2").arg(m_path, file.errorString());
}

} // namespace tavik
