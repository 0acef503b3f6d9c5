#include "settings/KeyValueStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cmath>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tavik {

namespace {

// Taken with flock, which the system releases when a process dies, however it dies.
constexpr const char* kLockSuffix = ".lck";

// QSettings parses what it can of a damaged file and would write back only that; keep the
// original beside it first so nothing the user had is lost.
QString rescueDamagedFile(const QString& path, const QByteArray& bytes)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = path + QStringLiteral(".damaged-") + stamp;
    QString copy = base;
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = base + QLatin1Char('-') + QString::number(n);
    QFile file(copy);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(bytes) != bytes.size())
        return {};
    return copy;
}

std::optional<QByteArray> readWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.exists() ? std::nullopt : std::optional<QByteArray>(QByteArray());
    return file.readAll();
}

bool writeWhole(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

// Held while the file is read and rewritten; nested holds in one process share the first.
class IniKeyValueStore::WriterLock {
public:
    explicit WriterLock(IniKeyValueStore& store)
        : m_store(store)
    {
        if (m_store.m_lockDepth++ > 0)
            return;
        const QByteArray lockPath = QFile::encodeName(m_store.m_path + QLatin1String(kLockSuffix));
        m_fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        // Without a lock file (a folder that can't be written) nothing can be written either.
        if (m_fd >= 0) {
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~WriterLock()
    {
        --m_store.m_lockDepth;
        if (m_fd >= 0)
            ::close(m_fd);
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

private:
    IniKeyValueStore& m_store;
    int m_fd = -1;
};

IniKeyValueStore::IniKeyValueStore(const QString& path)
    : m_path(QFileInfo(path).absoluteFilePath())
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    reload();
}

IniKeyValueStore::~IniKeyValueStore()
{
    sync();
}

QString IniKeyValueStore::defaultPath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/tavik/tavik.conf");
}

bool IniKeyValueStore::contains(const QString& key) const
{
    return m_values.contains(key);
}

QVariant IniKeyValueStore::value(const QString& key) const
{
    return m_values.value(key);
}

void IniKeyValueStore::setValue(const QString& key, const QVariant& value)
{
    m_values.insert(key, value);
    m_pending.insert(key, value);
    scheduleWrite();
}

void IniKeyValueStore::remove(const QString& key)
{
    m_values.remove(key);
    m_pending.insert(key, std::nullopt);
    scheduleWrite();
}

QStringList IniKeyValueStore::keys() const
{
    return m_values.keys();
}

bool IniKeyValueStore::sync()
{
    if (m_pending.isEmpty())
        return true;
    WriterLock lock(*this);
    reload();
    return writePending();
}

bool IniKeyValueStore::transact(const std::function<void()>& change)
{
    WriterLock lock(*this);
    reload();
    change();
    return writePending();
}

// Reads the file again when its bytes are not the ones last seen, keeping this process's
// pending changes on top. The bytes are compared, not the size and time stamp: two writes in
// the same instant can leave both unchanged.
void IniKeyValueStore::reload()
{
    const auto bytes = readWhole(m_path);
    if (!bytes || bytes == m_knownBytes)
        return;
    bool damaged = false;
    auto decoded = decode(*bytes, damaged);
    if (!decoded)
        return;
    if (damaged)
        m_rescuedCopy = rescueDamagedFile(m_path, *bytes);
    m_values = std::move(*decoded);
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (it.value())
            m_values.insert(it.key(), *it.value());
        else
            m_values.remove(it.key());
    }
    m_knownBytes = *bytes;
}

// QSettings remembers a file it has read by path, size and time stamp and would hand back the
// old contents of a file another process rewrote without changing those; so it parses and
// writes only files of a path it has never seen.
std::optional<QMap<QString, QVariant>> IniKeyValueStore::decode(const QByteArray& bytes, bool& damaged)
{
    // QSettings reads NUL bytes as nothing at all, without an error.
    damaged = bytes.contains('\0');
    const QString scratch = scratchPath();
    if (scratch.isEmpty() || !writeWhole(scratch, bytes))
        return std::nullopt;
    QMap<QString, QVariant> values;
    {
        const QSettings settings(scratch, QSettings::IniFormat);
        damaged = damaged || settings.status() == QSettings::FormatError;
        for (const QString& key : settings.allKeys())
            values.insert(key, settings.value(key));
    }
    QFile::remove(scratch);
    return values;
}

std::optional<QByteArray> IniKeyValueStore::encode()
{
    const QString scratch = scratchPath();
    if (scratch.isEmpty())
        return std::nullopt;
    bool written = false;
    {
        QSettings settings(scratch, QSettings::IniFormat);
        for (auto it = m_values.begin(); it != m_values.end(); ++it)
            settings.setValue(it.key(), it.value());
        settings.sync();
        written = settings.status() == QSettings::NoError;
    }
    auto bytes = written ? readWhole(scratch) : std::nullopt;
    QFile::remove(scratch);
    return bytes;
}

// The temporary file, the flush to disk and the rename are QSaveFile's: a crash at any moment
// leaves the old file or the new one, never a mix.
bool IniKeyValueStore::writePending()
{
    if (m_pending.isEmpty())
        return true;
    const auto bytes = encode();
    if (!bytes)
        return false;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit())
        return false;
    m_pending.clear();
    m_knownBytes = *bytes;
    return true;
}

// Many changes in one turn of the event loop cost one write.
void IniKeyValueStore::scheduleWrite()
{
    if (m_writeScheduled || !QCoreApplication::instance())
        return;
    if (!m_writeContext)
        m_writeContext = std::make_unique<QObject>();
    m_writeScheduled = true;
    QTimer::singleShot(0, m_writeContext.get(), [this] {
        m_writeScheduled = false;
        sync();
    });
}

// A new name each time, never reused by this process.
QString IniKeyValueStore::scratchPath()
{
    static std::atomic<quint64> counter{0};
    if (!m_scratch) {
        m_scratch = std::make_unique<QTemporaryDir>();
        if (!m_scratch->isValid())
            m_scratch = std::make_unique<QTemporaryDir>(QFileInfo(m_path).absolutePath() + QStringLiteral("/.tavik-XXXXXX"));
        if (!m_scratch->isValid()) {
            m_scratch.reset();
            return {};
        }
    }
    return m_scratch->filePath(QString::number(++counter) + QStringLiteral(".conf"));
}

} // namespace tavik

namespace tavik {

namespace {

// Words a hand-edited file may use for a flag.
std::optional<bool> flagWord(const QString& text)
{
    const QString word = text.trimmed().toLower();
    if (word == u"true" || word == u"yes" || word == u"on")
        return true;
    if (word == u"false" || word == u"no" || word == u"off")
        return false;
    return std::nullopt;
}

// nullopt: the value is there but is not a finite number (text like 0x7f or fast, a list).
std::optional<double> numberOf(const QVariant& value, bool& present)
{
    present = value.isValid() && !value.isNull();
    if (!present)
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Bool: return value.toBool() ? 1.0 : 0.0;
    case QMetaType::QString: {
        const QString text = value.toString();
        if (const auto flag = flagWord(text))
            return *flag ? 1.0 : 0.0;
        bool ok = false;
        const double number = text.trimmed().toDouble(&ok);
        // An overflowing number comes back as infinity, which counts as absent.
        if (!ok && !std::isinf(number))
            return std::nullopt;
        return number;
    }
    default: {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok)
            return std::nullopt;
        return number;
    }
    }
}

} // namespace

std::optional<double> storedNumber(const QVariant& value)
{
    bool present = false;
    const auto number = numberOf(value, present);
    if (!present || !number || !std::isfinite(*number))
        return std::nullopt;
    return number;
}

std::optional<bool> storedBool(const QVariant& value)
{
    bool present = false;
    const auto number = numberOf(value, present);
    if (!present)
        return std::nullopt;
    // A flag holding some other word reads as false.
    if (!number)
        return false;
    if (!std::isfinite(*number))
        return std::nullopt;
    return *number != 0.0;
}

std::optional<QString> storedText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::QString: return value.toString();
    // An unquoted comma in a hand-edited INI file splits the text into a list.
    case QMetaType::QStringList: return value.toStringList().join(QStringLiteral(", "));
    case QMetaType::Bool:
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::LongLong: return value.toString();
    default: return std::nullopt;
    }
}

} // namespace tavik
