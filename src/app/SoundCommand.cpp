#include "app/SoundCommand.h"

#include "app/CommandLine.h"
#include "app/ScratchSettings.h"
#include "settings/SettingsStore.h"
#include "sound/AudioOutput.h"
#include "effects/Dynamics.h"
#include "sound/Scheduler.h"
#include "sound/SoundscapeManager.h"
#include "effects/Clock.h"
#include "sound/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <vector>

namespace tavik {

namespace {

constexpr double kDefaultSeconds = 10;
constexpr double kMaxSeconds = 3600;
// Timers and flashes are placed to within one block (about 6 ms).
constexpr std::size_t kBlockFrames = 256;

struct Flash {
    double time;
    std::optional<double> brightness; // nothing: what the thunderstorm would use at that moment
};

struct SoundOptions {
    double seconds = kDefaultSeconds;
    std::optional<double> uptime;
    std::vector<Flash> flashes;
    std::optional<std::uint64_t> seed;
    std::optional<double> sleepIn; // the sleep timer runs out this many seconds in
    WavSampleFormat format = WavSampleFormat::Int16;
    QString outPath;
};

class UsageError {
public:
    explicit UsageError(QString message) : m_message(std::move(message)) {}
    [[nodiscard]] const QString& message() const { return m_message; }

private:
    QString m_message;
};

std::optional<double> parseNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double numberIn(const QString& option, const QString& text, double low, double high)
{
    const auto value = parseNumber(text);
    if (!value || *value < low || *value > high)
        throw UsageError(QStringLiteral("%1 needs a number from %2 to %3, not \"%4\"").arg(option).arg(low).arg(high).arg(text));
    return *value;
}

Flash parseFlash(const QString& text)
{
    const QStringList parts = text.split(u':');
    if (parts.size() > 2)
        throw UsageError(QStringLiteral("--thunder-at needs T or T:BRIGHTNESS, not \"%1\"").arg(text));
    Flash flash{numberIn(QStringLiteral("--thunder-at"), parts[0], 0, kMaxSeconds), std::nullopt};
    if (parts.size() == 2)
        flash.brightness = numberIn(QStringLiteral("--thunder-at brightness"), parts[1], 0, 100);
    return flash;
}

SoundOptions parseOptions(const QStringList& args)
{
    SoundOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString name = args[i];
        std::optional<QString> inlineValue;
        if (const qsizetype equals = name.indexOf(u'='); name.startsWith(u"--") && equals > 0) {
            inlineValue = name.mid(equals + 1);
            name.truncate(equals);
        }
        if (name == u"--float") {
            if (inlineValue)
                throw UsageError(QStringLiteral("--float takes no value"));
            options.format = WavSampleFormat::Float32;
            continue;
        }
        auto value = [&]() -> QString {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= args.size())
                throw UsageError(QStringLiteral("%1 needs a value").arg(name));
            return args[++i];
        };
        if (name == u"--seconds") {
            options.seconds = numberIn(name, value(), 0, kMaxSeconds);
            if (options.seconds <= 0)
                throw UsageError(QStringLiteral("--seconds must be above 0"));
        } else if (name == u"--uptime") {
            options.uptime = numberIn(name, value(), 0, 1e9);
        } else if (name == u"--thunder-at") {
            options.flashes.push_back(parseFlash(value()));
        } else if (name == u"--sleep-in") {
            options.sleepIn = numberIn(name, value(), 0, kMaxSeconds);
        } else if (name == u"--seed") {
            bool ok = false;
            const QString text = value();
            options.seed = text.toULongLong(&ok);
            if (!ok)
                throw UsageError(QStringLiteral("--seed needs a whole number, not \"%1\"").arg(text));
        } else if (name == u"--out") {
            options.outPath = value();
            if (options.outPath.isEmpty())
                throw UsageError(QStringLiteral("--out needs a file name"));
        } else {
            throw UsageError(QStringLiteral("unknown option \"%1\" for sound (tavik help lists them)").arg(args[i]));
        }
    }
    if (options.outPath.isEmpty())
        throw UsageError(QStringLiteral("sound needs --out FILE.wav"));
    for (const Flash& flash : options.flashes) {
        if (flash.time >= options.seconds)
            throw UsageError(QStringLiteral("--thunder-at %1 is not within the %2 s rendered").arg(flash.time).arg(options.seconds));
    }
    return options;
}

// What "sound on" means here: the rest of the settings shape the mix as in the program.
void switchSoundOn(SettingsStore& store)
{
    store.setEnabled(true);
    store.setSoundEnabled(true);
    store.setScreenLocked(false);
    store.setLowPowerMode(false);
}

// Flash times as the thunderstorm makes them: the first soon after it starts, then one every
// D to 1.5 D seconds, D shrinking with the frequency setting.
std::vector<Flash> stormFlashes(const SettingsStore& store, double seconds, double uptime, std::mt19937_64& random)
{
    constexpr double kFlashSeconds = 0.55;
    constexpr double kStormSeed = 67, kStormSpeed = 0.6;
    auto interval = [&](double at) {
        const double f = store.thunderDynamic() ? 90 * Dynamics::waveAt(uptime + at, kStormSeed, kStormSpeed) + 10
                                                : std::clamp(store.thunderFrequency(), 0.0, 100.0);
        return (26 - 0.21 * (std::isnan(f) ? 0.0 : f)) * std::uniform_real_distribution<double>(0.6, 1.5)(random);
    };
    std::vector<Flash> flashes;
    for (double t = std::max(0.5 * interval(0), 2.0); t < seconds; t += kFlashSeconds + interval(t)) {
        const double b = store.thunderDynamic() ? 70 * Dynamics::waveAt(uptime + t, kStormSeed, kStormSpeed) + 20
                                                : store.thunderBrightness();
        flashes.push_back({t, b});
    }
    return flashes;
}

int render(SettingsStore& store, const SoundOptions& options, QTextStream& out, QTextStream& err)
{
    const std::uint64_t seed = options.seed.value_or(std::random_device{}());
    const double uptime = options.uptime.value_or(Clock::now());
    std::mt19937_64 random(seed ^ 0x5DEECE66Dull);
    std::vector<Flash> flashes = options.flashes;
    if (flashes.empty() && store.thunderEnabled())
        flashes = stormFlashes(store, options.seconds, uptime, random);
    std::sort(flashes.begin(), flashes.end(), [](const Flash& a, const Flash& b) { return a.time < b.time; });

    const auto totalFrames = std::max<std::uint64_t>(static_cast<std::uint64_t>(std::llround(options.seconds * kSampleRate)), 1);
    WavWriter writer(options.outPath, kSampleRate, options.format);
    if (!writer.open(totalFrames)) {
        err << "tavik: cannot write " << options.outPath << ": " << writer.errorString() << Qt::endl;
        return kExitFailure;
    }

    auto output = std::make_unique<OfflineAudioOutput>();
    auto scheduler = std::make_unique<VirtualScheduler>(uptime);
    OfflineAudioOutput& device = *output;
    VirtualScheduler& clock = *scheduler;
    SoundscapeManager soundscape(store, std::move(output), std::move(scheduler), seed);
    soundscape.start(std::make_shared<const SoundBank>(synthesizeSoundBank(seed)));
    if (options.sleepIn)
        soundscape.runSleepTimerFor(*options.sleepIn);

    std::vector<float> block;
    std::size_t nextFlash = 0;
    bool written = true;
    for (std::uint64_t frame = 0; frame < totalFrames && written;) {
        const double t = static_cast<double>(frame) / kSampleRate;
        clock.advanceTo(uptime + t);
        for (; nextFlash < flashes.size() && flashes[nextFlash].time <= t; ++nextFlash) {
            const Flash& flash = flashes[nextFlash];
            soundscape.lightningStruck(flash.brightness.value_or(store.thunderBrightness()));
        }
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockFrames, totalFrames - frame));
        block.clear();
        device.pull(block, n);
        written = writer.write(block.data(), n);
        frame += n;
    }
    if (!written || !writer.finish()) {
        err << "tavik: cannot write " << options.outPath << ": " << writer.errorString() << Qt::endl;
        QFile::remove(options.outPath);
        return kExitFailure;
    }

    out << "wrote " << options.outPath << ": " << options.seconds << " s, 44100 Hz stereo, "
        << (options.format == WavSampleFormat::Int16 ? "16-bit" : "32-bit float");
    if (!flashes.empty()) {
        out << "; thunder at";
        for (const Flash& flash : flashes)
            out << ' ' << QString::number(flash.time, 'f', 2) << 's';
    }
    out << Qt::endl;
    return kExitOk;
}

} // namespace

int runSoundCommand(QStringList args, const KeyValueStore& settings, QTextStream& out, QTextStream& err)
{
    auto scratch = ScratchSettings::fromArguments(args, settings, err);
    if (!scratch)
        return kExitUsage;
    SoundOptions options;
    try {
        options = parseOptions(args);
    } catch (const UsageError& error) {
        err << "tavik: " << error.message() << Qt::endl;
        return kExitUsage;
    }
    SettingsStore& store = scratch->store();
    switchSoundOn(store);
    return render(store, options, out, err);
}

} // namespace tavik
