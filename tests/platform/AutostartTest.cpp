#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace tavik;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

// Each way of finding the file ends in the state asked for, keeping the user's lines unless turned on.
TEST(Autostart, EndsInTheStateAskedForAndKeepsTheUsersLines)
{
    const QString exec = QStringLiteral("/opt/tavik/tavik --background");
    const QByteArray ours = Autostart::entryFor(exec);
    const QByteArray users = "X-Users-Own=kept\n";
    const QByteArray offInGnome = QByteArray(ours).replace("X-GNOME-Autostart-enabled=true", "X-GNOME-Autostart-enabled=false");
    enum After { absent, isOurs, usersKeptButHidden, asBefore };
    const struct {
        const char* what;
        std::optional<QByteArray> before;
        bool readsOn;
        bool turnOn;
        After after;
        bool blocked = false; // a file where the folder should be: nothing can be written, not even as root
    } cases[] = {
        {"ours from a build elsewhere, off", Autostart::entryFor("/home/me/build/tavik --background"), true, false, absent},
        {"edited, off", ours + users, true, false, usersKeptButHidden},
        {"edited with Hidden=false, off", ours + "Hidden=false\n" + users, true, false, usersKeptButHidden},
        {"hidden by the user, off", ours + "Hidden=true\n", false, false, asBefore},
        {"hidden by the user, on", ours + "Hidden=true\n", false, true, isOurs},
        {"off in GNOME's key, off", offInGnome, false, false, asBefore},
        {"folder cannot be made, on", std::nullopt, false, true, absent, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("autostart/tavik.desktop"));
        const Autostart autostart(path, exec);
        if (c.before)
            writeBytes(path, *c.before);
        if (c.blocked)
            writeBytes(folder.filePath(QStringLiteral("autostart")), "not a folder");
        EXPECT_EQ(autostart.isOn(), c.readsOn);

        const std::optional<QString> problem = autostart.setOn(c.turnOn);
        EXPECT_EQ(problem.has_value(), c.blocked && c.turnOn);
        EXPECT_TRUE(!problem || problem->contains(path)) << "names the file";
        EXPECT_EQ(autostart.isOn(), c.turnOn && !problem);

        QFile written(path);
        const QByteArray after = written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
        EXPECT_EQ(QFileInfo::exists(path), c.after != absent);
        if (c.after == usersKeptButHidden) {
            EXPECT_EQ(after.count("Hidden="), 1);
            EXPECT_EQ(QByteArray(after).replace("Hidden=true\n", ""), QByteArray(*c.before).replace("Hidden=false\n", ""));
        } else {
            EXPECT_EQ(after, c.after == isOurs ? ours : c.after == asBefore ? *c.before : QByteArray());
        }
    }
    // A program that cannot be named is refused, not written.
    QTemporaryDir folder;
    EXPECT_TRUE(Autostart(folder.filePath(QStringLiteral("tavik.desktop")), QString()).setOn(true).has_value());
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

// The bare name when the PATH finds this very file, else the path, quoted and escaped.
TEST(Autostart, ExecNamesThisProgramInAFormTheDesktopReads)
{
    const QString self = QStringLiteral("/proc/self/exe"); // a link, as an installed program often is
    const struct {
        QString program;
        QString onPath;
        std::optional<QString> exec;
    } cases[] = {
        {self, QFileInfo(self).canonicalFilePath(), QStringLiteral("tavik --background")},
        {self, QStringLiteral("/bin/sh"), self + QStringLiteral(" --background")},
        {QStringLiteral("/home/me/my build/tavik"), QString(), QStringLiteral("\"/home/me/my build/tavik\" --background")},
        {QStringLiteral("/opt/100%/tavik"), QString(), QStringLiteral("/opt/100%%/tavik --background")},
        {QStringLiteral(R"(/opt/a"b\c/tavik)"), QString(), QStringLiteral(R"("/opt/a\\"b\\\\c/tavik" --background)")},
        {QStringLiteral("/opt/a\nb/tavik"), QString(), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Autostart::execFor(c.program, c.onPath), c.exec) << c.program.toStdString();
}
