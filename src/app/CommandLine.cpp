#include "app/CommandLine.h"

#include "settings/ScenePreset.h"
#include "settings/SettingText.h"
#include "settings/SettingsStore.h"

#include <functional>
#include <map>
#include <optional>

namespace tavik {

namespace {

constexpr qsizetype kMinimumIdPrefix = 4;

QString latin(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

int usageError(CommandContext& context, const QString& message)
{
    context.err << "tavik: " << message << Qt::endl;
    return kExitUsage;
}

// Writes what the command changed; a file that can't be written is an error, not a success.
int commit(CommandContext& context)
{
    if (context.store.defaults().sync())
        return kExitOk;
    context.err << "tavik: could not write the settings file " << context.settingsPath << Qt::endl;
    return kExitFailure;
}

// Without the desktop program running there is no live-weather service to hand the sky back
// when live weather goes off; this does its part of that, so a reset or a switch-off from the
// command line is not undone by the backup at the next start.
class OfflineLiveWeather {
public:
    explicit OfflineLiveWeather(SettingsStore& store)
        : m_store(store)
    {
        m_live = m_store.observe<bool>(Setting::liveWeatherEnabled, [this](bool on) { update(on, m_store.lowPowerMode()); });
        m_power = m_store.observe<bool>(Setting::lowPowerMode, [this](bool saving) { update(m_store.liveWeatherEnabled(), saving); });
    }

private:
    void update(bool live, bool saving)
    {
        const bool on = live && !saving;
        if (m_on && *m_on && !on)
            m_store.restoreWeatherSnapshot();
        m_on = on;
    }

    SettingsStore& m_store;
    std::optional<bool> m_on;
    Subscription m_live;
    Subscription m_power;
};

const SettingInfo* settingForKey(CommandContext& context, const QString& key)
{
    const QByteArray latinKey = key.toLatin1();
    const SettingInfo* info = findSettingByKey(std::string_view(latinKey.constData(), static_cast<std::size_t>(latinKey.size())));
    if (!info)
        usageError(context, QStringLiteral("unknown setting \"%1\" (tavik list shows every key)").arg(key));
    return info;
}

int listSettings(const QStringList& args, CommandContext& context)
{
    if (!args.isEmpty())
        return usageError(context, QStringLiteral("list takes no arguments"));
    for (const SettingInfo& info : settingsTable()) {
        if (info.persisted())
            context.out << latin(info.key) << '=' << formatSettingValue(context.store.value(info.id)) << '\n';
    }
    return kExitOk;
}

int getSetting(const QStringList& args, CommandContext& context)
{
    if (args.size() != 1)
        return usageError(context, QStringLiteral("usage: tavik get KEY"));
    const SettingInfo* info = settingForKey(context, args[0]);
    if (!info)
        return kExitUsage;
    context.out << formatSettingValue(context.store.value(info->id)) << '\n';
    return kExitOk;
}

QString typeDescription(const SettingInfo& info)
{
    switch (info.type) {
    case SettingType::Bool: return QStringLiteral("true or false");
    case SettingType::Double: return QStringLiteral("a finite number");
    case SettingType::String: return isColourSetting(info.id) ? QStringLiteral("a colour like #5FD8F5") : QStringLiteral("text");
    case SettingType::SavedScenes: return QStringLiteral("a JSON array of saved scenes");
    case SettingType::Monitors: return QStringLiteral("a JSON object of display ids to true or false");
    }
    return {};
}

int setSetting(const QStringList& args, CommandContext& context)
{
    if (args.size() != 2)
        return usageError(context, QStringLiteral("usage: tavik set KEY VALUE"));
    const SettingInfo* info = settingForKey(context, args[0]);
    if (!info)
        return kExitUsage;
    auto value = parseSettingValue(*info, args[1]);
    if (!value)
        return usageError(context, QStringLiteral("\"%1\" is not a valid value for %2: expected %3")
                                       .arg(args[1], args[0], typeDescription(*info)));
    OfflineLiveWeather liveWeather(context.store);
    context.store.setValue(info->id, std::move(*value));
    return commit(context);
}

int resetSettings(const QStringList& args, CommandContext& context)
{
    if (!args.isEmpty())
        return usageError(context, QStringLiteral("reset takes no arguments"));
    OfflineLiveWeather liveWeather(context.store);
    context.store.resetAllToDefaults();
    return commit(context);
}

int toggleEnabled(const QStringList& args, CommandContext& context)
{
    if (!args.isEmpty())
        return usageError(context, QStringLiteral("toggle takes no arguments"));
    context.store.setEnabled(!context.store.enabled());
    context.out << (context.store.enabled() ? "on" : "off") << '\n';
    return commit(context);
}

int listPresets(const QStringList& args, CommandContext& context)
{
    if (!args.isEmpty())
        return usageError(context, QStringLiteral("presets takes no arguments"));
    for (const ScenePreset& preset : ScenePreset::all()) {
        context.out << preset.id.leftJustified(15) << preset.label;
        if (preset.matches(context.store))
            context.out << "  (active)";
        context.out << '\n';
    }
    return kExitOk;
}

int applyPreset(const QStringList& args, CommandContext& context)
{
    if (args.size() != 1)
        return usageError(context, QStringLiteral("usage: tavik preset ID"));
    const ScenePreset* preset = ScenePreset::preset(args[0]);
    if (!preset)
        return usageError(context, QStringLiteral("unknown preset \"%1\" (tavik presets lists them)").arg(args[0]));
    preset->apply(context.store);
    return commit(context);
}

// --- saved scenes ---

// A scene named on the command line: its full id (any case), a unique start of its id, or its
// exact name when only one scene has it.
std::optional<SavedScene> findScene(CommandContext& context, const QString& reference)
{
    const SavedSceneList& scenes = context.store.savedScenes();
    std::vector<const SavedScene*> byPrefix;
    std::vector<const SavedScene*> byName;
    for (const SavedScene& scene : scenes) {
        if (scene.id.compare(reference, Qt::CaseInsensitive) == 0)
            return scene;
        if (reference.size() >= kMinimumIdPrefix && scene.id.startsWith(reference, Qt::CaseInsensitive))
            byPrefix.push_back(&scene);
        if (scene.name == reference)
            byName.push_back(&scene);
    }
    if (byPrefix.size() == 1)
        return *byPrefix.front();
    if (byPrefix.empty() && byName.size() == 1)
        return *byName.front();
    if (byPrefix.size() > 1 || byName.size() > 1)
        usageError(context, QStringLiteral("\"%1\" names more than one saved scene; use its id").arg(reference));
    else
        usageError(context, QStringLiteral("no saved scene \"%1\" (tavik scene list shows them)").arg(reference));
    return std::nullopt;
}

// Splits "--icon EMOJI" off the arguments; false when it is malformed.
bool takeIconOption(QStringList& args, std::optional<QString>& icon)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--icon") {
            if (i + 1 >= args.size())
                return false;
            icon = args[i + 1];
            args.remove(i, 2);
            return !args.contains(QStringLiteral("--icon"));
        }
        if (args[i].startsWith(u"--icon=")) {
            icon = args[i].mid(7);
            args.remove(i);
            return !args.contains(QStringLiteral("--icon"));
        }
    }
    return true;
}

int saveScene(QStringList args, CommandContext& context)
{
    std::optional<QString> icon;
    if (!takeIconOption(args, icon) || args.size() != 1)
        return usageError(context, QStringLiteral("usage: tavik scene save NAME [--icon EMOJI]"));
    const auto id = context.store.saveCurrentScene(args[0], icon);
    if (!id)
        return usageError(context, QStringLiteral("a scene needs a name that is not blank"));
    context.out << *id << '\n';
    return commit(context);
}

int listScenes(const QStringList& args, CommandContext& context)
{
    if (!args.isEmpty())
        return usageError(context, QStringLiteral("scene list takes no arguments"));
    for (const SavedScene& scene : context.store.savedScenes()) {
        context.out << scene.id << "  " << (scene.isFavorite() ? QStringLiteral("★") : QStringLiteral(" ")) << "  ";
        if (scene.icon)
            context.out << *scene.icon << ' ';
        context.out << scene.name;
        if (context.store.isActiveScene(scene))
            context.out << "  (active)";
        context.out << '\n';
    }
    return kExitOk;
}

int applyScene(const QStringList& args, CommandContext& context)
{
    if (args.size() != 1)
        return usageError(context, QStringLiteral("usage: tavik scene apply ID"));
    const auto scene = findScene(context, args[0]);
    if (!scene)
        return kExitUsage;
    context.store.apply(scene->scene);
    return commit(context);
}

int renameScene(QStringList args, CommandContext& context)
{
    std::optional<QString> icon;
    if (!takeIconOption(args, icon) || args.size() != 2)
        return usageError(context, QStringLiteral("usage: tavik scene rename ID NAME [--icon EMOJI]"));
    const auto scene = findScene(context, args[0]);
    if (!scene)
        return kExitUsage;
    if (args[1].trimmed().isEmpty())
        return usageError(context, QStringLiteral("a scene needs a name that is not blank"));
    // Without --icon the scene keeps its icon; --icon "" removes it.
    context.store.updateSavedScene(*scene, args[1], icon ? icon : scene->icon);
    return commit(context);
}

int favoriteScene(const QStringList& args, CommandContext& context)
{
    if (args.size() != 1)
        return usageError(context, QStringLiteral("usage: tavik scene favorite ID"));
    const auto scene = findScene(context, args[0]);
    if (!scene)
        return kExitUsage;
    if (!scene->isFavorite() && context.store.favoriteScenes().size() >= SettingsStore::kMaxFavorites) {
        context.err << "tavik: there are already " << SettingsStore::kMaxFavorites
                    << " favourite scenes; unstar one first" << Qt::endl;
        return kExitFailure;
    }
    context.store.toggleFavorite(*scene);
    return commit(context);
}

int deleteScene(const QStringList& args, CommandContext& context)
{
    if (args.size() != 1)
        return usageError(context, QStringLiteral("usage: tavik scene delete ID"));
    const auto scene = findScene(context, args[0]);
    if (!scene)
        return kExitUsage;
    context.store.deleteSavedScene(*scene);
    return commit(context);
}

// --- the sleep timer ---

int setSoundTimer(const QStringList& args, CommandContext& context)
{
    if (args.size() != 1)
        return usageError(context, QStringLiteral("usage: tavik sound-timer MINUTES|off"));
    const SettingInfo& info = settingInfo(Setting::sleepTimer);
    double minutes = 0;
    if (args[0] != u"off") {
        bool ok = false;
        minutes = args[0].trimmed().toDouble(&ok);
        if (!ok || !(minutes >= 1 && minutes <= info.maximum))
            return usageError(context, QStringLiteral("sound-timer takes minutes from 1 to %1, or off; not \"%2\"")
                                           .arg(info.maximum).arg(args[0]));
    }
    // Set again even when it is the same: the countdown starts over from now.
    context.store.setSleepTimer(minutes);
    return commit(context);
}

using Handler = std::function<int(const QStringList&, CommandContext&)>;

const std::map<QString, Handler>& sceneCommands()
{
    static const std::map<QString, Handler> commands = {
        {QStringLiteral("save"), saveScene},
        {QStringLiteral("list"), listScenes},
        {QStringLiteral("apply"), applyScene},
        {QStringLiteral("rename"), renameScene},
        {QStringLiteral("favorite"), favoriteScene},
        {QStringLiteral("delete"), deleteScene},
    };
    return commands;
}

int sceneCommand(const QStringList& args, CommandContext& context)
{
    if (args.isEmpty())
        return usageError(context, QStringLiteral("usage: tavik scene save|list|apply|rename|favorite|delete ..."));
    const auto it = sceneCommands().find(args[0]);
    if (it == sceneCommands().end())
        return usageError(context, QStringLiteral("unknown scene command \"%1\"").arg(args[0]));
    return it->second(args.mid(1), context);
}

const std::map<QString, Handler>& settingsCommands()
{
    static const std::map<QString, Handler> commands = {
        {QStringLiteral("list"), listSettings},
        {QStringLiteral("get"), getSetting},
        {QStringLiteral("set"), setSetting},
        {QStringLiteral("reset"), resetSettings},
        {QStringLiteral("toggle"), toggleEnabled},
        {QStringLiteral("presets"), listPresets},
        {QStringLiteral("preset"), applyPreset},
        {QStringLiteral("scene"), sceneCommand},
        {QStringLiteral("sound-timer"), setSoundTimer},
    };
    return commands;
}

} // namespace

bool isSettingsCommand(const QString& command)
{
    return settingsCommands().contains(command);
}

int runSettingsCommand(const QStringList& args, CommandContext& context)
{
    if (args.isEmpty())
        return usageError(context, QStringLiteral("no command given"));
    const auto it = settingsCommands().find(args[0]);
    if (it == settingsCommands().end())
        return usageError(context, QStringLiteral("unknown command \"%1\" (tavik help lists them)").arg(args[0]));
    return it->second(args.mid(1), context);
}

QString usageText()
{
    return QStringLiteral(
        "Usage: tavik [COMMAND]\n"
        "\n"
        "Without a command, starts the desktop program (or, when it runs already, opens its\n"
        "panel). Settings and scene commands go to the running program when there is one.\n"
        "\n"
        "Program:\n"
        "  tavik panel                    open the running program's settings panel\n"
        "  tavik status                   the running program's state as JSON (overlays, tray,\n"
        "                                 panel)\n"
        "\n"
        "Settings:\n"
        "  tavik list                     every setting as KEY=VALUE\n"
        "  tavik get KEY                  one setting\n"
        "  tavik set KEY VALUE            change one setting\n"
        "  tavik reset                    every setting back to its default (keeps the master\n"
        "                                 switch, the display choices and the saved scenes)\n"
        "  tavik toggle                   switch the whole scene on or off\n"
        "\n"
        "Scenes:\n"
        "  tavik presets                  the built-in scenes\n"
        "  tavik preset ID                apply a built-in scene\n"
        "  tavik scene save NAME [--icon EMOJI]\n"
        "  tavik scene list\n"
        "  tavik scene apply ID\n"
        "  tavik scene rename ID NAME [--icon EMOJI]\n"
        "  tavik scene favorite ID        star or unstar (at most 3 favourites)\n"
        "  tavik scene delete ID\n"
        "\n"
        "Displays:\n"
        "  tavik displays                 the connected displays, one \"ID<tab>NAME\" a line; the ids\n"
        "                                 are the keys of app.monitors\n"
        "\n"
        "Pictures:\n"
        "  tavik render [--preset ID] [--set KEY=VALUE]... [--size WxH] [--scale S] [--time T]\n"
        "               [--fps F] [--seed N] [--uptime U] [--frames N] [--dock X,Y,W,H]\n"
        "               [--background #RRGGBB] [--renderer raster|gl] [--dump FILE.json]\n"
        "               --out FILE.png\n"
        "                                 the atmosphere of these settings drawn headless, as\n"
        "                                 if switched on (default 1440x900, 3 s simulated)\n"
        "\n"
        "Live weather:\n"
        "  tavik weather [--ip-location]  look up the weather here once and print it (changes\n"
        "                                 no setting; --ip-location skips the location service)\n"
        "\n"
        "Sound:\n"
        "  tavik sound [--seconds S] [--preset ID] [--set KEY=VALUE] [--uptime U]\n"
        "              [--thunder-at T[:BRIGHTNESS]]... [--sleep-in T] [--seed N] [--float]\n"
        "              --out FILE.wav\n"
        "                                 the soundscape of these settings with sound on,\n"
        "                                 rendered offline (default 10 s, 16-bit); --sleep-in\n"
        "                                 lets the sleep timer run out T s in\n"
        "  tavik sound-timer MINUTES|off  fade the sound out and switch it off in MINUTES\n"
        "                                 (1 to 90), or stop the countdown\n"
        "\n"
        "  tavik help | --help            this text\n"
        "  tavik --version\n"
        "\n"
        "Settings live in $XDG_CONFIG_HOME/tavik/tavik.conf (~/.config/tavik/tavik.conf).\n"
        "Exit status: 0 done, 1 could not be carried out, 2 bad command or value.\n");
}

} // namespace tavik
