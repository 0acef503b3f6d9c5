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

// Blossom petals drifting down on the breeze. For now the scene slot and the petal texture,
// which the dock settling already draws with; the falling petals themselves come later.
class PetalSimulation {
public:
    PetalSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() { return m_root.release(); }

    void apply(const SettingsStore& settings, QSizeF size);
    void update(double dt, const WindSample& wind);
    void setSceneSize(QSizeF size) { m_sceneSize = size; }

    // A 16 × 14 point petal filled with `color`, with a faint centre line.
    [[nodiscard]] static sprite::TexturePtr makePetalTexture(const QColor& color, double scale);

private:
    EffectRoot m_root;
    QSizeF m_sceneSize;
};

} // namespace tavik
