#include "effects/FallingPieces.h"

#include "effects/Population.h"
#include "settings/Color.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

constexpr double kFallFactorMin = 0.7;
constexpr double kFallFactorMax = 1.3;
constexpr double kSpinMin = 0.6; // radians per second, either way round
constexpr double kSpinMax = 2.2;
constexpr double kBaseScaleMin = 0.7;
constexpr double kBaseScaleMax = 1.15;
constexpr double kAlphaMin = 0.75;
constexpr double kAlphaMax = 1.0;

// Recycled pieces start a little above the top edge, so they fall into view.
constexpr double kAboveTopMin = 10;
constexpr double kAboveTopMax = 120;

// Beyond these margins a piece is out of sight and comes back at the top.
constexpr double kBottomMargin = 40;
constexpr double kSideMargin = 70;

constexpr double kWindShare = 0.85;


} // namespace

FallingPieces::FallingPieces(const FallingPieceStyle& style, QSizeF size, const QString& colorHex,
                             const EffectContext& context)
    : m_style(style)
    , m_random(context.random)
    , m_backingScale(context.backingScale)
    , m_sceneSize(size)
    , m_texture(style.makeTexture(colorFromHex(colorHex).value_or(style.fallbackColor), context.backingScale))
    , m_currentColorHex(colorHex)
{
    m_pieces.reserve(kMaxPieces);
}

void FallingPieces::apply(const FallingPiecesSettings& settings, QSizeF size)
{
    m_sceneSize = size;
    m_enabled = settings.enabled;
    m_fallSpeed = settings.fallSpeed;
    m_tumble = settings.tumble;
    if (settings.colorHex != m_currentColorHex)
        recolor(settings.colorHex);

    const std::size_t target = settings.enabled ? roundedCount(settings.count, kMaxPieces) : 0;
    resizePopulation(
        m_pieces, target, [this] { spawn(true); }, [](Piece& piece) { piece.sprite->removeFromParent(); });
}

void FallingPieces::setDisplay(const Display& display)
{
    m_sceneSize = display.size;
    if (display.backingScale == m_backingScale)
        return;
    m_backingScale = display.backingScale;
    recolor(m_currentColorHex);
}

// One new texture swapped into every sprite; nothing respawns.
void FallingPieces::recolor(const QString& colorHex)
{
    m_currentColorHex = colorHex;
    m_texture = m_style.makeTexture(colorFromHex(colorHex).value_or(m_style.fallbackColor), m_backingScale);
    for (Piece& piece : m_pieces)
        piece.sprite->setTexture(m_texture);
}

void FallingPieces::spawn(bool initial)
{
    auto sprite = std::make_unique<sprite::SpriteNode>(m_texture);
    sprite->setBlendMode(sprite::BlendMode::Alpha);

    Piece piece;
    piece.sprite = &m_root->addChild(std::move(sprite));
    piece.swayPhase = m_random.uniform(0, kTwoPi);
    piece.swayRate = m_random.uniform(m_style.swayRateMin, m_style.swayRateMax);
    piece.fallFactor = m_random.uniform(kFallFactorMin, kFallFactorMax);
    const double spin = m_random.uniform(kSpinMin, kSpinMax);
    piece.spin = m_random.unit() < 0.5 ? -spin : spin;
    piece.baseScale = m_random.uniform(kBaseScaleMin, kBaseScaleMax);
    m_pieces.push_back(piece);
    // Pieces made by apply start anywhere on screen rather than all queueing above it.
    reseed(m_pieces.back(), !initial);
}

void FallingPieces::reseed(Piece& piece, bool atTop)
{
    const double w = std::max(m_sceneSize.width(), 1.0);
    const double h = m_sceneSize.height();
    const double x = m_random.uniform(0, w);
    const double y = atTop ? h + m_random.uniform(kAboveTopMin, kAboveTopMax) : m_random.uniform(0, std::max(h, 1.0));
    piece.sprite->setPosition({x, y});
    piece.sprite->setZRotation(m_random.uniform(0, kTwoPi));
    piece.sprite->setAlpha(m_random.uniform(kAlphaMin, kAlphaMax));
    piece.sprite->setScale(piece.baseScale);
}

void FallingPieces::update(double dt, const WindSample& wind)
{
    if (m_pieces.empty())
        return;
    const double t = m_tumble / 100;
    const double fall = std::max(m_style.fallPerSetting * m_fallSpeed, m_style.minFall);
    const double sway = m_style.swayBase + m_style.swayPerTumble * t;
    const double spinShare = m_style.spinPerTumble * t + m_style.spinBase;
    const double flutter = m_style.flutterPerTumble * t;
    const double width = m_sceneSize.width();

    for (Piece& piece : m_pieces) {
        sprite::SpriteNode& sprite = *piece.sprite;
        piece.swayPhase += dt * piece.swayRate;
        const QPointF p = sprite.position();
        const double x = p.x() + kWindShare * wind.velocity.dx * dt + dt * sway * std::sin(piece.swayPhase);
        const double y = p.y() - dt * fall * piece.fallFactor;
        sprite.setPosition({x, y});
        sprite.setZRotation(sprite.zRotation() + dt * piece.spin * spinShare);
        // Narrowing and widening again reads as the piece turning over.
        const double turn = 0.5 + 0.5 * std::sin(m_style.flutterRate * piece.swayPhase);
        sprite.setXScale(piece.baseScale * (1 - flutter * turn));
        sprite.setYScale(piece.baseScale);
        if (y < -kBottomMargin || x < -kSideMargin || x > width + kSideMargin)
            reseed(piece, true);
    }
}

} // namespace tavik
