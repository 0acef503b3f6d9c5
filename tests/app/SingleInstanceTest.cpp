#include "cli/CommandLine.h"
#include "app/SingleInstance.h"

#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>
#include <future>

#include <unistd.h>

using namespace tavik;

namespace {

class SingleInstance : public ::testing::Test {
protected:
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("s"));
    MemoryKeyValueStore db;
    SettingsStore store{db};

    SingleInstanceServer::Handler settingsHandler()
    {
        return [this](const QStringList& args) {
            InstanceReply reply;
            QTextStream out(&reply.out);
            QTextStream err(&reply.err);
            CommandContext context{store, out, err, QStringLiteral("/test/tavik.conf")};
            reply.exitCode = runSettingsCommand(args, context);
            return reply;
        };
    }

    // The client blocks, so it runs on another thread while this one serves.
    template <typename F>
    static auto whileServing(F work)
    {
        auto pending = std::async(std::launch::async, std::move(work));
        while (pending.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return pending.get();
    }

    InstanceAnswer send(const QStringList& args)
    {
        return whileServing([this, args] { return sendToRunningInstance(path, args, std::chrono::seconds(5)); });
    }

    // Writes raw bytes and reports whether the server answered anything before hanging up.
    bool answersRaw(const QByteArray& bytes)
    {
        return whileServing([this, bytes] {
            QLocalSocket socket;
            socket.connectToServer(path);
            if (!socket.waitForConnected(2000))
                return true; // counts as a failure below
            socket.write(bytes);
            socket.waitForBytesWritten(2000);
            while (socket.state() == QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
                socket.waitForReadyRead(2000);
            return socket.bytesAvailable() > 0;
        });
    }
};

} // namespace

// Commands run against the live store; text that is not ASCII survives the trip both ways.
// Leftovers of a crashed program are cleared, and the second holder takes over from the first.
TEST_F(SingleInstance, OneHolderAtATimeRunningCommandsOnTheLiveStore)
{
    EXPECT_EQ(sendToRunningInstance(path, {QStringLiteral("list")}).status, InstanceAnswer::Status::notRunning);
    {
        QFile stale(path);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(sendToRunningInstance(path, {QStringLiteral("list")}).status, InstanceAnswer::Status::notRunning);

    auto first = std::make_unique<SingleInstanceServer>(path, settingsHandler());
    ASSERT_EQ(first->claim(), SingleInstanceServer::Claim::primary);
    SingleInstanceServer second(path, settingsHandler());
    EXPECT_EQ(second.claim(), SingleInstanceServer::Claim::secondary);
    const QString name = QStringLiteral("Nuit ☔ d'été");
    EXPECT_EQ(send({QStringLiteral("scene"), QStringLiteral("save"), name}).reply.exitCode, kExitOk);
    EXPECT_EQ(store.savedScenes().front().name, name);
    EXPECT_TRUE(send({QStringLiteral("scene"), QStringLiteral("list")}).reply.out.contains(name));

    first.reset();
    EXPECT_EQ(second.claim(), SingleInstanceServer::Claim::primary);
    const InstanceAnswer bad = send({QStringLiteral("set"), QStringLiteral("no.such.key"), QStringLiteral("1")});
    ASSERT_EQ(bad.status, InstanceAnswer::Status::answered);
    EXPECT_EQ(bad.reply.exitCode, kExitUsage);

    SingleInstanceServer nowhere(QStringLiteral("/nonexistent/folder/s"), settingsHandler());
    EXPECT_EQ(nowhere.claim(), SingleInstanceServer::Claim::failed);
}

TEST_F(SingleInstance, HostileClientsAreCutOffAndOthersStillServed)
{
    int calls = 0;
    SingleInstanceServer server(path, [&](const QStringList&) { ++calls; return InstanceReply{}; });
    ASSERT_EQ(server.claim(), SingleInstanceServer::Claim::primary);

    QByteArray huge(4, '\0');
    qToBigEndian<quint32>(0xFFFFFFFFu, huge.data());
    EXPECT_FALSE(answersRaw(huge));
    EXPECT_FALSE(answersRaw(frameMessage("this is not json")));
    EXPECT_FALSE(answersRaw(frameMessage(R"({"args": ["get", 7]})")));
    EXPECT_FALSE(answersRaw(frameMessage(R"(["get"])")));
    // Two requests in one go: only one is ever served per connection.
    EXPECT_FALSE(answersRaw(frameMessage(R"({"args": []})") + frameMessage(R"({"args": []})")));
    EXPECT_EQ(calls, 0);

    // A client that connects and says nothing holds no one up.
    QLocalSocket silent;
    silent.connectToServer(path);
    ASSERT_TRUE(silent.waitForConnected(2000));
    EXPECT_EQ(send({QStringLiteral("status")}).status, InstanceAnswer::Status::answered);
    EXPECT_EQ(calls, 1);
}

TEST(SingleInstanceReply, OnlyWellFormedAnswersAreTrusted)
{
    EXPECT_TRUE(decodeReply(R"({"exit": 2, "out": "a", "err": "b"})").has_value());
    for (const char* bad : {"", "[]", R"({"out": "a"})", R"({"exit": "0"})", R"({"exit": 1.5})", R"({"exit": -1})", R"({"exit": 256})"})
        EXPECT_FALSE(decodeReply(bad).has_value()) << bad;
}

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

bool isPrivate(const QString& folder)
{
    constexpr QFileDevice::Permissions kGroupOrOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup
        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    return QFileInfo(folder).isDir() && (QFileInfo(folder).permissions() & kGroupOrOthers) == 0;
}

class SingleInstancePath : public ::testing::Test {
protected:
    QTemporaryDir root;
    InstanceFolders folders{root.filePath(QStringLiteral("runtime")), root.filePath(QStringLiteral("tavik-tmp")),
                            root.filePath(QStringLiteral("cache/tavik"))};
    QString inTemporary = QDir(folders.temporary).filePath(QStringLiteral("instance.socket"));
    QString inCache = QDir(folders.cache).filePath(QStringLiteral("instance.socket"));
};

} // namespace

TEST_F(SingleInstancePath, APrivateRuntimeFolderElseAPrivateTemporaryOne)
{
    ASSERT_TRUE(QDir().mkdir(folders.runtime));
    QFile::setPermissions(folders.runtime, kOwnerOnly);
    EXPECT_EQ(instanceSocketPath(folders), QDir(folders.runtime).filePath(QStringLiteral("tavik.socket")));

    // A runtime folder others can read is passed over; the temporary one is made private.
    QFile::setPermissions(folders.runtime, kOwnerOnly | QFileDevice::ReadOther | QFileDevice::ExeOther);
    EXPECT_EQ(instanceSocketPath(folders), inTemporary);
    EXPECT_TRUE(isPrivate(folders.temporary));

    // A temporary folder of ours gone loose is tightened, not given up.
    QFile::setPermissions(folders.temporary, kOwnerOnly | QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    InstanceFolders relative = folders;
    relative.runtime = QStringLiteral("relative/path");
    EXPECT_EQ(instanceSocketPath(relative), inTemporary);
    EXPECT_TRUE(isPrivate(folders.temporary));
    EXPECT_FALSE(QFileInfo::exists(folders.cache));
}

TEST_F(SingleInstancePath, SomeoneElsesTemporaryFolderStillLetsOnlyOneRun)
{
    QTemporaryDir elsewhere;
    const struct {
        const char* what;
        std::function<bool(const QString&)> squat; // false: cannot be set up here
    } cases[] = {
        {"a link to an open folder", [&](const QString& path) { return QFile::link(elsewhere.path(), path); }},
        {"a plain file", [](const QString& path) { QFile file(path); return file.open(QIODevice::WriteOnly); }},
        {"someone else's folder",
         [](const QString& path) {
             constexpr uid_t kNobody = 65534;
             return QDir().mkdir(path) && QFile::setPermissions(path, kOwnerOnly) && ::chown(qPrintable(path), kNobody, kNobody) == 0;
         }},
    };
    for (const auto& c : cases) {
        QDir(folders.cache).removeRecursively();
        QFile::remove(folders.temporary);
        QDir(folders.temporary).removeRecursively();
        if (!c.squat(folders.temporary)) {
            EXPECT_NE(::getuid(), 0u) << "only an ordinary user cannot give a folder away: " << c.what;
            continue;
        }
        const QString path = instanceSocketPath(folders);
        EXPECT_EQ(path, inCache) << c.what;
        EXPECT_TRUE(isPrivate(folders.cache)) << c.what;
        SingleInstanceServer first(path, {});
        SingleInstanceServer second(instanceSocketPath(folders), {});
        EXPECT_EQ(first.claim(), SingleInstanceServer::Claim::primary) << c.what;
        EXPECT_EQ(second.claim(), SingleInstanceServer::Claim::secondary) << c.what;
    }
}
