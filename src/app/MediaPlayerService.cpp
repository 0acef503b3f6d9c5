#include "app/MediaPlayerService.h"

#include "app/MediaPlayerState.h"
#include "platform/DBusNames.h"
#include "settings/SettingsStore.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

Q_LOGGING_CATEGORY(lcMedia, "tavik.media", QtWarningMsg)

namespace tavik {

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// A track id must be an object path: the scene's id with everything but letters, digits and
// underscores replaced.
QDBusObjectPath trackPath(const QString& id)
{
    QString element = id.isEmpty() ? QStringLiteral("custom") : id;
    for (QChar& c : element) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_')
            c = u'_';
    }
    if (element.front().isDigit())
        element.prepend(u'_');
    return QDBusObjectPath(QStringLiteral("/org/tavik/scene/") + element);
}

// The installed icon, for sound menus that show a cover; nothing when it is not installed.
QString iconUrl()
{
    static const QString url = [] {
        QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                              QStringLiteral("icons/hicolor/scalable/apps/tavik.svg"));
#ifdef TAVIK_INSTALLED_ICON
        if (path.isEmpty() && QFileInfo::exists(QStringLiteral(TAVIK_INSTALLED_ICON)))
            path = QStringLiteral(TAVIK_INSTALLED_ICON);
#endif
        return path.isEmpty() ? QString() : QUrl::fromLocalFile(path).toString();
    }();
    return url;
}

} // namespace

// org.mpris.MediaPlayer2: who the player is.
class MediaPlayerRootAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)
public:
    explicit MediaPlayerRootAdaptor(MediaPlayerService* service)
        : QDBusAbstractAdaptor(service), m_service(service)
    {
    }
    [[nodiscard]] bool no() const { return false; }
    [[nodiscard]] bool yes() const { return true; }
    [[nodiscard]] bool canQuit() const { return m_service->canQuit(); }
    [[nodiscard]] QString identity() const { return QStringLiteral("Tavik"); }
    [[nodiscard]] QString desktopEntry() const { return QStringLiteral("tavik"); }
    [[nodiscard]] QStringList none() const { return {}; }

public slots:
    void Raise() { m_service->raise(); }
    void Quit() { m_service->quit(); }

private:
    MediaPlayerService* m_service;
};

// org.mpris.MediaPlayer2.Player: what plays and the controls.
class MediaPlayerPlayerAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ one)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ yes)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit MediaPlayerPlayerAdaptor(MediaPlayerService* service)
        : QDBusAbstractAdaptor(service), m_service(service)
    {
    }
    [[nodiscard]] QString playbackStatus() const { return m_service->playbackStatus(); }
    [[nodiscard]] QVariantMap metadata() const { return m_service->metadata(); }
    [[nodiscard]] double volume() const { return m_service->volume(); }
    void setVolume(double volume) { m_service->setVolume(volume); }
    [[nodiscard]] double one() const { return 1; }
    [[nodiscard]] qlonglong position() const { return 0; }
    [[nodiscard]] bool yes() const { return true; }
    [[nodiscard]] bool no() const { return false; }

public slots:
    void Next() { m_service->next(); }
    void Previous() { m_service->previous(); }
    void Pause() { m_service->pause(); }
    void PlayPause() { m_service->playPause(); }
    void Stop() { m_service->pause(); }
    void Play() { m_service->play(); }
    // An endless soundscape has no position to seek to and no file to open.
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong position);

private:
    MediaPlayerService* m_service;
};

MediaPlayerService::MediaPlayerService(SettingsStore& settings, std::function<bool()> yielding,
                                       std::function<void()> raise, std::function<void()> quit, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_yielding(std::move(yielding))
    , m_raise(std::move(raise))
    , m_quit(std::move(quit))
{
    new MediaPlayerRootAdaptor(this);
    new MediaPlayerPlayerAdaptor(this);
    m_announced = seen();
    m_changes = m_settings.onWillChange([this](Setting) { refreshSoon(); });
}

// The name goes back at once, so a sound menu drops the player as the program quits.
MediaPlayerService::~MediaPlayerService()
{
    m_changes.cancel();
    if (m_bus) {
        m_bus->unregisterService(QString::fromLatin1(kServiceName));
        m_bus->unregisterObject(QString::fromLatin1(kObjectPath));
    }
}

bool MediaPlayerService::publish(QDBusConnection bus)
{
    if (m_bus || !bus.isConnected())
        return false;
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors)) {
        qCDebug(lcMedia) << "could not register the media player object";
        return false;
    }
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        qCDebug(lcMedia) << "the media player name is taken:" << bus.lastError().message();
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        return false;
    }
    m_bus = bus;
    m_announced = seen();
    return true;
}

// One announcement covers every change made before it runs; by then the store holds them.
void MediaPlayerService::refreshSoon()
{
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshPending = false;
        refresh();
    });
}

MediaPlayerService::Seen MediaPlayerService::seen() const
{
    const Silence silence = silenceOf(m_settings, m_yielding && m_yielding());
    return {playbackStatus(), sceneTitle(m_settings) + u'\n' + sceneId(m_settings) + u'\n' + silenceText(silence),
            volume()};
}

void MediaPlayerService::refresh()
{
    const Seen now = seen();
    QVariantMap changed;
    if (now.status != m_announced.status)
        changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (now.track != m_announced.track)
        changed.insert(QStringLiteral("Metadata"), metadata());
    if (now.volume != m_announced.volume)
        changed.insert(QStringLiteral("Volume"), now.volume);
    m_announced = now;
    if (changed.isEmpty() || !m_bus)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath), kPropertiesInterface,
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    m_bus->send(signal);
}

QString MediaPlayerService::playbackStatus() const
{
    return tavik::playbackStatus(silenceOf(m_settings, m_yielding && m_yielding()));
}

QVariantMap MediaPlayerService::metadata() const
{
    QVariantMap map{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(trackPath(sceneId(m_settings)))},
        {QStringLiteral("xesam:title"), sceneTitle(m_settings)},
        {QStringLiteral("xesam:artist"), QStringList{QStringLiteral("Tavik")}},
        {QStringLiteral("xesam:album"), QStringLiteral("Weather soundscape")},
    };
    if (const QString icon = iconUrl(); !icon.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), icon);
    // Sound menus show the comment: why a player that looks paused is silent.
    if (const QString why = silenceText(silenceOf(m_settings, m_yielding && m_yielding())); !why.isEmpty())
        map.insert(QStringLiteral("xesam:comment"), QStringList{why});
    return map;
}

double MediaPlayerService::volume() const
{
    return mediaVolume(m_settings);
}

void MediaPlayerService::setVolume(double volume)
{
    setMediaVolume(m_settings, volume);
    saved();
}

void MediaPlayerService::setSoundEnabled(bool on)
{
    if (m_settings.soundEnabled() != on)
        m_settings.setSoundEnabled(on);
    saved();
}

void MediaPlayerService::play()
{
    setSoundEnabled(true);
}

void MediaPlayerService::pause()
{
    setSoundEnabled(false);
}

void MediaPlayerService::playPause()
{
    setSoundEnabled(!m_settings.soundEnabled());
}

void MediaPlayerService::next()
{
    stepScene(m_settings, +1);
    saved();
}

void MediaPlayerService::previous()
{
    stepScene(m_settings, -1);
    saved();
}

void MediaPlayerService::quit()
{
    if (m_quit)
        m_quit();
}

void MediaPlayerService::raise()
{
    if (m_raise)
        m_raise();
}

// As a settings command does: on disk before the call returns.
void MediaPlayerService::saved()
{
    if (!m_settings.defaults().sync())
        qCDebug(lcMedia) << "could not write the settings file";
}

} // namespace tavik

#include "MediaPlayerService.moc"
