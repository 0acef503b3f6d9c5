#include "platform/Displays.h"

#include <QGuiApplication>
#include <QScreen>
#include <QRegularExpression>
#include <QSet>

namespace tavik {

namespace {

// "maker-model" from the EDID, or empty when the system read no EDID.
QString monitorName(const DisplayIdentity& display)
{
    const QString manufacturer = display.manufacturer.trimmed();
    const QString model = display.model.trimmed();
    if (manufacturer.isEmpty() && model.isEmpty() && display.serialNumber.trimmed().isEmpty())
        return {};
    return manufacturer + u'-' + model;
}

QString baseId(const DisplayIdentity& display, qsizetype index)
{
    const QString monitor = monitorName(display);
    const QString serial = display.serialNumber.trimmed();
    const QString connector = display.connector.trimmed();
    if (!monitor.isEmpty() && !serial.isEmpty())
        return monitor + u'-' + serial;
    if (!monitor.isEmpty())
        return connector.isEmpty() ? monitor : monitor + u'@' + connector;
    if (!connector.isEmpty())
        return connector;
    return QStringLiteral("screen-%1").arg(index);
}

// XWayland names its outputs XWAYLAND0, XWAYLAND1…: nothing a person would recognise.
bool isPlaceholderName(const QString& name)
{
    static const QRegularExpression placeholder(QStringLiteral("^XWAYLAND[0-9]*$"));
    return placeholder.match(name).hasMatch();
}

} // namespace

QString Displays::nameFor(const DisplayIdentity& display, qsizetype index)
{
    const QString manufacturer = display.manufacturer.simplified();
    const QString model = display.model.simplified();
    const QString maker = manufacturer.section(u' ', 0, 0);
    if (!model.isEmpty() && (maker.isEmpty() || model.startsWith(maker, Qt::CaseInsensitive)))
        return model;
    if (!model.isEmpty())
        return manufacturer + u' ' + model;
    if (!manufacturer.isEmpty())
        return manufacturer;
    const QString name = display.name.simplified();
    if (!name.isEmpty() && !isPlaceholderName(name))
        return name;
    return QStringLiteral("display %1").arg(index + 1);
}

QStringList Displays::idsFor(const QList<DisplayIdentity>& displays)
{
    QStringList ids;
    QSet<QString> taken;
    for (qsizetype i = 0; i < displays.size(); ++i) {
        const QString base = baseId(displays[i], i);
        QString id = base;
        if (taken.contains(id)) {
            // Alike in every reported detail: tell them apart by port, then by place.
            const QString connector = displays[i].connector.trimmed();
            if (connector.isEmpty())
                id += u'@' + QString::number(i);
            else if (!id.endsWith(u'@' + connector))
                id += u'@' + connector;
            for (int n = 2; taken.contains(id); ++n)
                id = base + QStringLiteral("@%1").arg(n);
        }
        taken.insert(id);
        ids << id;
    }
    return ids;
}

QStringList Displays::formerIdsFor(const QList<DisplayIdentity>& displays)
{
    QStringList former;
    for (const DisplayIdentity& display : displays) {
        const QString monitor = monitorName(display);
        const bool gainedPort = !monitor.isEmpty() && display.serialNumber.trimmed().isEmpty() &&
                                !display.connector.trimmed().isEmpty();
        former << (gainedPort ? monitor : QString());
    }
    return former;
}

bool Displays::carryOverFormerIds(std::map<QString, bool>& switches, const QList<DisplayInfo>& displays)
{
    QSet<QString> current;
    for (const DisplayInfo& display : displays)
        current.insert(display.id);
    bool changed = false;
    for (const DisplayInfo& display : displays) {
        const auto former = switches.find(display.formerId);
        // A former id that is some display's id today is that display's own switch.
        if (display.formerId.isEmpty() || former == switches.end() || current.contains(display.formerId))
            continue;
        switches.try_emplace(display.id, former->second);
        switches.erase(former);
        changed = true;
    }
    return changed;
}

QList<DisplayInfo> Displays::connected()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<DisplayIdentity> identities;
    for (QScreen* screen : screens)
        identities << DisplayIdentity{screen->manufacturer(), screen->model(), screen->serialNumber(), screen->name(),
                                      screen->name()};
    const QStringList ids = idsFor(identities);
    const QStringList formerIds = formerIdsFor(identities);
    QList<DisplayInfo> displays;
    for (qsizetype i = 0; i < screens.size(); ++i)
        displays << DisplayInfo{ids[i], nameFor(identities[i], i), screens[i], formerIds[i]};
    return displays;
}

} // namespace tavik
