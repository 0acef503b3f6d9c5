#include "app/StatusItem.h"

#include "ui/BrandMark.h"
#include "app/PanelHost.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QMouseEvent>

namespace tavik {

StatusItem::StatusItem(SettingsStore& settings, PanelHost& panel, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_panel(panel)
{
    m_enabled = m_settings.observe<bool>(Setting::enabled, [this](bool on) { setWindy(on); });
    connect(&m_icon, &QSystemTrayIcon::activated, this, &StatusItem::handleActivation);
    // Qt's X11 tray icon turns a second right click soon after the first into a double click
    // and reports nothing for it; switching off and on again quickly must still work.
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

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
    m_icon.show();
}

void StatusItem::setWindy(bool windy)
{
    if (m_windy == windy)
        return;
    m_windy = windy;
    ++m_imageUpdates;
    m_icon.setIcon(BrandMark::trayIcon(windy));
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
        m_icon.setToolTip(QStringLiteral("Tavik (off)"));
    else if (m_needsCompositor)
        m_icon.setToolTip(QStringLiteral("Tavik (needs a compositor)"));
    else
        m_icon.setToolTip(QStringLiteral("Tavik (on)"));
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
    default:
        // A double click already arrived as a click; middle clicks mean nothing here.
        break;
    }
}

} // namespace tavik
