#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace tavik;

namespace {

const QString kExec = QStringLiteral("/opt/tavik/tavik --background");
const QByteArray kUsersLine = "X-Users-Own=kept\n";

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

enum class Before { absent, ours, oursFromAnotherPlace, edited, editedShownAgain, hiddenByUser, offInGnome, blocked };
enum class After { absent, ours, usersKeptButHidden, asBefore };

class AutostartEntry : public ::testing::Test {
protected:
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("autostart/tavik.desktop"));
    Autostart autostart{path, kExec};

    void prepare(Before before)
    {
        switch (before) {
        case Before::absent: break;
        case Before::ours: writeBytes(path, Autostart::entryFor(kExec)); break;
        case Before::oursFromAnotherPlace:
            writeBytes(path, Autostart::entryFor(QStringLiteral("/home/me/build/tavik --background")));
            break;
        case Before::edited: writeBytes(path, Autostart::entryFor(kExec) + kUsersLine); break;
        case Before::editedShownAgain: writeBytes(path, Autostart::entryFor(kExec) + "Hidden=false\n" + kUsersLine); break;
        case Before::hiddenByUser: writeBytes(path, Autostart::entryFor(kExec) + "Hidden=true\n"); break;
        case Before::offInGnome:
            writeBytes(path, Autostart::entryFor(kExec).replace("X-GNOME-Autostart-enabled=true", "X-GNOME-Autostart-enabled=false"));
            break;
        // A file where the folder should be: nothing can be written, not even as root.
        case Before::blocked: writeBytes(folder.filePath(QStringLiteral("autostart")), "not a folder"); break;
        }
    }
};

} // namespace

// The switch reads only the file, and each way of finding it ends in the state asked for without
// losing what the user wrote, except when turning on, which rewrites the entry whole.
TEST_F(AutostartEntry, EndsInTheStateAskedForAndKeepsTheUsersLines)
{
    struct Case {
        const char* what;
        Before before;
        bool readsOn;
        bool turnOn;
        bool fails;
        After after;
    };
    const Case cases[] = {
        {"absent, on", Before::absent, false, true, false, After::ours},
        {"absent, off", Before::absent, false, false, false, After::absent},
        {"ours, on again", Before::ours, true, true, false, After::ours},
        {"ours, off", Before::ours, true, false, false, After::absent},
        {"ours from a build elsewhere, off", Before::oursFromAnotherPlace, true, false, false, After::absent},
        {"edited, on", Before::edited, true, true, false, After::ours},
        {"edited, off", Before::edited, true, false, false, After::usersKeptButHidden},
        {"edited with Hidden=false, off", Before::editedShownAgain, true, false, false, After::usersKeptButHidden},
        {"hidden by the user, off", Before::hiddenByUser, false, false, false, After::asBefore},
        {"hidden by the user, on", Before::hiddenByUser, false, true, false, After::ours},
        {"off in GNOME's key, off", Before::offInGnome, false, false, false, After::asBefore},
        {"folder cannot be made, on", Before::blocked, false, true, true, After::absent},
        {"folder cannot be made, off", Before::blocked, false, false, false, After::absent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(folder.path()).removeRecursively();
        QDir().mkpath(folder.path());
        prepare(c.before);
        const QByteArray before = fileBytes(path);
        EXPECT_EQ(autostart.isOn(), c.readsOn);

        const std::optional<QString> problem = autostart.setOn(c.turnOn);
        EXPECT_EQ(problem.has_value(), c.fails) << problem.value_or(QString()).toStdString();
        if (problem) {
            EXPECT_TRUE(problem->contains(path)) << "names the file";
        }
        EXPECT_EQ(autostart.isOn(), c.turnOn && !c.fails);

        const QByteArray after = fileBytes(path);
        switch (c.after) {
        case After::absent: EXPECT_FALSE(QFileInfo::exists(path)); break;
        case After::ours: EXPECT_EQ(after, Autostart::entryFor(kExec)); break;
        case After::asBefore: EXPECT_EQ(after, before); break;
        case After::usersKeptButHidden:
            EXPECT_TRUE(after.contains(kUsersLine));
            EXPECT_EQ(after.count("Hidden="), 1);
            EXPECT_TRUE(after.contains("Hidden=true"));
            EXPECT_EQ(QByteArray(after).replace("Hidden=true\n", "").replace("Hidden=false\n", ""),
                      QByteArray(before).replace("Hidden=false\n", ""));
            break;
        }
    }
}

// The Exec value names this program so that the desktop runs exactly it: the bare name when the
// PATH finds this very file, else the absolute path, quoted and escaped as an entry needs. Every
// entry written must pass the desktop's own validator.
TEST(AutostartExec, NamesThisProgramInAFormTheDesktopReads)
{
    QTemporaryDir folder;
    const QString installed = folder.filePath(QStringLiteral("bin/tavik"));
    const QString linked = folder.filePath(QStringLiteral("path/tavik"));
    writeBytes(installed, "#!/bin/sh\n");
    QDir().mkpath(folder.filePath(QStringLiteral("path")));
    ASSERT_TRUE(QFile::link(installed, linked));
    writeBytes(folder.filePath(QStringLiteral("other/tavik")), "#!/bin/sh\n");

    struct Case {
        QString program;
        QString onPath;
        std::optional<QString> exec;
    };
    const Case cases[] = {
        {installed, linked, QStringLiteral("tavik --background")},
        {installed, folder.filePath(QStringLiteral("other/tavik")), installed + QStringLiteral(" --background")},
        {installed, QString(), installed + QStringLiteral(" --background")},
        {QStringLiteral("/home/me/my build/tavik"), QString(), QStringLiteral("\"/home/me/my build/tavik\" --background")},
        {QStringLiteral("/opt/100%/tavik"), QString(), QStringLiteral("/opt/100%%/tavik --background")},
        {QStringLiteral("/opt/a$b/tavik"), QString(), QStringLiteral(R"("/opt/a\\$b/tavik" --background)")},
        {QStringLiteral(R"(/opt/a"b\c/tavik)"), QString(), QStringLiteral(R"("/opt/a\\"b\\\\c/tavik" --background)")},
        {QStringLiteral("/opt/a\nb/tavik"), QString(), std::nullopt},
    };
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program.toStdString());
        const auto exec = Autostart::execFor(c.program, c.onPath);
        EXPECT_EQ(exec, c.exec);
        if (!exec || validator.isEmpty())
            continue;
        const QString entry = folder.filePath(QStringLiteral("tavik.desktop"));
        writeBytes(entry, Autostart::entryFor(*exec));
        QProcess validate;
        validate.start(validator, {entry});
        ASSERT_TRUE(validate.waitForFinished());
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
        EXPECT_TRUE(validate.readAllStandardOutput().isEmpty()) << "no warnings either";
    }
}

TEST(AutostartExec, AProgramThatCannotBeNamedIsRefusedNotWritten)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("tavik.desktop"));
    const Autostart autostart(path, QString());
    EXPECT_TRUE(autostart.setOn(true).has_value());
    EXPECT_FALSE(QFileInfo::exists(path));
}
