#include "cli/RenderCommand.h"

#include "cli/CommandLine.h"
#include "cli/Options.h"
#include "cli/ScratchSettings.h"

#include "atmosphere/AtmosphereScene.h"
#include "atmosphere/SceneDump.h"
#include "settings/Color.h"
#include "sprite/DrawList.h"
#include "sprite/GlRenderer.h"
#include "sprite/RasterRenderer.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>

#include <cmath>
#include <optional>

namespace tavik {

namespace {

constexpr double kMaxPoints = 16384;
constexpr double kMaxPixels = 16384;
// Where the frames start; the clock they stand for starts at --uptime.
constexpr double kFirstFrameTime = 1;

struct RenderOptions {
    QSizeF size{1440, 900};
    double scale = 1;
    double time = 3;
    double fps = 60;
    std::uint64_t seed = 1;
    double uptime = 1000;
    int frames = 1;
    std::optional<QRectF> dock;
    QString dumpPath;
    QString outPath;
    std::optional<QColor> background;
    bool openGl = false;
};

constexpr OptionRule kRenderOptions[] = {
    {u"--size"}, {u"--scale"}, {u"--time"}, {u"--fps"}, {u"--seed"}, {u"--uptime"}, {u"--frames"},
    {u"--dock"}, {u"--dump"}, {u"--out"}, {u"--background"}, {u"--renderer"},
};

Options readOptions(const QStringList& args)
{
    return Options(args, {ScratchSettings::kOptions, kRenderOptions}, QStringLiteral("render"));
}

// "1440x900" or "0,0,1440,64": exactly `count` numbers, each within the largest picture.
std::vector<double> numberList(const QString& text, const QString& option, QChar separator, int count)
{
    const QStringList parts = text.split(separator);
    if (parts.size() != count)
        throw UsageError(QStringLiteral("%1 needs %2 numbers separated by \"%3\", not \"%4\"").arg(option).arg(count).arg(separator).arg(text));
    std::vector<double> numbers;
    for (const QString& part : parts)
        numbers.push_back(numberIn(option, part, -kMaxPoints, kMaxPoints));
    return numbers;
}

RenderOptions renderOptions(const Options& given)
{
    RenderOptions options;
    if (const auto size = given.value(u"--size")) {
        const auto wh = numberList(*size, QStringLiteral("--size"), u'x', 2);
        if (wh[0] < 1 || wh[1] < 1)
            throw UsageError(QStringLiteral("--size needs a width and height of at least 1, like 1440x900"));
        options.size = {wh[0], wh[1]};
    }
    options.scale = given.number(u"--scale", 0.25, 4).value_or(options.scale);
    options.time = given.number(u"--time", 0, 3600).value_or(options.time);
    // The frame rate the running program could draw at.
    options.fps = given.number(u"--fps", Setting::maxFPS).value_or(options.fps);
    options.seed = given.wholeNumber(u"--seed").value_or(options.seed);
    options.uptime = given.number(u"--uptime", 0, 1e9).value_or(options.uptime);
    options.frames = static_cast<int>(given.number(u"--frames", 1, 10000).value_or(options.frames));
    if (const auto dock = given.value(u"--dock")) {
        const auto r = numberList(*dock, QStringLiteral("--dock"), u',', 4);
        if (r[2] <= 0 || r[3] <= 0)
            throw UsageError(QStringLiteral("--dock needs X,Y,W,H with a positive width and height"));
        options.dock = QRectF(r[0], r[1], r[2], r[3]);
    }
    options.dumpPath = given.value(u"--dump").value_or(QString());
    options.outPath = given.value(u"--out").value_or(QString());
    if (const auto background = given.value(u"--background")) {
        options.background = colorFromHex(*background);
        if (!options.background)
            throw UsageError(QStringLiteral("--background needs a colour like #101820, not \"%1\"").arg(*background));
    }
    if (const auto renderer = given.value(u"--renderer")) {
        if (*renderer != u"raster" && *renderer != u"gl")
            throw UsageError(QStringLiteral("--renderer is raster or gl, not \"%1\"").arg(*renderer));
        options.openGl = *renderer == u"gl";
    }
    if (options.outPath.isEmpty() && options.dumpPath.isEmpty())
        throw UsageError(QStringLiteral("render needs --out FILE.png or --dump FILE.json"));
    if (std::lround(options.size.width() * options.scale) > kMaxPixels
        || std::lround(options.size.height() * options.scale) > kMaxPixels)
        throw UsageError(QStringLiteral("the picture would be larger than %1 pixels on a side").arg(kMaxPixels));
    return options;
}

QString numberedPath(const QString& path, int index, int count)
{
    if (count <= 1)
        return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = path.left(path.size() - suffix.size());
    return QStringLiteral("%1-%2%3").arg(stem).arg(index, 4, 10, QLatin1Char('0')).arg(suffix);
}

// Draws with OpenGL into an offscreen framebuffer; needs a GUI application with an X server.
class OffscreenGl {
public:
    bool start(QString& problem)
    {
        m_surface.setFormat(QSurfaceFormat::defaultFormat());
        m_surface.create();
        if (!m_context.create() || !m_context.makeCurrent(&m_surface)) {
            problem = QStringLiteral("no OpenGL context could be made (is there an X server?)");
            return false;
        }
        if (!m_renderer.initialize()) {
            problem = QStringLiteral("the OpenGL renderer could not start");
            return false;
        }
        return true;
    }
    ~OffscreenGl()
    {
        if (m_context.makeCurrent(&m_surface))
            m_renderer.releaseResources();
    }
    QImage render(const sprite::DrawList& list, QSize pixels, double scale)
    {
        return m_renderer.renderToImage(list, pixels, scale);
    }

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    sprite::GlRenderer m_renderer;
};

int render(SettingsStore& settings, const RenderOptions& options, QTextStream& out, QTextStream& err)
{
    // A render shows the scene as if switched on and unlocked, whatever the desktop is doing.
    settings.setEnabled(true);
    settings.setScreenLocked(false);

    FixedDockGeometry dock;
    if (options.dock)
        dock.setGeometry(DockGeometry{QStringLiteral("render"), DockGeometry::Orientation::bottom, *options.dock, 64, true});
    double now = kFirstFrameTime;
    AtmosphereScene scene(options.size, settings, ScreenRenderInfo{options.dock.has_value(), options.scale}, dock,
                          options.seed, options.uptime);
    scene.setClockOrigin(kFirstFrameTime, options.uptime);

    std::optional<OffscreenGl> gl;
    if (options.openGl && !options.outPath.isEmpty()) {
        QString problem;
        gl.emplace();
        if (!gl->start(problem)) {
            err << "tavik: " << problem << Qt::endl;
            return kExitFailure;
        }
    }

    const auto steps = std::lround(options.time * options.fps);
    for (long k = 0; k <= steps; ++k) {
        now = kFirstFrameTime + static_cast<double>(k) / options.fps;
        scene.advance(now);
    }

    const QSize pixels(static_cast<int>(std::lround(options.size.width() * options.scale)),
                       static_cast<int>(std::lround(options.size.height() * options.scale)));
    sprite::RasterRenderer raster;
    sprite::DrawList list;
    int status = kExitOk;
    for (int frame = 0; frame < options.frames && !options.outPath.isEmpty(); ++frame) {
        if (frame > 0) {
            now += 1.0 / options.fps;
            scene.advance(now);
        }
        list.build(scene);
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(options.background ? *options.background : QColor(Qt::transparent));
        if (gl) {
            const QImage drawn = gl->render(list, pixels, options.scale);
            QPainter painter(&image);
            painter.drawImage(0, 0, drawn);
        } else {
            raster.render(list, image, options.scale);
        }
        const QString path = numberedPath(options.outPath, frame + 1, options.frames);
        if (!image.save(path, "PNG")) {
            err << "tavik: could not write " << path << Qt::endl;
            status = kExitFailure;
            break;
        }
        out << path << '\n';
    }

    if (!options.dumpPath.isEmpty() && status == kExitOk) {
        QFile file(options.dumpPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(QJsonDocument(dumpScene(scene)).toJson(QJsonDocument::Indented)) < 0) {
            err << "tavik: could not write " << options.dumpPath << Qt::endl;
            status = kExitFailure;
        }
    }
    return status;
}

} // namespace

int runRenderCommand(const QStringList& args, const KeyValueStore& settingsSource, QTextStream& out, QTextStream& err)
{
    return reportingUsageErrors(err, [&] {
        const Options given = readOptions(args);
        auto scratch = ScratchSettings::from(given, settingsSource);
        const RenderOptions options = renderOptions(given);
        return render(scratch->store(), options, out, err);
    });
}

bool renderWantsOpenGl(const QStringList& args)
{
    try {
        return readOptions(args).value(u"--renderer") == u"gl";
    } catch (const UsageError&) {
        return false; // the command itself says what is wrong
    }
}

} // namespace tavik
