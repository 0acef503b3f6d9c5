#include "effects/CloudSimulation.h"

#include "effects/Population.h"
#include "settings/SettingsStore.h"
#include "sprite/Blur.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace tavik {

namespace {

// Clouds live in the upper third of the scene.
constexpr double kBandBottom = 0.66;
constexpr double kBandTop = 0.97;

constexpr double kSpeedVarMin = 0.6;
constexpr double kSpeedVarMax = 1.4;
constexpr double kScaleMin = 0.6;
constexpr double kScaleMax = 1.35;

// Drift: 4 to 24 points per second over the speed slider, plus half the wind.
constexpr double kBaseSpeedMin = 4;
constexpr double kBaseSpeedSpan = 20;
constexpr double kWindShare = 0.5;

// The slider stops at 20; a value typed on the command line must not exhaust memory.
constexpr std::size_t kMaxClouds = 100;

// The cloud drawing, in points of the 500 × 320 image, y up.
constexpr double kCentreX = 250;
constexpr double kSpread = 349.6;
constexpr int kBaseEllipses = 4;
constexpr double kBaseSpreadShare = 0.82;
constexpr int kCrownPuffsMin = 8;
constexpr int kCrownPuffsExtra = 2;
constexpr double kCrownSpreadShare = 0.8;
constexpr double kCrownBaseY = 142;
constexpr int kTopPuffs = 5;
constexpr double kCoreY = 150;
constexpr double kCoreRadiusX = 110;
constexpr double kCoreRadiusY = 28;
constexpr double kTopSpreadShare = 0.34;
// The cloud keeps its full alpha below this height and fades to 70 % at the top edge.
constexpr double kFadeStartY = 90;
constexpr double kFadeTopAlpha = 0.7;
// Blur standard deviation 9.6 to 12 points.
constexpr double kBlurBase = 200 * 0.048;
constexpr double kBlurSpread = 200 * 0.012;
// The shapes are blurred by about ten points, so nothing finer than a few points survives:
// drawing, blurring and keeping them at half a pixel per point looks the same once scaled up
// and costs a sixteenth of the work and memory at backing scale 2.
constexpr double kWorkScale = 0.5;

QImage blankImage(QSizeF points, double scale)
{
    const QSize pixels(std::max(1, int(std::lround(points.width() * scale))),
                       std::max(1, int(std::lround(points.height() * scale))));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull())
        image.fill(Qt::transparent);
    return image;
}

// A painter over `image` in points, origin bottom-left, y up.
void beginInPoints(QPainter& painter, QImage& image, QSizeF points)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(0, image.height());
    painter.scale(image.width() / points.width(), -image.height() / points.height());
}

void drawPuffs(QPainter& painter, sprite::Random& random)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);

    for (int i = 0; i < kBaseEllipses; ++i) {
        const double x =
            kCentreX + (double(i) / (kBaseEllipses - 1) - 0.5) * kSpread * kBaseSpreadShare + random.uniform(-10, 10);
        const double y = random.uniform(114, 128);
        const double rx = random.uniform(70, 95);
        const double ry = random.uniform(34, 46);
        painter.drawEllipse(QPointF(x, y), rx, ry);
    }

    const int extra = std::min(int(random.uniform(0, kCrownPuffsExtra + 1)), kCrownPuffsExtra);
    const int crown = kCrownPuffsMin + extra;
    for (int i = 0; i < crown; ++i) {
        const double t = double(i) / (crown - 1);
        const double s = std::sin(std::numbers::pi * t);
        const double x = kCentreX + (t - 0.5) * kSpread * kCrownSpreadShare + random.uniform(-12, 12);
        const double y = kCrownBaseY + s * random.uniform(52, 72) + random.uniform(-7, 12);
        // Smaller puffs at both ends, the tallest in the middle.
        const double r = random.uniform(40, 56) * (0.55 + 0.45 * s);
        painter.drawEllipse(QPointF(x, y), r, r);
    }

    // The base row and the crown can leave a small gap between them that the blur turns into
    // a dark spot inside the cloud; one ellipse across the heart of the body closes it without
    // reaching the outline.
    painter.drawEllipse(QPointF(kCentreX, kCoreY), kCoreRadiusX, kCoreRadiusY);

    for (int i = 0; i < kTopPuffs; ++i) {
        const double x = random.uniform(kCentreX - kTopSpreadShare * kSpread, kCentreX + kTopSpreadShare * kSpread);
        const double y = random.uniform(168, 212);
        const double r = random.uniform(22, 36);
        painter.drawEllipse(QPointF(x, y), r, r);
    }
}

void fadeTowardsTop(QPainter& painter)
{
    QLinearGradient fade(0, kFadeStartY, 0, CloudSimulation::kImageSize.height());
    fade.setColorAt(0, QColor::fromRgbF(1, 1, 1, 1));
    fade.setColorAt(1, QColor::fromRgbF(1, 1, 1, kFadeTopAlpha));
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.fillRect(QRectF(QPointF(0, 0), CloudSimulation::kImageSize), fade);
}

// Some puffs reach the sides of the image, and the blur, cropped to the image, would leave
// a straight cut there that shows on screen; alpha eases to nothing over this margin instead.
constexpr double kSideFade = 24;

// White with the blurred alpha (what filling white in source-atop mode gives), faded out at
// the two sides.
QImage whitened(const QImage& source, double pixelsPerPoint)
{
    QImage out(source.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull() || source.isNull())
        return {};
    const int width = source.width();
    std::vector<float> sideFade(static_cast<std::size_t>(width));
    const double margin = kSideFade * pixelsPerPoint;
    for (int x = 0; x < width; ++x) {
        const double edge = std::min(x + 0.5, width - x - 0.5) / margin;
        const double t = std::clamp(edge, 0.0, 1.0);
        sideFade[std::size_t(x)] = float(t * t * (3 - 2 * t));
    }
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const auto a = std::uint32_t(std::lround(qAlpha(in[x]) * sideFade[std::size_t(x)]));
            line[x] = a * 0x01010101u;
        }
    }
    return out;
}

} // namespace

CloudSimulation::CloudSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_random(context.random)
    , m_sceneSize(size)
    , m_shapeRandom(context.random)
    , m_backingScale(context.backingScale)
{
    m_texturePool = drawPool(m_random, m_backingScale);
    apply(settings, size);
}

std::array<sprite::TexturePtr, 6> CloudSimulation::drawPool(sprite::Random& random, double backingScale)
{
    // The clouds are soft enough that their textures at the working resolution look the same
    // on any display once scaled up; at backing scale 2 that is a sixteenth of the memory.
    const double pixelsPerPoint = std::min(kWorkScale, backingScale);
    std::array<sprite::TexturePtr, 6> pool;
    for (auto& texture : pool)
        texture = sprite::Texture::fromImage(makeCloudImage(random, backingScale), pixelsPerPoint,
                                             sprite::Filtering::Linear);
    return pool;
}

QImage CloudSimulation::makeCloudImage(sprite::Random& random, double backingScale)
{
    if (!(backingScale > 0))
        return {};
    const double workScale = std::min(kWorkScale, backingScale);
    QImage shape = blankImage(kImageSize, workScale);
    if (shape.isNull())
        return {};
    {
        QPainter painter;
        if (!painter.begin(&shape))
            return {};
        beginInPoints(painter, shape, kImageSize);
        drawPuffs(painter, random);
        fadeTowardsTop(painter);
    }

    const double blurPoints = kBlurBase + kBlurSpread * random.uniform(0, 1);
    const QImage soft = sprite::gaussianBlur(shape, blurPoints * workScale);
    if (soft.isNull())
        return {};
    return whitened(soft, workScale);
}

void CloudSimulation::apply(const SettingsStore& settings, QSizeF size)
{
    m_sceneSize = size;
    m_enabled = settings.cloudsEnabled();
    m_opacity = boundedSetting(settings, Setting::cloudOpacity);
    m_speed = boundedSetting(settings, Setting::cloudSpeed);
    m_color = effectColor(settings.cloudColorHex(), FallbackColor::lightGray);

    for (const Cloud& cloud : m_clouds) {
        cloud.sprite->setColor(m_color);
        cloud.sprite->setAlpha(m_opacity);
    }

    std::size_t target = 0;
    if (m_enabled && !m_suppressed) {
        const double share = settings.lowPowerMode() ? kLowPowerScale : 1.0;
        // Rounded half away from zero: five clouds in low-power mode become three.
        target = roundedCount(boundedSetting(settings, Setting::cloudCount) * share, kMaxClouds);
    }
    resizePopulation(
        m_clouds, target, [this] { spawnCloud(true); }, [](Cloud& cloud) { cloud.sprite->removeFromParent(); });
}

void CloudSimulation::spawnCloud(bool initial)
{
    const auto pick = std::min(std::size_t(m_random.uniform(0, double(m_texturePool.size()))), m_texturePool.size() - 1);
    auto sprite = std::make_unique<sprite::SpriteNode>(m_texturePool[pick], kImageSize);
    sprite->setColorBlendFactor(1);
    sprite->setColor(m_color);
    sprite->setAlpha(m_opacity);
    sprite->setBlendMode(sprite::BlendMode::Alpha);

    Cloud cloud;
    cloud.sprite = &m_root->addChild(std::move(sprite));
    cloud.speedVar = m_random.uniform(kSpeedVarMin, kSpeedVarMax);
    cloud.baseScale = m_random.uniform(kScaleMin, kScaleMax);
    cloud.sprite->setScale(cloud.baseScale);

    if (initial) {
        const double x = m_random.uniform(0, std::max(m_sceneSize.width(), 1.0));
        cloud.sprite->setPosition({x, randomHeight()});
    } else {
        reseed(cloud, true);
    }
    m_clouds.push_back(cloud);
}

double CloudSimulation::randomHeight()
{
    const double h = m_sceneSize.height();
    return m_random.uniform(kBandBottom * h, kBandTop * h);
}

void CloudSimulation::reseed(Cloud& cloud, bool enteringFromLeft)
{
    const double half = cloud.sprite->size().width() * cloud.baseScale * 0.5;
    const double x = enteringFromLeft ? -half : m_sceneSize.width() + half;
    cloud.sprite->setPosition({x, randomHeight()});
}

void CloudSimulation::update(double dt, const WindSample& wind)
{
    if (m_clouds.empty())
        return;
    const double base = m_speed / 100 * kBaseSpeedSpan + kBaseSpeedMin;
    const double w = m_sceneSize.width();
    for (Cloud& cloud : m_clouds) {
        const double dx = dt * (kWindShare * wind.velocity.dx + base * cloud.speedVar);
        const QPointF p = cloud.sprite->position();
        const double x = p.x() + dx;
        const double half = cloud.sprite->size().width() * cloud.baseScale * 0.5;
        if (dx >= 0 && x - half > w)
            reseed(cloud, true);
        else if (dx < 0 && x + half < 0)
            reseed(cloud, false);
        else
            cloud.sprite->setPosition({x, p.y()});
    }
}

void CloudSimulation::apply(const SettingsStore& settings)
{
    apply(settings, m_sceneSize);
}

void CloudSimulation::step(const Frame& frame)
{
    update(frame.dt, frame.wind);
}

void CloudSimulation::setDisplay(const Display& display)
{
    m_sceneSize = display.size;
    if (std::min(kWorkScale, display.backingScale) == std::min(kWorkScale, m_backingScale)) {
        m_backingScale = display.backingScale;
        return;
    }
    m_backingScale = display.backingScale;
    // The same shapes again: drawn from the randomness they were first drawn from.
    sprite::Random shapes = m_shapeRandom;
    const std::array<sprite::TexturePtr, 6> pool = drawPool(shapes, m_backingScale);
    for (const Cloud& cloud : m_clouds) {
        const auto old = std::find(m_texturePool.begin(), m_texturePool.end(), cloud.sprite->texture());
        if (old != m_texturePool.end())
            cloud.sprite->setTexture(pool[std::size_t(old - m_texturePool.begin())]);
    }
    m_texturePool = pool;
}

std::vector<sprite::TexturePtr> CloudSimulation::textures() const
{
    return {m_texturePool.begin(), m_texturePool.end()};
}

} // namespace tavik
