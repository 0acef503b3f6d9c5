#include "app/AppIdentity.h"

#include <QGuiApplication>
#include <QIcon>

namespace tavik {

void setApplicationIdentity()
{
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tavik"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tavik"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/tavik/icons/tavik.svg")));
}

} // namespace tavik
