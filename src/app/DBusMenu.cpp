#include "app/DBusMenu.h"

#include "app/TrayMenu.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMetaType>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcTrayMenu, "tavik.tray", QtWarningMsg)

namespace tavik {

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayoutItem& item)
{
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.beginArray(qMetaTypeId<QDBusVariant>());
    for (const DBusMenuLayoutItem& child : item.children)
        arg << QDBusVariant(QVariant::fromValue(child));
    arg.endArray();
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayoutItem& item)
{
    arg.beginStructure();
    arg >> item.id >> item.properties;
    arg.beginArray();
    item.children.clear();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
        item.children.append(qdbus_cast<DBusMenuLayoutItem>(child.variant()));
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItem& item)
{
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItem& item)
{
    arg.beginStructure();
    arg >> item.id >> item.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemKeys& keys)
{
    arg.beginStructure();
    arg << keys.id << keys.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemKeys& keys)
{
    arg.beginStructure();
    arg >> keys.id >> keys.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& event)
{
    arg.beginStructure();
    arg << event.id << event.eventId << event.data << event.timestamp;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& event)
{
    arg.beginStructure();
    arg >> event.id >> event.eventId >> event.data >> event.timestamp;
    arg.endStructure();
    return arg;
}

namespace {

constexpr int kRootId = 0;

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusMenuLayoutItem>();
        qDBusRegisterMetaType<DBusMenuItem>();
        qDBusRegisterMetaType<DBusMenuItemList>();
        qDBusRegisterMetaType<DBusMenuItemKeys>();
        qDBusRegisterMetaType<DBusMenuItemKeysList>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<DBusMenuEventList>();
        // The adaptor's signatures name the lists by these names.
        qRegisterMetaType<DBusMenuItemList>("tavik::DBusMenuItemList");
        qRegisterMetaType<DBusMenuItemKeysList>("tavik::DBusMenuItemKeysList");
        qRegisterMetaType<DBusMenuEventList>("tavik::DBusMenuEventList");
        return true;
    }();
    Q_UNUSED(registered);
}

// Hosts read a single underscore as the mark of an access key.
QString wireLabel(const QString& label)
{
    QString escaped = label;
    return escaped.replace(u'_', QStringLiteral("__"));
}

QVariantMap only(const QVariantMap& properties, const QStringList& names)
{
    if (names.isEmpty())
        return properties;
    QVariantMap kept;
    for (const QString& name : names) {
        if (const auto found = properties.constFind(name); found != properties.constEnd())
            kept.insert(name, *found);
    }
    return kept;
}

DBusMenuLayoutItem layoutOf(int id, const QVariantMap& properties, const std::vector<TrayMenuEntry>& children,
                            int depth, const QStringList& names)
{
    DBusMenuLayoutItem item{id, only(properties, names), {}};
    if (depth == 0)
        return item;
    for (const TrayMenuEntry& child : children)
        item.children.append(layoutOf(child.id, DBusMenu::propertiesOf(child), child.children, depth - 1, names));
    return item;
}

QVariantMap rootProperties()
{
    return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
}

} // namespace

// com.canonical.dbusmenu on the wire; the work is DBusMenu's.
class DBusMenuAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
public:
    explicit DBusMenuAdaptor(DBusMenu* menu)
        : QDBusAbstractAdaptor(menu), m_menu(menu)
    {
        setAutoRelaySignals(true);
    }
    [[nodiscard]] uint version() const { return 3; }
    [[nodiscard]] QString textDirection() const { return QStringLiteral("ltr"); }
    [[nodiscard]] QString status() const { return QStringLiteral("normal"); }
    [[nodiscard]] QStringList iconThemePath() const { return {}; }

public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames, tavik::DBusMenuLayoutItem& layout)
    {
        // An id that is gone (the favourites changed) reads as an empty entry, not an error.
        layout = m_menu->layout(parentId, recursionDepth, propertyNames).value_or(DBusMenuLayoutItem{parentId, {}, {}});
        return m_menu->revision();
    }
    tavik::DBusMenuItemList GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames)
    {
        return m_menu->groupProperties(ids, propertyNames);
    }
    QDBusVariant GetProperty(int id, const QString& name) { return QDBusVariant(m_menu->property(id, name)); }
    void Event(int id, const QString& eventId, const QDBusVariant&, uint) { m_menu->event(id, eventId); }
    QList<int> EventGroup(const tavik::DBusMenuEventList& events)
    {
        QList<int> unknown;
        for (const DBusMenuEvent& event : events) {
            if (!m_menu->event(event.id, event.eventId))
                unknown.append(event.id);
        }
        return unknown;
    }
    // The menu is read afresh on every request, so it never needs to be brought up to date.
    bool AboutToShow(int) { return false; }
    QList<int> AboutToShowGroup(const QList<int>&, QList<int>& idErrors)
    {
        idErrors.clear();
        return {};
    }

signals:
    void LayoutUpdated(uint revision, int parent);
    void ItemsPropertiesUpdated(const tavik::DBusMenuItemList& updatedProps, const tavik::DBusMenuItemKeysList& removedProps);
    void ItemActivationRequested(int id, uint timestamp);

private:
    DBusMenu* m_menu;
};

DBusMenu::DBusMenu(TrayMenu& menu, QObject* parent)
    : QObject(parent)
    , m_menu(menu)
{
    registerTypes();
    new DBusMenuAdaptor(this);
    m_announced = flattened();
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    connect(&m_refresh, &QTimer::timeout, this, &DBusMenu::refresh);
}

bool DBusMenu::publish(QDBusConnection bus)
{
    if (m_bus)
        return true;
    if (!bus.isConnected() || !bus.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors)) {
        qCDebug(lcTrayMenu) << "could not put the tray menu on the bus";
        return false;
    }
    m_bus = bus;
    return true;
}

void DBusMenu::unpublish()
{
    if (m_bus)
        m_bus->unregisterObject(QString::fromLatin1(kObjectPath));
    m_bus.reset();
}

QVariantMap DBusMenu::propertiesOf(const TrayMenuEntry& entry)
{
    using Kind = TrayMenuEntry::Kind;
    if (entry.kind == Kind::separator)
        return {{QStringLiteral("type"), QStringLiteral("separator")}};
    QVariantMap properties{{QStringLiteral("label"), wireLabel(entry.label)}};
    if (entry.kind == Kind::toggle) {
        properties.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        properties.insert(QStringLiteral("toggle-state"), entry.checked ? 1 : 0);
    } else if (entry.kind == Kind::submenu) {
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    }
    return properties;
}

std::optional<DBusMenuLayoutItem> DBusMenu::layout(int parentId, int depth, const QStringList& names) const
{
    const std::vector<TrayMenuEntry> entries = m_menu.entries();
    if (parentId == kRootId)
        return layoutOf(kRootId, rootProperties(), entries, depth, names);
    const std::optional<TrayMenuEntry> entry = m_menu.find(parentId);
    if (!entry)
        return std::nullopt;
    return layoutOf(entry->id, propertiesOf(*entry), entry->children, depth, names);
}

QMap<int, QVariantMap> DBusMenu::flattened() const
{
    QMap<int, QVariantMap> all{{kRootId, rootProperties()}};
    for (const TrayMenuEntry& entry : m_menu.entries()) {
        all.insert(entry.id, propertiesOf(entry));
        for (const TrayMenuEntry& child : entry.children)
            all.insert(child.id, propertiesOf(child));
    }
    return all;
}

DBusMenuItemList DBusMenu::groupProperties(const QList<int>& ids, const QStringList& names) const
{
    const QMap<int, QVariantMap> all = flattened();
    DBusMenuItemList items;
    if (ids.isEmpty()) {
        for (auto it = all.constBegin(); it != all.constEnd(); ++it)
            items.append({it.key(), only(it.value(), names)});
        return items;
    }
    for (int id : ids) {
        if (const auto found = all.constFind(id); found != all.constEnd())
            items.append({id, only(*found, names)});
    }
    return items;
}

QVariant DBusMenu::property(int id, const QString& name) const
{
    return flattened().value(id).value(name);
}

bool DBusMenu::event(int id, const QString& eventId)
{
    if (id != kRootId && !m_menu.find(id))
        return false;
    if (eventId == u"clicked") {
        QTimer::singleShot(0, this, [this, id] { m_menu.trigger(id); });
    }
    return true;
}

void DBusMenu::refreshSoon()
{
    if (!m_refresh.isActive())
        m_refresh.start();
}

// Only check marks that changed go out as properties; anything else is a new layout.
void DBusMenu::refresh()
{
    QMap<int, QVariantMap> now = flattened();
    if (now == m_announced)
        return;
    const QString state = QStringLiteral("toggle-state");
    bool onlyChecks = now.keys() == m_announced.keys();
    DBusMenuItemList updated;
    for (auto it = now.constBegin(); onlyChecks && it != now.constEnd(); ++it) {
        QVariantMap before = m_announced.value(it.key());
        QVariantMap after = it.value();
        if (before == after)
            continue;
        const QVariant checked = after.value(state);
        before.remove(state);
        after.remove(state);
        onlyChecks = before == after;
        updated.append({it.key(), {{state, checked}}});
    }
    m_announced = std::move(now);
    if (onlyChecks) {
        emit ItemsPropertiesUpdated(updated, {});
    } else {
        ++m_revision;
        emit LayoutUpdated(m_revision, kRootId);
    }
}

} // namespace tavik

#include "DBusMenu.moc"
