#include "settings/KeyValueStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cmath>

namespace tavik {

namespace {

// QSettings parses what it can of a damaged file and would write back only that; keep the
// original beside it first so nothing the user had is lost.
QString rescueDamagedFile(const QString& path)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString copy = path + QStringLiteral(".damaged-") + stamp;
    return QFile::copy(path, copy) ? copy : QString();
}

} // namespace

IniKeyValueStore::IniKeyValueStore(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    if (m_settings->status() == QSettings::FormatError && QFileInfo::exists(path))
        m_rescuedCopy = rescueDamagedFile(path);
}

IniKeyValueStore::~IniKeyValueStore()
{
    m_settings->sync();
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
    return m_settings->contains(key);
}

QVariant IniKeyValueStore::value(const QString& key) const
{
    return m_settings->value(key);
}

void IniKeyValueStore::setValue(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
}

void IniKeyValueStore::remove(const QString& key)
{
    m_settings->remove(key);
}

QStringList IniKeyValueStore::keys() const
{
    return m_settings->allKeys();
}

bool IniKeyValueStore::sync()
{
    m_settings->sync();
    switch (m_settings->status()) {
    case QSettings::NoError: return true;
    case QSettings::AccessError: return false;
    case QSettings::FormatError:
        // A format error found while reading sticks and hides later write errors; ask the file.
        return QFileInfo(m_settings->fileName()).isWritable();
    }
    return false;
}

QString IniKeyValueStore::path() const
{
    return m_settings->fileName();
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
