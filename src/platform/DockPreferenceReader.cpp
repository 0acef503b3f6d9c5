#include "platform/DockPreferenceReader.h"

#include "platform/Displays.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

#include <utility>

namespace tavik {

namespace {

bool samePreferences(const std::optional<DockPreferences>& a, const std::optional<DockPreferences>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->orientation == b->orientation && a->tileSize == b->tileSize && a->autohide == b->autohide &&
                  a->itemCount == b->itemCount && a->fullLength == b->fullLength);
}

// Prints every preference it can read as lines "SCHEMA KEY<tab>VALUE", and whether Plank runs;
// a schema whose first key fails is not asked again.
constexpr char readerScript[] = R"sh(
for f in /proc/[0-9]*/comm; do
  { IFS= read -r name < "$f"; } 2>/dev/null || continue
  if [ "$name" = plank ]; then printf 'process plank\trunning\n'; break; fi
done
last=; skip=
while [ $# -ge 2 ]; do
  first=; [ "$1" != "$last" ] && first=1; last=$1
  if [ "$1" != "$skip" ]; then
    if value=$(gsettings get "$1" "$2" 2>/dev/null); then
      printf '%s %s\t%s\n' "$1" "$2" "$value"
    elif [ -n "$first" ]; then
      skip=$1
    fi
  fi
  shift 2
done
)sh";

constexpr int preferencesPollMs = 5 * 60 * 1000; // notices Plank starting or quitting
constexpr int preferencesSettleMs = 500;         // dconf rewrites its file in bursts
constexpr int readerTimeoutMs = 10 * 1000;

} // namespace

DockPreferenceReader::DockPreferenceReader(QObject* parent) : QObject(parent)
{
    m_pollTimer.setInterval(preferencesPollMs);
    connect(&m_pollTimer, &QTimer::timeout, this, [this] { read(); });
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(preferencesSettleMs);
    connect(&m_settleTimer, &QTimer::timeout, this, [this] { read(); });
    m_readerTimeout.setSingleShot(true);
    m_readerTimeout.setInterval(readerTimeoutMs);
    connect(&m_readerTimeout, &QTimer::timeout, this, [this] {
        if (m_reader != nullptr)
            m_reader->kill();
    });
}

DockPreferenceReader::~DockPreferenceReader()
{
    if (m_reader != nullptr) {
        m_reader->disconnect();
        m_reader->kill();
        m_reader->waitForFinished(1000);
    }
}

void DockPreferenceReader::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (!active) {
        m_pollTimer.stop();
        m_settleTimer.stop();
        delete m_watcher;
        m_watcher = nullptr;
        return;
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    m_watcher = new QFileSystemWatcher(this);
    // dconf replaces its database file on every write, so watch the folders.
    for (const QString& path : {config + "/dconf", config + "/plank/dock1"})
        if (QDir(path).exists())
            m_watcher->addPath(path);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_settleTimer.start(); });
    m_pollTimer.start();
    read();
}

void DockPreferenceReader::read()
{
    if (m_reader != nullptr) {
        m_rereadPending = true;
        return;
    }
    QStringList arguments{"-c", readerScript, "sh"};
    if (!QStandardPaths::findExecutable("gsettings").isEmpty())
        for (const auto& [schema, key] : dock::gsettingsKeys())
            arguments << schema << key;
    m_reader = new QProcess(this);
    m_reader->setStandardErrorFile(QProcess::nullDevice());
    connect(m_reader, &QProcess::finished, this, [this] { readerDone(true); });
    connect(m_reader, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            readerDone(false);
    });
    m_reader->start("/bin/sh", arguments);
    m_readerTimeout.start();
}

void DockPreferenceReader::readerDone(bool ran)
{
    m_readerTimeout.stop();
    const QByteArray output = ran ? m_reader->readAllStandardOutput() : QByteArray();
    m_reader->disconnect();
    m_reader->deleteLater();
    m_reader = nullptr;

    const dock::GSettingsValues values = dock::parseGSettingsLines(output);
    std::optional<DockPreferences> found;
    if (values.contains("process plank")) {
        found = dock::plankPreferences(values);
        if (!found) {
            const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                 "/plank/dock1/settings";
            if (QFile file(path); file.size() < 256 * 1024 && file.open(QIODevice::ReadOnly))
                found = dock::plankKeyFilePreferences(QString::fromUtf8(file.readAll()));
        }
    }
    if (!found)
        found = dock::dashToDockPreferences(values, qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    if (!samePreferences(found, m_preferences)) {
        m_preferences = found;
        emit changed();
    }
    if (std::exchange(m_rereadPending, false) && m_active)
        read();
}

std::optional<DockGeometry> DockPreferenceReader::estimatedGeometry() const
{
    if (!m_preferences || qGuiApp == nullptr)
        return std::nullopt;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr)
        return std::nullopt;
    QString id;
    for (const DisplayInfo& display : Displays::connected())
        if (display.screen == primary)
            id = display.id;
    return dock::estimateGeometry(*m_preferences, id, primary->geometry().size());
}

} // namespace tavik
