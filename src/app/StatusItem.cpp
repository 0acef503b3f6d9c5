#include "app/StatusItem.h"

#include "app/DBusMenu.h"
#include "ui/BrandMark.h"
#include "app/PanelHost.h"
#include "app/StatusNotifierItem.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QMenu>
#include <QMouseEvent>

#include <array>

namespace tavik {

namespace {

// The sizes a tray host picks from; it scales the nearest.
constexpr std::array kStatusNotifierIconSizes{16, 22, 32, 48};

SniPixmapList statusNotifierIcon(bool windy)
{
    SniPixmapList pixmaps;
    for (int size : kStatusNotifierIconSizes)
        pixmaps.append(StatusNotifierItem::pixmapOf(BrandMark::trayImage(size, windy)));
    return pixmaps;
}

// A single & marks an access key in a Qt menu.
QString menuText(const QString& label)
{
    QString text = label;
    return text.replace(u'&', QStringLiteral("&&"));
}

void fillMenu(QMenu& menu, const std::vector<TrayMenuEntry>& entries, TrayMenu& model)
{
    for (const TrayMenuEntry& entry : entries) {
        switch (entry.kind) {
        case TrayMenuEntry::Kind::separator:
            menu.addSeparator();
            break;
        case TrayMenuEntry::Kind::submenu:
            fillMenu(*menu.addMenu(menuText(entry.label)), entry.children, model);
            break;
        case TrayMenuEntry::Kind::action:
        case TrayMenuEntry::Kind::toggle: {
            QAction* action = menu.addAction(menuText(entry.label));
            action->setCheckable(entry.kind == TrayMenuEntry::Kind::toggle);
            action->setChecked(entry.checked);
            const int id = entry.id;
            // Queued: the menu is rebuilt, and its actions deleted, while one of them runs.
            QObject::connect(action, &QAction::triggered, &menu, [&model, id] { model.trigger(id); },
                             Qt::QueuedConnection);
            break;
        }
        }
    }
}

} // namespace

StatusItem::StatusItem(SettingsStore& settings, PanelHost& panel, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_panel(panel)
    , m_menu(settings, {[this] { m_panel.openPanel(); }, [this] { emit quitRequested(); }})
    , m_dbusMenu(std::make_unique<DBusMenu>(m_menu))
{
    m_enabled = m_settings.observe<bool>(Setting::enabled, [this](bool on) { setWindy(on); });
    // The menu shows switches and the scene on screen: hosts hear of changes.
    m_changes = m_settings.onWillChange([this](Setting) { m_dbusMenu->refreshSoon(); });
    // Qt's X11 tray icon turns a second right click soon after the first into a double click
    // and reports nothing for it; switching off and on again quickly must still work.
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

StatusItem::~StatusItem() = default;

bool StatusItem::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton && watched->isWidgetType()
        && qstrcmp(watched->metaObject()->className(), "QSystemTrayIconSys") == 0) {
        handleActivation(QSystemTrayIcon::Context);
        return true;
    }
    return false;
}

void StatusItem::show()
{
    if (m_shown)
        return;
    m_shown = true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && m_dbusMenu->publish(bus)) {
        m_statusNotifier = std::make_unique<StatusNotifierItem>(bus, QDBusObjectPath(QString::fromLatin1(DBusMenu::kObjectPath)));
        StatusNotifierItem* item = m_statusNotifier.get();
        item->setIconPixmaps(statusNotifierIcon(showsWindyMark()));
        item->setToolTip(m_toolTip);
        connect(item, &StatusNotifierItem::activeChanged, this, &StatusItem::chooseTray);
        connect(item, &StatusNotifierItem::activated, this,
                [this](std::optional<QPoint> at) { m_panel.statusItemClicked(at); });
        connect(item, &StatusNotifierItem::secondaryActivated, this,
                [this] { m_settings.setEnabled(!m_settings.enabled()); });
        connect(item, &StatusNotifierItem::contextMenuRequested, this, &StatusItem::popUpMenu);
        item->start();
    }
    chooseTray();
}

bool StatusItem::usesStatusNotifier() const
{
    return m_statusNotifier && m_statusNotifier->isActive();
}

// One icon at a time: an X11 tray that a host also shows (KDE and others proxy them) would
// show the item twice.
void StatusItem::chooseTray()
{
    if (!m_shown)
        return;
    if (usesStatusNotifier()) {
        if (m_icon)
            m_icon->hide();
        return;
    }
    showXEmbedIcon();
}

void StatusItem::showXEmbedIcon()
{
    if (!m_icon) {
        m_icon = std::make_unique<QSystemTrayIcon>();
        connect(m_icon.get(), &QSystemTrayIcon::activated, this, &StatusItem::handleActivation);
        m_icon->setIcon(BrandMark::trayIcon(showsWindyMark()));
        m_icon->setToolTip(m_toolTip);
    }
    m_icon->show();
}

QRect StatusItem::geometry() const
{
    return m_icon && m_icon->isVisible() ? m_icon->geometry() : QRect();
}

bool StatusItem::trayAvailable() const
{
    if (usesStatusNotifier())
        return true;
    return m_icon && QSystemTrayIcon::isSystemTrayAvailable();
}

QString StatusItem::trayKind() const
{
    if (usesStatusNotifier())
        return QStringLiteral("statusNotifier");
    return m_icon && m_icon->isVisible() ? QStringLiteral("xembed") : QStringLiteral("none");
}

void StatusItem::setWindy(bool windy)
{
    if (m_windy == windy)
        return;
    m_windy = windy;
    ++m_imageUpdates;
    if (m_icon)
        m_icon->setIcon(BrandMark::trayIcon(windy));
    if (m_statusNotifier)
        m_statusNotifier->setIconPixmaps(statusNotifierIcon(windy));
    updateToolTip();
}

void StatusItem::setNeedsCompositor(bool needs)
{
    m_needsCompositor = needs;
    updateToolTip();
}

void StatusItem::updateToolTip()
{
    if (!m_windy.value_or(false))
        m_toolTip = QStringLiteral("Tavik (off)");
    else if (m_needsCompositor)
        m_toolTip = QStringLiteral("Tavik (needs a compositor)");
    else
        m_toolTip = QStringLiteral("Tavik (on)");
    if (m_icon)
        m_icon->setToolTip(m_toolTip);
    if (m_statusNotifier)
        m_statusNotifier->setToolTip(m_toolTip);
}

void StatusItem::handleActivation(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        m_settings.setEnabled(!m_settings.enabled());
        break;
    case QSystemTrayIcon::Trigger:
        m_panel.statusItemClicked();
        break;
    case QSystemTrayIcon::MiddleClick:
        popUpMenu();
        break;
    default:
        // A double click already arrived as a click.
        break;
    }
}

void StatusItem::popUpMenu(std::optional<QPoint> at)
{
    if (!m_popup)
        m_popup = std::make_unique<QMenu>();
    // The submenus of the last showing are children of the menu, not its actions.
    qDeleteAll(m_popup->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    m_popup->clear();
    fillMenu(*m_popup, m_menu.entries(), m_menu);
    m_popup->popup(at.value_or(QCursor::pos()));
}

} // namespace tavik
