#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <optional>

namespace tavik {

class TrayMenu;
struct TrayMenuEntry;

// The wire types of com.canonical.dbusmenu.
struct DBusMenuLayoutItem { // (ia{sv}av): an entry with its children, each in a variant
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};
struct DBusMenuItem { // (ia{sv})
    int id = 0;
    QVariantMap properties;
};
struct DBusMenuItemKeys { // (ias)
    int id = 0;
    QStringList properties;
};
struct DBusMenuEvent { // (isvu)
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuItemList = QList<DBusMenuItem>;
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;
using DBusMenuEventList = QList<DBusMenuEvent>;

// The tray menu as a tray host reads it (com.canonical.dbusmenu, the menu of a
// StatusNotifierItem). The host asks for the layout, shows it itself and sends back the clicks;
// when a check mark changes the host is told which, when the entries change it is told to read
// the layout again.
class DBusMenu final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kObjectPath = "/MenuBar";

    explicit DBusMenu(TrayMenu& menu, QObject* parent = nullptr);

    bool publish(QDBusConnection bus);
    void unpublish();
    // Something the menu shows may have changed: compared and announced from the event loop,
    // once for a burst of changes.
    void refreshSoon();

    [[nodiscard]] uint revision() const { return m_revision; }
    // The subtree under `parentId`, `depth` levels deep (-1: all), with only the named properties
    // (none named: all). Nothing for an unknown id.
    [[nodiscard]] std::optional<DBusMenuLayoutItem> layout(int parentId, int depth, const QStringList& names) const;
    [[nodiscard]] DBusMenuItemList groupProperties(const QList<int>& ids, const QStringList& names) const;
    [[nodiscard]] QVariant property(int id, const QString& name) const;
    // "clicked" runs the entry (from the event loop, after the host's call returns); other
    // events mean nothing. False for an id the menu does not have.
    bool event(int id, const QString& eventId);

    // The properties an entry has on the wire; defaults are left out, as hosts assume them.
    [[nodiscard]] static QVariantMap propertiesOf(const TrayMenuEntry& entry);

signals:
    void LayoutUpdated(uint revision, int parent);
    void ItemsPropertiesUpdated(const tavik::DBusMenuItemList& updated, const tavik::DBusMenuItemKeysList& removed);

private:
    void refresh();
    [[nodiscard]] QMap<int, QVariantMap> flattened() const;

    TrayMenu& m_menu;
    std::optional<QDBusConnection> m_bus;
    uint m_revision = 1;
    QMap<int, QVariantMap> m_announced;
    QTimer m_refresh;
};

} // namespace tavik

Q_DECLARE_METATYPE(tavik::DBusMenuLayoutItem)
Q_DECLARE_METATYPE(tavik::DBusMenuItem)
Q_DECLARE_METATYPE(tavik::DBusMenuItemKeys)
Q_DECLARE_METATYPE(tavik::DBusMenuEvent)
