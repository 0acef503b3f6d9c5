#include "app/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QLoggingCategory>
#include <QtEndian>

Q_LOGGING_CATEGORY(lcStatusNotifier, "tavik.tray.sni", QtWarningMsg)

namespace tavik {

QDBusArgument& operator<<(QDBusArgument& arg, const SniPixmap& pixmap)
{
    arg.beginStructure();
    arg << pixmap.width << pixmap.height << pixmap.bytes;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniPixmap& pixmap)
{
    arg.beginStructure();
    arg >> pixmap.width >> pixmap.height >> pixmap.bytes;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& tip)
{
    arg.beginStructure();
    arg << tip.iconName << tip.icon << tip.title << tip.description;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& tip)
{
    arg.beginStructure();
    arg >> tip.iconName >> tip.icon >> tip.title >> tip.description;
    arg.endStructure();
    return arg;
}

namespace {

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmapList>();
        qDBusRegisterMetaType<SniToolTip>();
        qRegisterMetaType<SniPixmapList>("tavik::SniPixmapList");
        return true;
    }();
    Q_UNUSED(registered);
}

std::optional<QPoint> positionOf(int x, int y)
{
    if (x == 0 && y == 0)
        return std::nullopt;
    return QPoint(x, y);
}

} // namespace

// org.kde.StatusNotifierItem on the wire; the work is StatusNotifierItem's.
class StatusNotifierItemAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ empty)
    Q_PROPERTY(QString IconName READ empty)
    Q_PROPERTY(tavik::SniPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ empty)
    Q_PROPERTY(tavik::SniPixmapList OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ empty)
    Q_PROPERTY(tavik::SniPixmapList AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ empty)
    Q_PROPERTY(tavik::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem* item)
        : QDBusAbstractAdaptor(item), m_item(item)
    {
        setAutoRelaySignals(true);
    }
    [[nodiscard]] QString category() const { return QStringLiteral("ApplicationStatus"); }
    [[nodiscard]] QString id() const { return QStringLiteral("tavik"); }
    [[nodiscard]] QString title() const { return m_item->title(); }
    [[nodiscard]] QString status() const { return QStringLiteral("Active"); }
    [[nodiscard]] int windowId() const { return 0; }
    [[nodiscard]] QString empty() const { return {}; }
    [[nodiscard]] tavik::SniPixmapList iconPixmap() const { return m_item->iconPixmaps(); }
    [[nodiscard]] tavik::SniPixmapList noPixmaps() const { return {}; }
    [[nodiscard]] tavik::SniToolTip toolTip() const { return m_item->toolTip(); }
    // A left click opens the panel; the menu is for the right click.
    [[nodiscard]] bool itemIsMenu() const { return false; }
    [[nodiscard]] QDBusObjectPath menu() const { return m_item->menu(); }

public slots:
    void Activate(int x, int y) { m_item->activate(x, y); }
    void SecondaryActivate(int, int) { m_item->secondaryActivate(); }
    void ContextMenu(int x, int y) { m_item->contextMenu(x, y); }
    // Scrolling over the icon does nothing: stepping through scenes by accident is worse.
    void Scroll(int, const QString&) {}
    void ProvideXdgActivationToken(const QString&) {}

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    void NewMenu();

private:
    StatusNotifierItem* m_item;
};

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, QDBusObjectPath menu, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_menu(std::move(menu))
    , m_serviceName(QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid()))
{
    registerTypes();
    new StatusNotifierItemAdaptor(this);
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_published) {
        m_bus.unregisterService(m_serviceName);
        m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
    }
}

void StatusNotifierItem::start()
{
    if (m_watcher || !m_bus.isConnected())
        return;
    m_watcher = new QDBusServiceWatcher(QString::fromLatin1(kWatcherService), m_bus,
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    // A new owner is a new host that has never heard of us, whether or not the old one left first.
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                if (owner.isEmpty())
                    watcherVanished();
                else
                    watcherAppeared();
            });
    if (m_bus.interface() && m_bus.interface()->isServiceRegistered(QString::fromLatin1(kWatcherService)))
        watcherAppeared();
}

void StatusNotifierItem::watcherAppeared()
{
    if (!m_published) {
        m_published = m_bus.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors)
            && m_bus.registerService(m_serviceName);
        if (!m_published) {
            qCDebug(lcStatusNotifier) << "could not put the tray item on the bus:" << m_bus.lastError().message();
            m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
            setState(true, true);
            return;
        }
    }
    const quint64 attempt = ++m_attempt;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kWatcherService),
                                                       QStringLiteral("/StatusNotifierWatcher"),
                                                       QString::fromLatin1(kWatcherService),
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending, attempt] {
        pending->deleteLater();
        if (attempt != m_attempt)
            return;
        if (pending->isError())
            qCDebug(lcStatusNotifier) << "the tray host refused the item:" << pending->error().message();
        setState(true, pending->isError());
    });
    // Counted as shown while the watcher answers, so no second icon flashes up meanwhile.
    setState(true, false);
}

void StatusNotifierItem::watcherVanished()
{
    ++m_attempt;
    setState(false, false);
}

void StatusNotifierItem::setState(bool watcherPresent, bool refused)
{
    const bool wasActive = isActive();
    m_watcherPresent = watcherPresent;
    m_refused = refused;
    if (isActive() != wasActive)
        emit activeChanged(isActive());
}

void StatusNotifierItem::setIconPixmaps(SniPixmapList pixmaps)
{
    m_pixmaps = std::move(pixmaps);
    emit NewIcon();
}

void StatusNotifierItem::setToolTip(const QString& text)
{
    if (text == m_toolTip)
        return;
    m_toolTip = text;
    emit NewToolTip();
}

void StatusNotifierItem::activate(int x, int y)
{
    emit activated(positionOf(x, y));
}

void StatusNotifierItem::secondaryActivate()
{
    emit secondaryActivated();
}

void StatusNotifierItem::contextMenu(int x, int y)
{
    emit contextMenuRequested(positionOf(x, y));
}

SniPixmap StatusNotifierItem::pixmapOf(const QImage& picture)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    SniPixmap pixmap{argb.width(), argb.height(), QByteArray()};
    pixmap.bytes.resize(qsizetype(argb.width()) * argb.height() * 4);
    char* out = pixmap.bytes.data();
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x, out += 4)
            qToBigEndian<quint32>(line[x], out);
    }
    return pixmap;
}

} // namespace tavik

#include "StatusNotifierItem.moc"
