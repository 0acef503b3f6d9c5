#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <optional>

class QDBusServiceWatcher;

namespace tavik {

// The wire types of org.kde.StatusNotifierItem.
struct SniPixmap { // (iiay): ARGB32 in network byte order
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
using SniPixmapList = QList<SniPixmap>;
struct SniToolTip { // (sa(iiay)ss)
    QString iconName;
    SniPixmapList icon;
    QString title;
    QString description;
};

// The tray icon where the tray host draws it and shows its menu itself (KDE, GNOME's
// AppIndicator extension, waybar, …): an item on the session bus that registers with the
// StatusNotifierWatcher, again each time a watcher appears, and reports the clicks the host
// passes on. Qt's own tray class does the same but drops the position of a click.
class StatusNotifierItem final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kObjectPath = "/StatusNotifierItem";

    StatusNotifierItem(QDBusConnection bus, QDBusObjectPath menu, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Puts the item on the bus and follows the watcher from now on.
    void start();
    // Whether a watcher is there and has not refused the item: the host shows it, or is about to.
    [[nodiscard]] bool isActive() const { return m_watcherPresent && !m_refused; }
    [[nodiscard]] QString serviceName() const { return m_serviceName; }

    void setIconPixmaps(SniPixmapList pixmaps);
    void setToolTip(const QString& text);

    // What the bus reads.
    [[nodiscard]] QString title() const { return QStringLiteral("Tavik"); }
    [[nodiscard]] const SniPixmapList& iconPixmaps() const { return m_pixmaps; }
    [[nodiscard]] SniToolTip toolTip() const { return {QString(), {}, m_toolTip, QString()}; }
    [[nodiscard]] QDBusObjectPath menu() const { return m_menu; }

    // From the host; (0, 0) is what hosts send that know no position.
    void activate(int x, int y);
    void secondaryActivate();
    void contextMenu(int x, int y);

    // A picture as hosts read it.
    [[nodiscard]] static SniPixmap pixmapOf(const QImage& picture);

signals:
    void activeChanged(bool active);
    // A click that should open the panel, with where the host says the click was.
    void activated(std::optional<QPoint> at);
    void secondaryActivated();
    void contextMenuRequested(std::optional<QPoint> at);

    // Relayed to the bus.
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    void NewTitle();

private:
    void watcherAppeared();
    void watcherVanished();
    void setState(bool watcherPresent, bool refused);

    QDBusConnection m_bus;
    QDBusObjectPath m_menu;
    QString m_serviceName;
    QDBusServiceWatcher* m_watcher = nullptr;
    bool m_published = false;
    bool m_watcherPresent = false;
    bool m_refused = false;
    quint64 m_attempt = 0; // a late answer to an older registration changes nothing
    SniPixmapList m_pixmaps;
    QString m_toolTip;
};

} // namespace tavik

Q_DECLARE_METATYPE(tavik::SniPixmap)
Q_DECLARE_METATYPE(tavik::SniToolTip)
