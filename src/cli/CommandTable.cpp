#include "cli/CommandTable.h"

#include "cli/AutostartCommand.h"
#include "cli/Invocation.h"
#include "cli/QuitCommand.h"
#include "cli/RenderCommand.h"
#include "cli/SettingsCommands.h"
#include "cli/SoundCommand.h"
#include "cli/WeatherCommand.h"

#include "core/Version.h"
#include "platform/Autostart.h"
#include "platform/Displays.h"

#include <algorithm>

namespace tavik {

namespace {

// A settings command runs on whichever store the invocation holds: the file's or the live one.
template <int (*command)(const QStringList&, CommandContext&)>
int onSettings(const QStringList& args, Invocation& invocation)
{
    return command(args, invocation.settings());
}

std::optional<int> takesNoArguments(const QStringList& line, QTextStream& err)
{
    if (line.size() == 1)
        return std::nullopt;
    err << "tavik: " << line.front() << " takes no arguments" << Qt::endl;
    return kExitUsage;
}

int printHelp(const QStringList&, Invocation& invocation)
{
    invocation.out() << helpText();
    return kExitOk;
}

int printVersion(const QStringList&, Invocation& invocation)
{
    invocation.out() << "tavik " << kVersion << '\n';
    return kExitOk;
}

// One line each, "ID<tab>NAME", in the system's order: the ids app.monitors takes.
int listDisplays(const QStringList&, Invocation& invocation)
{
    for (const DisplayInfo& display : Displays::connected())
        invocation.out() << display.id << '\t' << display.name << '\n';
    return kExitOk;
}

int render(const QStringList& args, Invocation& invocation)
{
    return runRenderCommand(args, invocation.savedSettings(), invocation.out(), invocation.err());
}

int sound(const QStringList& args, Invocation& invocation)
{
    return runSoundCommand(args, invocation.savedSettings(), invocation.out(), invocation.err());
}

int weather(const QStringList& args, Invocation& invocation)
{
    return runWeatherCommand(args, invocation.out(), invocation.err());
}

int quit(const QStringList& args, Invocation& invocation)
{
    if (!args.isEmpty()) {
        invocation.err() << "tavik: quit takes no arguments" << Qt::endl;
        return kExitUsage;
    }
    if (!invocation.forward()) {
        invocation.err() << "tavik: Tavik is not running" << Qt::endl;
        return kExitFailure;
    }
    return runQuitCommand(*invocation.forward(), invocation.err());
}

int autostart(const QStringList& args, Invocation& invocation)
{
    return runAutostartCommand(args, Autostart::forThisProgram(), invocation.out(), invocation.err());
}

// `--background` starts the desktop program (main sees to that); it only gets here with more
// words after it.
int background(const QStringList&, Invocation& invocation)
{
    invocation.err() << "tavik: --background takes no arguments" << Qt::endl;
    return kExitUsage;
}

// In the order `tavik help` lists them.
const std::vector<Command>& table()
{
    static const std::vector<Command> commands = {
        {.name = u"panel", .route = Route::runningOnly, .refuse = takesNoArguments,
         .help = {{"Program", "tavik panel", "open the running program's settings panel"}}},
        {.name = u"status", .route = Route::runningOnly, .refuse = takesNoArguments,
         .help = {{"Program", "tavik status", "the running program's state as JSON (overlays, tray, panel)"}}},
        {.name = u"quit", .run = quit,
         .help = {{"Program", "tavik quit",
                   "end the running program cleanly: the scene goes, the sound fades out, the settings are written"}}},
        {.name = u"--background", .run = background,
         .help = {{"Program", "tavik --background",
                   "start the desktop program without opening the panel, even with no tray (what start at login runs)"}}},
        {.name = u"autostart", .run = autostart,
         .help = {{"Program", "tavik autostart on|off|status",
                   "start Tavik at login (an entry in $XDG_CONFIG_HOME/autostart), stop doing so, or say which and where"}}},

        {.name = u"list", .route = Route::runningFirst, .run = onSettings<listSettings>,
         .help = {{"Settings", "tavik list", "every setting as KEY=VALUE"}}},
        {.name = u"get", .route = Route::runningFirst, .run = onSettings<getSetting>,
         .help = {{"Settings", "tavik get KEY", "one setting"}}},
        {.name = u"set", .route = Route::runningFirst, .run = onSettings<setSetting>, .refuse = refuseSet,
         .help = {{"Settings", "tavik set KEY VALUE", "change one setting (a number within its range)"}}},
        {.name = u"reset", .route = Route::runningFirst, .run = onSettings<resetSettings>,
         .help = {{"Settings", "tavik reset",
                   "every setting back to its default (keeps the master switch, the display choices and the saved scenes)"}}},
        {.name = u"toggle", .route = Route::runningFirst, .run = onSettings<toggleEnabled>,
         .help = {{"Settings", "tavik toggle", "switch the whole scene on or off"}}},

        {.name = u"presets", .route = Route::runningFirst, .run = onSettings<listPresets>,
         .help = {{"Scenes", "tavik presets", "the built-in scenes, the active one marked"}}},
        {.name = u"preset", .route = Route::runningFirst, .run = onSettings<applyPreset>,
         .help = {{"Scenes", "tavik preset ID", "apply a built-in scene"}}},
        {.name = u"scene", .route = Route::runningFirst, .run = onSettings<sceneCommand>,
         .help = {{"Scenes", "tavik scene save NAME [--icon EMOJI]", "save the current scene and print its id"},
                  {"Scenes", "tavik scene list", "the saved scenes: id, star, icon, name"},
                  {"Scenes", "tavik scene apply ID", "apply a saved scene; ID is its id, a unique start of it, or its name"},
                  {"Scenes", "tavik scene rename ID NAME [--icon EMOJI]",
                   "rename a saved scene; it keeps its icon unless --icon gives one (an empty one removes it)"},
                  {"Scenes", "tavik scene favorite ID", "star or unstar (at most 3 favourites)"},
                  {"Scenes", "tavik scene delete ID", "delete a saved scene"}}},

        {.name = u"displays", .display = DisplayNeed::always, .run = listDisplays,
         .help = {{"Displays", "tavik displays",
                   "the connected displays, one \"ID<tab>NAME\" a line; the ids are the keys of app.monitors"}}},

        {.name = u"render", .display = DisplayNeed::forOpenGl, .run = render,
         .help = {{"Pictures",
                   "tavik render [--preset ID] [--set KEY=VALUE]... [--size WxH] [--scale S] [--time T] [--fps F] "
                   "[--seed N] [--uptime U] [--frames N] [--dock X,Y,W,H] [--background #RRGGBB] "
                   "[--renderer raster|gl] [--dump FILE.json] --out FILE.png",
                   "the atmosphere of these settings drawn headless, as if switched on (default 1440x900, 3 s simulated)"}}},

        {.name = u"weather", .run = weather,
         .help = {{"Live weather", "tavik weather [--ip-location]",
                   "look up the weather here once and print it (changes no setting; --ip-location skips the location "
                   "service)"}}},

        {.name = u"sound", .run = sound,
         .help = {{"Sound",
                   "tavik sound [--seconds S] [--preset ID] [--set KEY=VALUE] [--uptime U] [--thunder-at T[:BRIGHTNESS]]... "
                   "[--sleep-in T] [--seed N] [--float] --out FILE.wav",
                   "the soundscape of these settings with sound on, rendered offline (default 10 s, 16-bit); "
                   "--sleep-in lets the sleep timer run out T s in"}}},
        {.name = u"sound-timer", .route = Route::runningFirst, .run = onSettings<setSoundTimer>,
         .help = {{"Sound", "tavik sound-timer MINUTES|off",
                   "fade the sound out and switch it off in MINUTES (1 to 90), or stop the countdown"}}},

        {.name = u"help", .run = printHelp, .help = {{"Help", "tavik help | --help", "this text"}}},
        {.name = u"--help", .run = printHelp, .help = {}},
        {.name = u"-h", .run = printHelp, .help = {}},
        {.name = u"--version", .run = printVersion, .help = {{"Help", "tavik --version", "the installed version"}}},
    };
    return commands;
}

} // namespace

std::span<const Command> commandTable()
{
    return table();
}

const Command* findCommand(QStringView name)
{
    const auto& commands = table();
    const auto it = std::find_if(commands.begin(), commands.end(), [&](const Command& command) { return command.name == name; });
    return it == commands.end() ? nullptr : &*it;
}

} // namespace tavik
