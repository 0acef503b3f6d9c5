#pragma once

#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"
#include "effects/WindField.h"

#include "sprite/Texture.h"

#include <QColor>
#include <QSizeF>

#include <memory>

namespace tavik {

class SettingsStore;

// Autumn leaves tumbling down on the breeze. For now the scene slot and the leaf texture,
// which the dock settling already draws with; the falling leaves themselves come later.
class LeafSimulation {
public:
    LeafSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() { return m_root.release(); }

    void apply(const SettingsStore& settings, QSizeF size);
    void update(double dt, const WindSample& wind);
    void setSceneSize(QSizeF size) { m_sceneSize = size; }

    // A 22 × 16 point leaf filled with `color`, with a darker midrib.
    [[nodiscard]] static sprite::TexturePtr makeLeafTexture(const QColor& color, double scale);

private:
    EffectRoot m_root;
    QSizeF m_sceneSize;
};

} // namespace tavik
