#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <future>

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

TEST_F(SingleInstance, SettingsCommandsRunAgainstTheLiveStore)
{
    SingleInstanceServer server(path, settingsHandler());
    ASSERT_EQ(server.claim(), SingleInstanceServer::Claim::primary);

    const InstanceAnswer toggled = send({QStringLiteral("toggle")});
    ASSERT_EQ(toggled.status, InstanceAnswer::Status::answered);
    EXPECT_EQ(toggled.reply.exitCode, kExitOk);
    EXPECT_EQ(toggled.reply.out, QStringLiteral("off\n"));
    EXPECT_FALSE(store.enabled());

    const InstanceAnswer bad = send({QStringLiteral("set"), QStringLiteral("no.such.key"), QStringLiteral("1")});
    ASSERT_EQ(bad.status, InstanceAnswer::Status::answered);
    EXPECT_EQ(bad.reply.exitCode, kExitUsage);
    EXPECT_TRUE(bad.reply.out.isEmpty());
    EXPECT_TRUE(bad.reply.err.contains(QStringLiteral("unknown setting")));

    // Text that is not ASCII survives the trip both ways.
    const InstanceAnswer named = send({QStringLiteral("scene"), QStringLiteral("save"), QStringLiteral("Nuit ☔ d'été")});
    ASSERT_EQ(named.status, InstanceAnswer::Status::answered);
    EXPECT_EQ(store.savedScenes().front().name, QStringLiteral("Nuit ☔ d'été"));
}

TEST_F(SingleInstance, OneHolderAtATimeAndLeftoversAreCleared)
{
    // Nothing listens: commands fall back to the file.
    EXPECT_EQ(sendToRunningInstance(path, {QStringLiteral("list")}).status, InstanceAnswer::Status::notRunning);
    EXPECT_EQ(sendToRunningInstance(QString(), {QStringLiteral("list")}).status, InstanceAnswer::Status::notRunning);

    // A crashed program's socket file and lock file are still there.
    {
        QFile stale(path);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(sendToRunningInstance(path, {QStringLiteral("list")}).status, InstanceAnswer::Status::notRunning);

    auto first = std::make_unique<SingleInstanceServer>(path, settingsHandler());
    ASSERT_EQ(first->claim(), SingleInstanceServer::Claim::primary);
    SingleInstanceServer second(path, settingsHandler());
    EXPECT_EQ(second.claim(), SingleInstanceServer::Claim::secondary);
    EXPECT_EQ(send({QStringLiteral("get"), QStringLiteral("app.enabled")}).reply.out, QStringLiteral("true\n"));

    first.reset();
    EXPECT_EQ(second.claim(), SingleInstanceServer::Claim::primary);
    EXPECT_EQ(send({QStringLiteral("get"), QStringLiteral("app.enabled")}).status, InstanceAnswer::Status::answered);

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

TEST(SingleInstancePath, PrivateRuntimeFolderOrAPrivateOneInTmp)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_EQ(instanceSocketPath(), QDir(runtime.path()).filePath(QStringLiteral("tavik.socket")));

    // A runtime folder others can read is not used; the fallback is made private.
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString fallback = instanceSocketPath();
    ASSERT_FALSE(fallback.isEmpty());
    EXPECT_TRUE(fallback.startsWith(QStringLiteral("/tmp/tavik-")));
    EXPECT_EQ(QFileInfo(QFileInfo(fallback).path()).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);

    qputenv("XDG_RUNTIME_DIR", "relative/path");
    EXPECT_TRUE(instanceSocketPath().startsWith(QStringLiteral("/tmp/tavik-")));
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
}
