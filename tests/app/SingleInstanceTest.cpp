#include "app/SingleInstance.h"

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
    int calls = 0;
    // The program's own commands reach it in shell-e2e.sh; here every part of a reply makes the trip.
    SingleInstanceServer::Handler echo = [this](const QStringList& args) {
        ++calls;
        return InstanceReply{int(args.size()), args.join(u' '), args.value(1)};
    };

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
};

} // namespace

// Leftovers of a crashed program are cleared; text that is not ASCII survives the trip both ways;
// the second holder takes over from the first.
TEST_F(SingleInstance, OneHolderAtATimeAnsweringEachCommand)
{
    ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
    EXPECT_EQ(sendToRunningInstance(path, {QStringLiteral("list")}).status, InstanceAnswer::Status::notRunning);

    auto first = std::make_unique<SingleInstanceServer>(path, echo);
    ASSERT_EQ(first->claim(), SingleInstanceServer::Claim::primary);
    SingleInstanceServer second(path, echo);
    EXPECT_EQ(second.claim(), SingleInstanceServer::Claim::secondary);
    const QString name = QStringLiteral("Nuit ☔ d'été");
    const InstanceReply reply = send({QStringLiteral("save"), name}).reply;
    EXPECT_EQ(reply.exitCode, 2);
    EXPECT_EQ(reply.out, QStringLiteral("save ") + name);
    EXPECT_EQ(reply.err, name);

    first.reset();
    EXPECT_EQ(second.claim(), SingleInstanceServer::Claim::primary);
    EXPECT_EQ(send({QStringLiteral("status")}).status, InstanceAnswer::Status::answered);
    EXPECT_EQ(SingleInstanceServer(QStringLiteral("/nonexistent/folder/s"), {}).claim(), SingleInstanceServer::Claim::failed);
}

TEST_F(SingleInstance, HostileClientsAreCutOffAndOthersStillServed)
{
    SingleInstanceServer server(path, echo);
    ASSERT_EQ(server.claim(), SingleInstanceServer::Claim::primary);
    QByteArray huge(4, '\0');
    qToBigEndian<quint32>(0xFFFFFFFFu, huge.data());
    // The last: two requests in one go, where only one is ever served per connection.
    for (const QByteArray& bytes : {huge, frameMessage("this is not json"), frameMessage(R"({"args": ["get", 7]})"),
                                    frameMessage(R"(["get"])"), frameMessage(R"({"args": []})") + frameMessage(R"({"args": []})")}) {
        const bool answered = whileServing([this, bytes] {
            QLocalSocket socket;
            socket.connectToServer(path);
            if (!socket.waitForConnected(2000))
                return true;
            socket.write(bytes);
            socket.waitForBytesWritten(2000);
            while (socket.state() == QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
                socket.waitForReadyRead(2000);
            return socket.bytesAvailable() > 0;
        });
        EXPECT_FALSE(answered) << bytes.toHex().left(40).constData();
    }
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

} // namespace

// A private runtime folder, else a private temporary one (made or tightened so), else, when someone
// else holds that, one in the cache: every process still picks the same, so only one runs.
TEST(SingleInstancePath, ThePrivateFolderEveryProcessAgreesOn)
{
    QTemporaryDir root;
    QTemporaryDir elsewhere;
    InstanceFolders folders{root.filePath(QStringLiteral("runtime")), root.filePath(QStringLiteral("tavik-tmp")),
                            root.filePath(QStringLiteral("cache/tavik"))};
    const QString inTemporary = QDir(folders.temporary).filePath(QStringLiteral("instance.socket"));
    ASSERT_TRUE(QDir().mkdir(folders.runtime));
    QFile::setPermissions(folders.runtime, kOwnerOnly);
    EXPECT_EQ(instanceSocketPath(folders), QDir(folders.runtime).filePath(QStringLiteral("tavik.socket")));
    QFile::setPermissions(folders.runtime, kOwnerOnly | QFileDevice::ReadOther | QFileDevice::ExeOther);
    EXPECT_EQ(instanceSocketPath(folders), inTemporary);
    EXPECT_TRUE(isPrivate(folders.temporary));
    QFile::setPermissions(folders.temporary, kOwnerOnly | QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    folders.runtime = QStringLiteral("relative/path");
    EXPECT_EQ(instanceSocketPath(folders), inTemporary);
    EXPECT_TRUE(isPrivate(folders.temporary));

    const struct {
        const char* what;
        std::function<bool(const QString&)> squat; // false: cannot be set up here
    } cases[] = {
        {"a link to an open folder", [&](const QString& path) { return QFile::link(elsewhere.path(), path); }},
        {"a plain file", [](const QString& path) { return QFile(path).open(QIODevice::WriteOnly); }},
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
        EXPECT_EQ(path, QDir(folders.cache).filePath(QStringLiteral("instance.socket"))) << c.what;
        EXPECT_TRUE(isPrivate(folders.cache)) << c.what;
        SingleInstanceServer first(path, {});
        SingleInstanceServer second(instanceSocketPath(folders), {});
        EXPECT_EQ(first.claim(), SingleInstanceServer::Claim::primary) << c.what;
        EXPECT_EQ(second.claim(), SingleInstanceServer::Claim::secondary) << c.what;
    }
}
