#include "platform/Displays.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSet>

namespace tavik {

namespace {

QString baseId(const DisplayIdentity& display, qsizetype index)
{
    const QString manufacturer = display.manufacturer.trimmed();
    const QString model = display.model.trimmed();
    const QString serial = display.serialNumber.trimmed();
    if (!manufacturer.isEmpty() || !model.isEmpty() || !serial.isEmpty()) {
        QStringList parts{manufacturer, model};
        if (!serial.isEmpty())
            parts << serial;
        return parts.join(u'-');
    }
    if (!display.connector.trimmed().isEmpty())
        return display.connector.trimmed();
    return QStringLiteral("screen-%1").arg(index);
}

} // namespace

QStringList Displays::idsFor(const QList<DisplayIdentity>& displays)
{
    QStringList ids;
    QSet<QString> taken;
    for (qsizetype i = 0; i < displays.size(); ++i) {
        QString id = baseId(displays[i], i);
        if (taken.contains(id)) {
            // Twin monitors without serial numbers: tell them apart by port, then by place.
            const QString connector = displays[i].connector.trimmed();
            id += u'@' + (connector.isEmpty() ? QString::number(i) : connector);
            for (int n = 2; taken.contains(id); ++n)
                id = baseId(displays[i], i) + QStringLiteral("@%1").arg(n);
        }
        taken.insert(id);
        ids << id;
    }
    return ids;
}

QList<DisplayInfo> Displays::connected()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<DisplayIdentity> identities;
    for (QScreen* screen : screens)
        identities << DisplayIdentity{screen->manufacturer(), screen->model(), screen->serialNumber(), screen->name(),
                                      screen->name()};
    const QStringList ids = idsFor(identities);
    QList<DisplayInfo> displays;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        QString name = identities[i].model.trimmed().isEmpty() ? identities[i].name : identities[i].model.trimmed();
        if (name.trimmed().isEmpty())
            name = QStringLiteral("display");
        displays << DisplayInfo{ids[i], name, screens[i]};
    }
    return displays;
}

} // namespace tavik
