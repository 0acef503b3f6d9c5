#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include <memory>

Q_LOGGING_CATEGORY(lcInstance, "tavik.instance", QtWarningMsg)

namespace tavik {

namespace {

constexpr qsizetype kLengthBytes = 4;
// sockaddr_un holds 108 bytes on Linux and 104 on the BSDs; stay below both.
constexpr qsizetype kMaxSocketPath = 100;
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions kGroupOrOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
    | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

bool ownedByUs(const QFileInfo& info)
{
#ifdef Q_OS_UNIX
    return info.ownerId() == ::getuid();
#else
    Q_UNUSED(info);
    return true;
#endif
}

// A real folder of ours that nobody else can enter; with `tighten`, loose permissions on a
// folder of ours are tightened rather than refused.
bool isPrivateFolder(const QString& path, bool tighten)
{
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir() || !ownedByUs(info))
        return false;
    if (!(info.permissions() & kGroupOrOthers))
        return true;
    return tighten && QFile::setPermissions(path, kOwnerOnly);
}

// A private folder of ours at `path`, made when it is missing. Anything else there (a file, a
// link, someone else's folder) is refused, never taken over.
bool claimPrivateFolder(const QString& path)
{
    if (!QDir::isAbsolutePath(path))
        return false;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        QDir().mkpath(info.path());
        // A folder made in the meantime by someone else is judged below like any other.
        if (QDir().mkdir(path))
            QFile::setPermissions(path, kOwnerOnly);
    }
    return isPrivateFolder(path, true);
}

bool fitsSocketPath(const QString& path)
{
    return path.toLocal8Bit().size() <= kMaxSocketPath;
}

QByteArray encodeReply(const InstanceReply& reply)
{
    const QJsonObject object{{QStringLiteral("exit"), reply.exitCode},
                             {QStringLiteral("out"), reply.out},
                             {QStringLiteral("err"), reply.err}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The length in front of a frame, once all four bytes are there.
std::optional<qint64> frameLength(const QByteArray& buffer)
{
    if (buffer.size() < kLengthBytes)
        return std::nullopt;
    return qint64(qFromBigEndian<quint32>(buffer.constData()));
}

} // namespace

InstanceFolders InstanceFolders::standard()
{
#ifdef Q_OS_UNIX
    const QString temporary = QStringLiteral("/tmp/tavik-%1").arg(::getuid());
#else
    const QString temporary = QDir::temp().filePath(QStringLiteral("tavik"));
#endif
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return {qEnvironmentVariable("XDG_RUNTIME_DIR"), temporary,
            cache.isEmpty() ? QString() : QDir(cache).filePath(QStringLiteral("tavik"))};
}

QString instanceSocketPath(const InstanceFolders& folders)
{
    if (QDir::isAbsolutePath(folders.runtime) && isPrivateFolder(folders.runtime, false)) {
        const QString path = QDir(folders.runtime).filePath(QStringLiteral("tavik.socket"));
        if (fitsSocketPath(path))
            return path;
    }
    for (const QString& folder : {folders.temporary, folders.cache}) {
        const QString path = QDir(folder).filePath(QStringLiteral("instance.socket"));
        if (folder.isEmpty())
            continue;
        if (fitsSocketPath(path) && claimPrivateFolder(folder))
            return path;
        qCWarning(lcInstance) << "cannot keep the command socket in" << folder;
    }
    return {};
}

QByteArray frameMessage(const QByteArray& json)
{
    QByteArray frame(kLengthBytes, '\0');
    qToBigEndian<quint32>(quint32(json.size()), frame.data());
    return frame + json;
}

std::optional<QStringList> decodeRequest(const QByteArray& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonValue args = document.object().value(QStringLiteral("args"));
    if (!document.isObject() || !args.isArray())
        return std::nullopt;
    QStringList list;
    for (const QJsonValue& arg : args.toArray()) {
        if (!arg.isString())
            return std::nullopt;
        list << arg.toString();
    }
    return list;
}

std::optional<InstanceReply> decodeReply(const QByteArray& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonObject object = document.object();
    const QJsonValue exit = object.value(QStringLiteral("exit"));
    // A whole number an exit status can carry; anything else is not an answer of ours.
    if (!document.isObject() || !exit.isDouble() || exit.toDouble() != exit.toInt() || exit.toInt() < 0 || exit.toInt() > 255)
        return std::nullopt;
    return InstanceReply{exit.toInt(), object.value(QStringLiteral("out")).toString(),
                         object.value(QStringLiteral("err")).toString()};
}

// --- the running program's end ---

SingleInstanceServer::SingleInstanceServer(QString socketPath, Handler handler, QObject* parent)
    : QObject(parent)
    , m_path(std::move(socketPath))
    , m_handler(std::move(handler))
    , m_lock(m_path + QStringLiteral(".lock"))
{
    // Only a dead holder makes the lock stale; a long-running program keeps it however old.
    m_lock.setStaleLockTime(0);
}

SingleInstanceServer::~SingleInstanceServer()
{
    if (m_server)
        m_server->close();
}

SingleInstanceServer::Claim SingleInstanceServer::claim()
{
    if (m_server)
        return Claim::primary;
    if (m_path.isEmpty())
        return Claim::failed;
    if (!m_lock.tryLock(0))
        return m_lock.error() == QLockFile::LockFailedError ? Claim::secondary : Claim::failed;
    // We hold the lock, so a socket file here belongs to a process that is gone.
    QLocalServer::removeServer(m_path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->setMaxPendingConnections(kMaxConnections);
    if (!m_server->listen(m_path)) {
        qCWarning(lcInstance) << "cannot listen at" << m_path << m_server->errorString();
        delete m_server;
        m_server = nullptr;
        m_lock.unlock();
        return Claim::failed;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstanceServer::accept);
    return Claim::primary;
}

void SingleInstanceServer::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (m_open >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        serve(socket);
    }
}

void SingleInstanceServer::serve(QLocalSocket* socket)
{
    ++m_open;
    connect(socket, &QObject::destroyed, this, [this] { --m_open; });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A client that never finishes its request is cut off instead of holding a slot.
    QTimer::singleShot(kRequestTimeout, socket, [socket] { socket->abort(); socket->deleteLater(); });

    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket, buffer] {
        buffer->append(socket->readAll());
        const auto length = frameLength(*buffer);
        if (!length)
            return;
        if (*length > kMaxRequestBytes || buffer->size() > kLengthBytes + *length) {
            qCDebug(lcInstance) << "dropping an oversized or overlong request";
            socket->abort();
            return;
        }
        if (buffer->size() < kLengthBytes + *length)
            return;
        const auto args = decodeRequest(buffer->mid(kLengthBytes));
        buffer->clear();
        if (!args) {
            qCDebug(lcInstance) << "dropping a request that is not ours";
            socket->abort();
            return;
        }
        disconnect(socket, &QLocalSocket::readyRead, nullptr, nullptr);
        const InstanceReply reply = m_handler ? m_handler(*args) : InstanceReply{1, {}, {}};
        socket->write(frameMessage(encodeReply(reply)));
        socket->disconnectFromServer();
    });
}

// --- the second process's end ---

InstanceAnswer sendToRunningInstance(const QString& socketPath, const QStringList& args, std::chrono::milliseconds timeout)
{
    InstanceAnswer answer;
    if (socketPath.isEmpty())
        return answer;
    QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 0)))) {
        const auto error = socket.error();
        const bool nobody = error == QLocalSocket::ServerNotFoundError || error == QLocalSocket::ConnectionRefusedError;
        answer.status = nobody ? InstanceAnswer::Status::notRunning : InstanceAnswer::Status::failed;
        return answer;
    }
    answer.status = InstanceAnswer::Status::failed;
    const QJsonObject request{{QStringLiteral("args"), QJsonArray::fromStringList(args)}};
    socket.write(frameMessage(QJsonDocument(request).toJson(QJsonDocument::Compact)));
    if (!socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0))))
        return answer;

    QByteArray buffer;
    while (!deadline.hasExpired()) {
        buffer.append(socket.readAll());
        if (const auto length = frameLength(buffer)) {
            if (*length > kMaxInstanceReplyBytes)
                return answer;
            if (buffer.size() >= kLengthBytes + *length) {
                if (auto reply = decodeReply(buffer.mid(kLengthBytes, *length))) {
                    answer.status = InstanceAnswer::Status::answered;
                    answer.reply = std::move(*reply);
                }
                return answer;
            }
        }
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
            return answer;
        socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
    }
    return answer;
}

} // namespace tavik
