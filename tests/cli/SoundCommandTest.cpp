#include "cli/CommandLine.h"
#include "cli/SoundCommand.h"
#include "settings/KeyValueStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>

using namespace tavik;

namespace {

struct Wav {
    int format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<float> samples; // interleaved
};

// Just enough of a WAVE reader for what the command writes: the format first, the samples last.
std::optional<Wav> readWav(const QString& path)
{
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qsizetype data = bytes.indexOf("data", 36);
    if (!bytes.startsWith("RIFF") || bytes.mid(8, 8) != "WAVEfmt " || data < 0)
        return std::nullopt;
    auto at = [&](qsizetype offset) { return bytes.constData() + offset; };
    Wav wav{qFromLittleEndian<quint16>(at(20)), qFromLittleEndian<quint16>(at(22)), int(qFromLittleEndian<quint32>(at(24))),
            qFromLittleEndian<quint16>(at(34)), {}};
    if (data + 8 + qFromLittleEndian<quint32>(at(data + 4)) != bytes.size())
        return std::nullopt;
    for (qsizetype i = data + 8; i < bytes.size(); i += wav.bits / 8)
        wav.samples.push_back(wav.bits == 16 ? qFromLittleEndian<qint16>(at(i)) / 32767.0f : qFromLittleEndian<float>(at(i)));
    return wav;
}

// The loudness of both channels between two times in seconds.
double rms(const std::vector<float>& x, double from, double to)
{
    double sum = 0;
    const auto begin = std::size_t(from * 44100) * 2, end = std::min(x.size(), std::size_t(to * 44100) * 2);
    for (std::size_t i = begin; i < end; ++i)
        sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(end - begin));
}

class SoundCommand : public ::testing::Test {
protected:
    int run(QStringList args)
    {
        errors.clear();
        QTextStream out(&printed);
        QTextStream err(&errors);
        return runSoundCommand(std::move(args), settings, out, err);
    }
    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }

    QTemporaryDir folder;
    MemoryKeyValueStore settings;
    QString printed, errors;
};

} // namespace

TEST_F(SoundCommand, RefusesBadArgumentsWithStatusTwoAndWritesNothing)
{
    const QString out = path("x.wav");
    const QList<QStringList> bad = {{},
                                    {"--seconds", "2"},
                                    {"--out", ""},
                                    {"--seconds", "-1", "--out", out},
                                    {"--seconds", "0", "--out", out},
                                    {"--seconds", "100000", "--out", out},
                                    {"--uptime", "-5", "--out", out},
                                    {"--thunder-at", "x", "--out", out},
                                    {"--thunder-at", "1:200", "--out", out},
                                    {"--thunder-at", "1:2:3", "--out", out},
                                    {"--thunder-at", "12", "--seconds", "10", "--out", out},
                                    {"--seed", "-3", "--out", out},
                                    {"--sleep-in", "-1", "--out", out},
                                    {"--loud", "--out", out},
                                    {"extra", "--out", out},
                                    {"--preset", "no-such-scene", "--out", out}};
    for (const QStringList& args : bad) {
        EXPECT_EQ(run(args), kExitUsage) << args.join(' ').toStdString();
        EXPECT_TRUE(errors.startsWith("tavik: ")) << args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(SoundCommand, RendersTheStormAsHeardWithSoundOnWhateverTheSwitchesSay)
{
    // The user's sound is off, the screen saver on battery: the render is still the storm.
    settings.setValue("sound.enabled", false);
    settings.setValue("app.enabled", false);
    settings.setValue("app.lowPowerMode", true);
    const QString storm = path("storm.wav");
    ASSERT_EQ(run({"--preset", "storm", "--seconds", "2.5", "--seed", "3", "--thunder-at", "0.1:100", "--out", storm}), kExitOk)
        << errors.toStdString();
    EXPECT_TRUE(printed.contains("storm.wav"));
    const auto wav = readWav(storm);
    ASSERT_TRUE(wav);
    EXPECT_EQ(std::tuple(wav->format, wav->channels, wav->rate, wav->bits), std::tuple(1, 2, 44100, 16));
    ASSERT_EQ(wav->samples.size(), std::size_t(2.5 * 44100) * 2);
    const double before = rms(wav->samples, 0.1, 0.3); // the clap comes 0.2 to 0.45 s after the flash
    const double clap = rms(wav->samples, 0.6, 0.9);
    EXPECT_GT(before, 0.005);
    EXPECT_GT(clap, 1.5 * before);

    // The same seed renders the same file; channel switches shape it as in the program.
    const QString again = path("again.wav");
    ASSERT_EQ(run({"--preset", "storm", "--seconds", "2.5", "--seed", "3", "--thunder-at", "0.1:100", "--out", again}), kExitOk);
    EXPECT_EQ(readWav(again)->samples, wav->samples);
    const QString quiet = path("quiet.wav");
    ASSERT_EQ(run({"--preset", "storm", "--seconds", "1", "--set", "sound.rain=false", "--set", "sound.wind=false",
                   "--set", "thunder.enabled=false", "--float", "--out", quiet}),
              kExitOk);
    const auto silent = readWav(quiet);
    ASSERT_TRUE(silent);
    EXPECT_EQ(std::tuple(silent->format, silent->channels, silent->bits), std::tuple(3, 2, 32));
    EXPECT_LT(rms(silent->samples, 0, 1), 1e-9);
}

TEST_F(SoundCommand, TheSleepTimerFadesTheRenderToSilence)
{
    const QString file = path("sleep.wav");
    ASSERT_EQ(run({"--preset", "rainy-night", "--seconds", "40", "--seed", "5", "--sleep-in", "5", "--float", "--out", file}),
              kExitOk)
        << errors.toStdString();
    const auto wav = readWav(file);
    ASSERT_TRUE(wav);
    const double before = rms(wav->samples, 1, 5);
    EXPECT_GT(before, 0.002);
    // Five-second stretches of the 30 s fade, each quieter than the one before.
    double last = before;
    for (double from = 5; from < 35; from += 5) {
        const double now = rms(wav->samples, from, from + 5);
        EXPECT_LT(now, last) << "from " << from << " s";
        last = now;
    }
    EXPECT_LT(rms(wav->samples, 30, 35), 0.1 * before);
    EXPECT_LT(rms(wav->samples, 36, 40), 1e-6) << "switched off once faded";
}

TEST_F(SoundCommand, AFileThatCannotBeWrittenIsAFailureNotACrash)
{
    EXPECT_EQ(run({"--seconds", "0.1", "--out", path("no/such/folder/x.wav")}), kExitFailure);
    EXPECT_TRUE(errors.contains("cannot write"));
}
