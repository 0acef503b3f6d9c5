#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace tavik {

// What the running program answers to a command sent by a second `tavik`.
struct InstanceReply {
    int exitCode = 0;
    QString out;
    QString err;
};

// The folders the command socket may live in, in the order they are tried.
struct InstanceFolders {
    QString runtime;   // $XDG_RUNTIME_DIR, used only when it is ours and private already
    QString temporary; // /tmp/tavik-UID, made and kept private to us
    QString cache;     // a folder in the user's own cache, for when someone else holds the
                       // temporary one: nobody else can make it, so every process finds the same
    [[nodiscard]] static InstanceFolders standard();
};

// Where the running program listens: $XDG_RUNTIME_DIR/tavik.socket, else instance.socket in
// the first of the other folders that is ours and private (or can be made so). Every process
// of the user makes the same choice, so the lock beside the socket admits exactly one. Empty
// when no such place can be had; then the program runs without the single-instance service.
[[nodiscard]] QString instanceSocketPath(const InstanceFolders& folders = InstanceFolders::standard());

// The running program's end: at most one process per user holds it (a lock file beside the
// socket decides), and it answers each connection's one command through the handler.
// Messages both ways are a 4-byte big-endian length and that much UTF-8 JSON:
// request {"args": [...]}, answer {"exit": N, "out": "...", "err": "..."}.
class SingleInstanceServer final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<InstanceReply(const QStringList& args)>;

    static constexpr qint64 kMaxRequestBytes = 1 << 20;
    static constexpr int kMaxConnections = 16;
    static constexpr std::chrono::milliseconds kRequestTimeout{5000};

    SingleInstanceServer(QString socketPath, Handler handler, QObject* parent = nullptr);
    ~SingleInstanceServer() override;

    enum class Claim {
        primary,   // this process listens now
        secondary, // another live process holds the lock: talk to it
        failed,    // no lock or socket could be made (unwritable folder, ...)
    };
    // Takes the lock, removes a socket file a dead process left behind, and listens.
    Claim claim();

    [[nodiscard]] const QString& socketPath() const { return m_path; }
    [[nodiscard]] int openConnections() const { return m_open; }

private:
    void accept();
    void serve(QLocalSocket* socket);

    QString m_path;
    Handler m_handler;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
    int m_open = 0;
};

// The second process's end.
struct InstanceAnswer {
    enum class Status {
        notRunning, // nothing listens at the path
        answered,
        failed,     // connected, but no valid answer in time
    };
    Status status = Status::notRunning;
    InstanceReply reply;
};

inline constexpr qint64 kMaxInstanceReplyBytes = 8 << 20;
inline constexpr std::chrono::milliseconds kInstanceReplyTimeout{10000};

// Sends one command and waits for the answer (blocking, bounded by the timeout and the cap).
[[nodiscard]] InstanceAnswer sendToRunningInstance(const QString& socketPath, const QStringList& args,
                                                   std::chrono::milliseconds timeout = kInstanceReplyTimeout);

// The framing, exposed for the tests: a whole frame, and the decoding of a complete body.
[[nodiscard]] QByteArray frameMessage(const QByteArray& json);
[[nodiscard]] std::optional<QStringList> decodeRequest(const QByteArray& body);
[[nodiscard]] std::optional<InstanceReply> decodeReply(const QByteArray& body);

} // namespace tavik
