#include "atmosphere/SceneDump.h"

#include "atmosphere/AtmosphereScene.h"

#include "sprite/EmitterNode.h"
#include "sprite/SpriteNode.h"

#include <QJsonArray>

namespace tavik {

namespace {

QJsonArray dumpChildren(const sprite::Node& parent);

QJsonObject dumpNode(const sprite::Node& node)
{
    QJsonObject object;
    QSizeF size;
    if (const auto* sprite = dynamic_cast<const sprite::SpriteNode*>(&node)) {
        object.insert("kind", "sprite");
        size = sprite->size();
    } else if (const auto* emitter = dynamic_cast<const sprite::EmitterNode*>(&node)) {
        object.insert("kind", "emitter");
        object.insert("birthRate", emitter->particleBirthRate());
        object.insert("particles", static_cast<qint64>(emitter->particleCount()));
        object.insert("speed", emitter->particleSpeed());
    } else {
        object.insert("kind", "node");
    }
    object.insert("x", node.position().x());
    object.insert("y", node.position().y());
    object.insert("w", size.width());
    object.insert("h", size.height());
    object.insert("xScale", node.xScale());
    object.insert("yScale", node.yScale());
    object.insert("rotation", node.zRotation());
    object.insert("alpha", node.alpha());
    object.insert("hidden", node.isHidden());
    if (!node.children().empty())
        object.insert("children", dumpChildren(node));
    return object;
}

QJsonArray dumpChildren(const sprite::Node& parent)
{
    QJsonArray children;
    for (const auto& child : parent.children())
        children.append(dumpNode(*child));
    return children;
}

} // namespace

QJsonObject dumpScene(const AtmosphereScene& scene)
{
    QJsonObject effects;
    for (const auto& [name, member] : scene.effects()) {
        const sprite::Node* root = &member->node();
        QJsonObject effect;
        effect.insert("z", root->zPosition());
        effect.insert("hidden", root->isHidden());
        effect.insert("children", dumpChildren(*root));
        effects.insert(QString::fromLatin1(name), effect);
    }
    QJsonObject dump;
    dump.insert("size", QJsonArray{scene.size().width(), scene.size().height()});
    dump.insert("effects", effects);
    return dump;
}

} // namespace tavik
