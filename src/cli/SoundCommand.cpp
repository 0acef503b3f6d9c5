#include "cli/SoundCommand.h"

#include "cli/CommandLine.h"
#include "cli/Options.h"
#include "cli/ScratchSettings.h"
#include "settings/SettingsStore.h"
#include "sound/AudioOutput.h"
#include "core/Dynamics.h"
#include "sound/Scheduler.h"
#include "sound/SoundscapeManager.h"
#include "core/Clock.h"
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

constexpr OptionRule kSoundOptions[] = {
    {u"--seconds"}, {u"--uptime"}, {u"--thunder-at"}, {u"--sleep-in"}, {u"--seed"}, {u"--out"}, {u"--float", false},
};

Flash parseFlash(const QString& text)
{
    const QStringList parts = text.split(u':');
    if (parts.size() > 2)
        throw UsageError(QStringLiteral("--thunder-at needs T or T:BRIGHTNESS, not \"%1\"").arg(text));
    Flash flash{numberIn(QStringLiteral("--thunder-at"), parts[0], 0, kMaxSeconds), std::nullopt};
    if (parts.size() == 2)
        flash.brightness = numberIn(QStringLiteral("--thunder-at brightness"), parts[1], Setting::thunderBrightness);
    return flash;
}

SoundOptions soundOptions(const Options& given)
{
    SoundOptions options;
    options.seconds = given.number(u"--seconds", 0, kMaxSeconds).value_or(options.seconds);
    if (options.seconds <= 0)
        throw UsageError(QStringLiteral("--seconds must be above 0"));
    options.uptime = given.number(u"--uptime", 0, 1e9);
    for (const QString& flash : given.values(u"--thunder-at"))
        options.flashes.push_back(parseFlash(flash));
    options.sleepIn = given.number(u"--sleep-in", 0, kMaxSeconds);
    options.seed = given.wholeNumber(u"--seed");
    if (given.has(u"--float"))
        options.format = WavSampleFormat::Float32;
    options.outPath = given.value(u"--out").value_or(QString());
    if (options.outPath.isEmpty())
        throw UsageError(given.has(u"--out") ? QStringLiteral("--out needs a file name") : QStringLiteral("sound needs --out FILE.wav"));
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

int runSoundCommand(const QStringList& args, const KeyValueStore& settings, QTextStream& out, QTextStream& err)
{
    return reportingUsageErrors(err, [&] {
        const Options given(args, {ScratchSettings::kOptions, kSoundOptions}, QStringLiteral("sound"));
        auto scratch = ScratchSettings::from(given, settings);
        const SoundOptions options = soundOptions(given);
        SettingsStore& store = scratch->store();
        switchSoundOn(store);
        return render(store, options, out, err);
    });
}

} // namespace tavik
