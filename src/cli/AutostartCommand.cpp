#include "cli/AutostartCommand.h"

#include "platform/Autostart.h"
#include "cli/CommandLine.h"

namespace tavik {

int runAutostartCommand(const QStringList& args, const Autostart& autostart, QTextStream& out, QTextStream& err)
{
    const QString choice = args.size() == 1 ? args.front() : QString();
    if (choice == u"status") {
        out << (autostart.isOn() ? "on" : "off") << '\t' << autostart.path() << '\n';
        return kExitOk;
    }
    if (choice != u"on" && choice != u"off") {
        err << "tavik: usage: tavik autostart on|off|status" << Qt::endl;
        return kExitUsage;
    }
    const bool on = choice == u"on";
    const bool keepsUsersLines = !on && autostart.isOn() && autostart.isEditedByHand();
    if (const auto problem = autostart.setOn(on)) {
        err << "tavik: " << *problem << Qt::endl;
        return kExitFailure;
    }
    if (keepsUsersLines)
        err << "tavik: " << autostart.path() << " was edited by hand; it is kept, switched off with Hidden=true"
            << Qt::endl;
    return kExitOk;
}

} // namespace tavik
