#include "app/RenderCommand.h"

#include "app/CommandLine.h"
#include "app/ScratchSettings.h"

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

class OptionError {
public:
    QString message;
};

double finiteNumber(const QString& text, const QString& option, double lo, double hi)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < lo || value > hi)
        throw OptionError{QStringLiteral("%1 needs a number from %2 to %3, not \"%4\"").arg(option).arg(lo).arg(hi).arg(text)};
    return value;
}

std::vector<double> numberList(const QString& text, const QString& option, QChar separator, int count)
{
    const QStringList parts = text.split(separator);
    if (parts.size() != count)
        throw OptionError{QStringLiteral("%1 needs %2 numbers separated by \"%3\", not \"%4\"").arg(option).arg(count).arg(separator).arg(text)};
    std::vector<double> numbers;
    for (const QString& part : parts)
        numbers.push_back(finiteNumber(part, option, -kMaxPoints, kMaxPoints));
    return numbers;
}

RenderOptions parseOptions(QStringList args)
{
    RenderOptions options;
    while (!args.isEmpty()) {
        QString option = args.takeFirst();
        QString value;
        if (const qsizetype equals = option.indexOf(u'='); option.startsWith(u"--") && equals > 0) {
            value = option.mid(equals + 1);
            option = option.left(equals);
        } else {
            if (args.isEmpty())
                throw OptionError{QStringLiteral("%1 needs a value (tavik help)").arg(option)};
            value = args.takeFirst();
        }
        if (option == u"--size") {
            const auto wh = numberList(value, option, u'x', 2);
            if (wh[0] < 1 || wh[1] < 1)
                throw OptionError{QStringLiteral("--size needs a width and height of at least 1, like 1440x900")};
            options.size = {wh[0], wh[1]};
        } else if (option == u"--scale") {
            options.scale = finiteNumber(value, option, 0.25, 4);
        } else if (option == u"--time") {
            options.time = finiteNumber(value, option, 0, 3600);
        } else if (option == u"--fps") {
            options.fps = finiteNumber(value, option, 1, 240);
        } else if (option == u"--seed") {
            bool ok = false;
            options.seed = value.toULongLong(&ok);
            if (!ok)
                throw OptionError{QStringLiteral("--seed needs a whole number, not \"%1\"").arg(value)};
        } else if (option == u"--uptime") {
            options.uptime = finiteNumber(value, option, 0, 1e9);
        } else if (option == u"--frames") {
            options.frames = static_cast<int>(finiteNumber(value, option, 1, 10000));
        } else if (option == u"--dock") {
            const auto r = numberList(value, option, u',', 4);
            if (r[2] <= 0 || r[3] <= 0)
                throw OptionError{QStringLiteral("--dock needs X,Y,W,H with a positive width and height")};
            options.dock = QRectF(r[0], r[1], r[2], r[3]);
        } else if (option == u"--dump") {
            options.dumpPath = value;
        } else if (option == u"--out") {
            options.outPath = value;
        } else if (option == u"--background") {
            options.background = colorFromHex(value);
            if (!options.background)
                throw OptionError{QStringLiteral("--background needs a colour like #101820, not \"%1\"").arg(value)};
        } else if (option == u"--renderer") {
            if (value != u"raster" && value != u"gl")
                throw OptionError{QStringLiteral("--renderer is raster or gl, not \"%1\"").arg(value)};
            options.openGl = value == u"gl";
        } else {
            throw OptionError{QStringLiteral("unknown render option \"%1\" (tavik help)").arg(option)};
        }
    }
    if (options.outPath.isEmpty() && options.dumpPath.isEmpty())
        throw OptionError{QStringLiteral("render needs --out FILE.png or --dump FILE.json")};
    if (std::lround(options.size.width() * options.scale) > kMaxPixels
        || std::lround(options.size.height() * options.scale) > kMaxPixels)
        throw OptionError{QStringLiteral("the picture would be larger than %1 pixels on a side").arg(kMaxPixels)};
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

} // namespace

bool renderWantsOpenGl(const QStringList& args)
{
    const qsizetype at = args.indexOf(QStringLiteral("--renderer"));
    return args.contains(QStringLiteral("--renderer=gl")) || (at >= 0 && at + 1 < args.size() && args[at + 1] == u"gl");
}

int runRenderCommand(QStringList args, const KeyValueStore& settingsSource, QTextStream& out, QTextStream& err)
{
    auto scratch = ScratchSettings::fromArguments(args, settingsSource, err);
    if (!scratch)
        return kExitUsage;
    RenderOptions options;
    try {
        options = parseOptions(args);
    } catch (const OptionError& error) {
        err << "tavik: " << error.message << Qt::endl;
        return kExitUsage;
    }

    SettingsStore& settings = scratch->store();
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

} // namespace tavik
