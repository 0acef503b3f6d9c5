#include "cli/WeatherCommand.h"

#include "cli/CommandLine.h"
#include "cli/Options.h"
#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"
#include "weather/Endpoints.h"
#include "weather/QtPositionSource.h"
#include "weather/WeatherService.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>

#include <memory>

namespace tavik {

namespace {

constexpr OptionRule kWeatherOptions[] = {{u"--ip-location", false}};

// Whether the user's settings ask for detailed weather. Only read: the command changes nothing,
// and a missing file is not created.
bool userWantsDetail()
{
    const QString path = IniKeyValueStore::defaultPath();
    if (!QFileInfo::exists(path))
        return false;
    const IniKeyValueStore file(path);
    return storedBool(file.value(QString::fromLatin1(settingInfo(Setting::liveWeatherDetailed).key.data()))).value_or(false);
}

void printResult(const WeatherService& service, bool detailed, QTextStream& out)
{
    out << "status: " << service.status() << '\n'
        << "place: " << service.locationName().value_or(QString()) << '\n'
        << "condition: " << service.conditionText().value_or(QString()) << '\n'
        << "temperature: " << service.temperatureText().value_or(QString()) << '\n'
        << "preset: " << service.appliedPresetId().value_or(QString()) << '\n'
        << "reason: " << service.failureReason() << '\n';
    if (detailed)
        out << "settings: " << describeChanges(service.appliedDetails()) << '\n';
    out.flush();
}

int lookUp(const Options& given, QTextStream& out, QTextStream& err)
{
    QStringList rejected;
    const WeatherEndpoints endpoints = WeatherEndpoints::fromEnvironment(&rejected);
    if (!rejected.isEmpty()) {
        err << "tavik: " << rejected.join(QStringLiteral(", ")) << " must be an http or https URL with a host" << Qt::endl;
        return kExitUsage;
    }

    // A store of its own in memory: the lookup applies a scene, and the user's stays as it is.
    MemoryKeyValueStore database;
    SettingsStore store(database);
    store.setLowPowerMode(false);
    store.setLiveWeatherEnabled(true);
    const bool detailed = userWantsDetail();
    store.setLiveWeatherDetailed(detailed);

    bool applied = false;
    {
        std::unique_ptr<PositionSource> device;
        if (!given.has(u"--ip-location"))
            device = std::make_unique<QtPositionSource>();
        WeatherService service(store, std::move(device), endpoints);
        QEventLoop loop;
        QObject::connect(&service, &WeatherService::refreshFinished, &loop, [&](bool ok) {
            applied = ok;
            loop.quit();
        });
        service.start();
        loop.exec();
        printResult(service, detailed, out);
    }
    // Finished requests are deleted from the event loop; let them go before returning.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return applied ? kExitOk : kExitFailure;
}

} // namespace

int runWeatherCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    return reportingUsageErrors(
        err, [&] { return lookUp(Options(args, {kWeatherOptions}, QStringLiteral("weather")), out, err); });
}

} // namespace tavik
