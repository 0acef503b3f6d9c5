#include "cli/SettingsCommands.h"

#include "cli/Options.h"

#include "settings/ScenePreset.h"
#include "settings/SettingText.h"
#include "settings/SettingsStore.h"

#include <functional>
#include <map>

namespace tavik {

namespace {

constexpr qsizetype kMinimumIdPrefix = 4;

QString latin(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

int usageError(QTextStream& err, const QString& message)
{
    err << "tavik: " << message << Qt::endl;
    return kExitUsage;
}

int usageError(CommandContext& context, const QString& message)
{
    return usageError(context.err, message);
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

const SettingInfo* settingForKey(QTextStream& err, const QString& key)
{
    const SettingInfo* info = settingNamed(key);
    if (!info)
        usageError(err, QStringLiteral("unknown setting \"%1\" (tavik list shows every key)").arg(key));
    return info;
}

const SettingInfo* settingForKey(CommandContext& context, const QString& key)
{
    return settingForKey(context.err, key);
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

struct SetRequest {
    const SettingInfo* info;
    SettingValue value;
};

// The key and value of "set KEY VALUE", parsed by the key's type and inside its range; nothing
// after a message on err.
std::optional<SetRequest> parseSetArguments(const QStringList& args, QTextStream& err)
{
    if (args.size() != 2) {
        usageError(err, QStringLiteral("usage: tavik set KEY VALUE"));
        return std::nullopt;
    }
    const SettingInfo* info = settingForKey(err, args[0]);
    if (!info)
        return std::nullopt;
    auto value = parseSettingValue(*info, args[1]);
    if (!value) {
        usageError(err, QStringLiteral("\"%1\" is not a valid value for %2: expected %3")
                            .arg(args[1], args[0], typeDescription(*info)));
        return std::nullopt;
    }
    if (const auto problem = rangeProblem(*info, *value)) {
        usageError(err, *problem);
        return std::nullopt;
    }
    return SetRequest{info, std::move(*value)};
}

} // namespace

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

int setSetting(const QStringList& args, CommandContext& context)
{
    auto request = parseSetArguments(args, context.err);
    if (!request)
        return kExitUsage;
    OfflineLiveWeather liveWeather(context.store);
    context.store.setValue(request->info->id, std::move(request->value));
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

namespace {

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

constexpr OptionRule kIconOption[] = {{u"--icon"}};

// A scene command's words and its one "--icon EMOJI"; nothing when the line is malformed.
std::optional<Options> sceneLine(const QStringList& args)
{
    try {
        Options options(args, {kIconOption}, QStringLiteral("scene"), Options::Words::allowed);
        if (options.values(u"--icon").size() > 1)
            return std::nullopt;
        return options;
    } catch (const UsageError&) {
        return std::nullopt;
    }
}

int saveScene(const QStringList& args, CommandContext& context)
{
    const auto line = sceneLine(args);
    if (!line || line->words().size() != 1)
        return usageError(context, QStringLiteral("usage: tavik scene save NAME [--icon EMOJI]"));
    const auto id = context.store.saveCurrentScene(line->words()[0], line->value(u"--icon"));
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
    if (const int unreadable = context.store.unreadableSavedScenes(); unreadable > 0)
        context.err << "tavik: " << unreadable << (unreadable == 1 ? " saved scene" : " saved scenes")
                    << " could not be read and " << (unreadable == 1 ? "is" : "are") << " not listed" << Qt::endl;
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

int renameScene(const QStringList& args, CommandContext& context)
{
    const auto line = sceneLine(args);
    if (!line || line->words().size() != 2)
        return usageError(context, QStringLiteral("usage: tavik scene rename ID NAME [--icon EMOJI]"));
    const QStringList& words = line->words();
    const auto scene = findScene(context, words[0]);
    if (!scene)
        return kExitUsage;
    if (words[1].trimmed().isEmpty())
        return usageError(context, QStringLiteral("a scene needs a name that is not blank"));
    // Without --icon the scene keeps its icon; --icon "" removes it.
    const auto icon = line->value(u"--icon");
    context.store.updateSavedScene(*scene, words[1], icon ? icon : scene->icon);
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

} // namespace

int sceneCommand(const QStringList& args, CommandContext& context)
{
    if (args.isEmpty())
        return usageError(context, QStringLiteral("usage: tavik scene save|list|apply|rename|favorite|delete ..."));
    const auto it = sceneCommands().find(args[0]);
    if (it == sceneCommands().end())
        return usageError(context, QStringLiteral("unknown scene command \"%1\"").arg(args[0]));
    return it->second(args.mid(1), context);
}

// --- the sleep timer ---

int setSoundTimer(const QStringList& args, CommandContext& context)
{
    if (args.size() != 1)
        return usageError(context, QStringLiteral("usage: tavik sound-timer MINUTES|off"));
    const SettingInfo& info = settingInfo(Setting::sleepTimer);
    double minutes = 0;
    if (args[0] != u"off") {
        // Zero is "off", said in words; a countdown lasts a minute at least.
        const auto given = parseNumber(args[0]);
        minutes = given.value_or(0);
        if (!given || !(minutes >= 1 && minutes <= info.maximum))
            return usageError(context, QStringLiteral("sound-timer takes minutes from 1 to %1, or off; not \"%2\"")
                                           .arg(info.maximum).arg(args[0]));
    }
    // Set again even when it is the same: the countdown starts over from now.
    context.store.setSleepTimer(minutes);
    return commit(context);
}

std::optional<int> refuseSet(const QStringList& line, QTextStream& err)
{
    if (!parseSetArguments(line.mid(1), err))
        return kExitUsage;
    return std::nullopt;
}

} // namespace tavik
