#include "overlay/RendererChoice.h"

#include "overlay/OverlayLog.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QProcess>
#include <QTimer>

#include <cstdio>

#include <array>

namespace tavik {

namespace {

// A check that hangs (a broken driver) must not keep the choice open for ever.
constexpr int kCheckTimeoutMs = 15000;
constexpr int kNoContextExitCode = 3;

constexpr std::array kSoftwareRasterisers{"llvmpipe", "softpipe", "swrast"};
// The values Mesa reads as "yes".
const QStringList kMesaTrue{QStringLiteral("1"), QStringLiteral("true"), QStringLiteral("y"), QStringLiteral("yes")};

std::optional<QString> probeOpenGl()
{
    QOpenGLContext context;
    if (!context.create())
        return std::nullopt;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return std::nullopt;
    const auto* name = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    QString renderer = name ? QString::fromUtf8(name) : QString();
    context.doneCurrent();
    return renderer;
}

} // namespace

QString softwareRasteriser(const QString& glRenderer)
{
    for (const char* name : kSoftwareRasterisers) {
        if (glRenderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return QLatin1String(name);
    }
    return {};
}

RendererChoice chooseRenderer(const std::function<QString(const char*)>& environment,
                              const std::function<std::optional<QString>()>& probe)
{
    const QString asked = environment("TAVIK_RENDERER").trimmed().toLower();
    if (asked == u"raster")
        return {RenderPath::raster, QStringLiteral("TAVIK_RENDERER=raster")};
    if (asked == u"gl" || asked == u"opengl")
        return {RenderPath::openGl, QStringLiteral("TAVIK_RENDERER=%1").arg(asked)};
    // Mesa then draws in software whatever the machine has; no need to load it to ask.
    if (kMesaTrue.contains(environment("LIBGL_ALWAYS_SOFTWARE").trimmed().toLower()))
        return {RenderPath::raster, QStringLiteral("software OpenGL: LIBGL_ALWAYS_SOFTWARE is set")};
    const std::optional<QString> renderer = probe();
    if (!renderer)
        return {RenderPath::raster, QStringLiteral("no OpenGL context")};
    if (const QString software = softwareRasteriser(*renderer); !software.isEmpty())
        return {RenderPath::raster, QStringLiteral("software OpenGL: %1").arg(software)};
    if (renderer->isEmpty())
        return {RenderPath::raster, QStringLiteral("OpenGL names no renderer")};
    return {RenderPath::openGl, QStringLiteral("OpenGL: %1").arg(*renderer)};
}

namespace {

QString environmentValue(const char* name)
{
    return qEnvironmentVariable(name);
}

struct MachineState {
    RendererChoice choice;
    bool pending = false;
};

MachineState& machine()
{
    static MachineState state = [] {
        bool pending = false;
        RendererChoice choice = chooseRenderer(environmentValue,
                                               [&pending]() -> std::optional<QString> {
                                                   pending = true;
                                                   return std::nullopt;
                                               });
        if (pending)
            choice = {RenderPath::raster, QStringLiteral("checking OpenGL")};
        return MachineState{choice, pending};
    }();
    return state;
}

void settle(const RendererChoice& choice)
{
    machine() = {choice, false};
    qCInfo(lcOverlay) << "drawing with" << (choice.path == RenderPath::openGl ? "OpenGL" : "QPainter") << "-"
                      << choice.reason;
}

} // namespace

const RendererChoice& machineRenderer()
{
    return machine().choice;
}

bool machineRendererPending()
{
    return machine().pending;
}

void checkRendererAside(QObject* owner, std::function<void()> decided)
{
    if (!machineRendererPending())
        return;
    auto* process = new QProcess(owner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(kOpenGlCheckVariable), QStringLiteral("1"));
    process->setProcessEnvironment(environment);
    process->setProgram(QCoreApplication::applicationFilePath());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto finish = [process, decided](std::optional<QString> renderer) {
        if (!machineRendererPending())
            return;
        settle(chooseRenderer(environmentValue,
                              [&renderer] { return renderer; }));
        process->deleteLater();
        decided();
    };
    QObject::connect(process, &QProcess::finished, process, [process, finish](int code, QProcess::ExitStatus status) {
        const bool answered = status == QProcess::NormalExit && code == 0;
        finish(answered ? std::optional(QString::fromUtf8(process->readAllStandardOutput()).trimmed()) : std::nullopt);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(std::nullopt);
    });
    QTimer::singleShot(kCheckTimeoutMs, process, [process] { process->kill(); });
    process->start();
}

int runOpenGlCheck(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const std::optional<QString> renderer = probeOpenGl();
    if (!renderer)
        return kNoContextExitCode;
    std::printf("%s\n", renderer->toUtf8().constData());
    return 0;
}

} // namespace tavik
