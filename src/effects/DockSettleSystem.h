#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"

#include "sprite/SpriteNode.h"
#include "sprite/Texture.h"

#include <QRectF>
#include <QSizeF>

#include <memory>
#include <optional>
#include <vector>

namespace tavik {

class SettingsStore;

// Every few seconds one leaf, petal or snowflake drifts down onto the top of the dock, rests
// there for a while and fades away. Which kinds appear follows the effects that are on.
class DockSettleSystem final : public Effect {
public:
    enum class Kind { leaf, petal, snow };

    DockSettleSystem(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(10); }


    // Starts one item towards the dock, if there is a visible dock wide enough to land on.
    // Returns the item, or null when it gave up.
    sprite::SpriteNode* spawnOne();

    [[nodiscard]] bool enabled() const { return m_enabled; }
    [[nodiscard]] const std::vector<Kind>& kinds() const { return m_kinds; }
    [[nodiscard]] double timeToNext() const { return m_timeToNext; }
    [[nodiscard]] const sprite::TexturePtr& flakeTexture() const { return m_flakeTexture; }
    [[nodiscard]] const sprite::TexturePtr& crystalFlake() const { return m_crystalFlake; }

    // The landing range on the dock's top edge for a scene `width` wide, or nothing when it
    // is too narrow to land on.
    struct Span {
        double lo;
        double hi;
    };
    [[nodiscard]] static std::optional<Span> landingSpan(const QRectF& dock, double width);

private:
    // Items already on screen keep their course.
    void apply(const SettingsStore& settings, QSizeF size);
    void update(double dt);
    [[nodiscard]] std::unique_ptr<sprite::SpriteNode> makeItem(Kind kind) const;
    void launch(sprite::SpriteNode& item, QPointF landing, double duration);

    EffectRoot m_root;
    sprite::Random& m_random;
    const DockGeometryProvider& m_dock;
    double m_backingScale;
    QSizeF m_sceneSize;
    const SettingsStore* m_settings;
    bool m_enabled = false;
    bool m_hostsDock = true;
    std::vector<Kind> m_kinds;
    double m_timeToNext;
    sprite::TexturePtr m_flakeTexture;
    sprite::TexturePtr m_crystalFlake;
};

} // namespace tavik
