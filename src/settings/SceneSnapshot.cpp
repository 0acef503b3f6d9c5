#include "settings/SceneSnapshot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QByteArrayView>
#include <QUuid>

#include <cmath>

namespace tavik {

namespace {

QString jsonKey(Setting setting)
{
    const std::string_view name = settingInfo(setting).property;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// A JSON member that may be absent: null counts as absent, any other wrong kind as damage.
enum class Presence { Absent, Present, Wrong };

Presence optionalPresence(const QJsonObject& object, const QString& key, QJsonValue::Type type)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return Presence::Absent;
    return value.type() == type ? Presence::Present : Presence::Wrong;
}

} // namespace

std::optional<QJsonObject> SceneSnapshot::toJson() const
{
    QJsonObject object;
    for (const SceneField& field : kSceneFields) {
        if (field.flag) {
            object.insert(jsonKey(field.setting), this->*field.flag);
        } else {
            const double amount = this->*field.amount;
            if (!std::isfinite(amount))
                return std::nullopt;
            object.insert(jsonKey(field.setting), amount);
        }
    }
    for (const SceneOptionalField& field : kSceneOptionalFields) {
        if (const auto& value = this->*field.value) {
            if (!std::isfinite(*value))
                return std::nullopt;
            object.insert(jsonKey(field.setting), *value);
        }
    }
    object.insert(QStringLiteral("sceneName"), sceneName);
    return object;
}

std::optional<SceneSnapshot> SceneSnapshot::fromJson(const QJsonObject& object)
{
    SceneSnapshot snapshot;
    for (const SceneField& field : kSceneFields) {
        const QJsonValue value = object.value(jsonKey(field.setting));
        if (field.flag) {
            if (!value.isBool())
                return std::nullopt;
            snapshot.*field.flag = value.toBool();
        } else {
            if (!value.isDouble())
                return std::nullopt;
            snapshot.*field.amount = value.toDouble();
        }
    }
    for (const SceneOptionalField& field : kSceneOptionalFields) {
        const QString key = jsonKey(field.setting);
        switch (optionalPresence(object, key, QJsonValue::Double)) {
        case Presence::Absent: break;
        case Presence::Present: snapshot.*field.value = object.value(key).toDouble(); break;
        case Presence::Wrong: return std::nullopt;
        }
    }
    const QJsonValue name = object.value(QStringLiteral("sceneName"));
    if (!name.isString())
        return std::nullopt;
    snapshot.sceneName = name.toString();
    return snapshot;
}

std::optional<QJsonObject> SavedScene::toJson() const
{
    const auto sceneObject = scene.toJson();
    if (!sceneObject)
        return std::nullopt;
    QJsonObject object;
    object.insert(QStringLiteral("id"), id);
    object.insert(QStringLiteral("name"), name);
    object.insert(QStringLiteral("scene"), *sceneObject);
    if (favorite)
        object.insert(QStringLiteral("favorite"), *favorite);
    if (icon)
        object.insert(QStringLiteral("icon"), *icon);
    return object;
}

std::optional<SavedScene> SavedScene::fromJson(const QJsonObject& object)
{
    const QJsonValue id = object.value(QStringLiteral("id"));
    const QJsonValue name = object.value(QStringLiteral("name"));
    const QJsonValue sceneValue = object.value(QStringLiteral("scene"));
    if (!id.isString() || !name.isString() || !sceneValue.isObject())
        return std::nullopt;
    auto scene = SceneSnapshot::fromJson(sceneValue.toObject());
    if (!scene)
        return std::nullopt;

    SavedScene saved{id.toString(), name.toString(), std::move(*scene), std::nullopt, std::nullopt};
    const QString favoriteKey = QStringLiteral("favorite");
    switch (optionalPresence(object, favoriteKey, QJsonValue::Bool)) {
    case Presence::Absent: break;
    case Presence::Present: saved.favorite = object.value(favoriteKey).toBool(); break;
    case Presence::Wrong: return std::nullopt;
    }
    const QString iconKey = QStringLiteral("icon");
    switch (optionalPresence(object, iconKey, QJsonValue::String)) {
    case Presence::Absent: break;
    case Presence::Present: saved.icon = object.value(iconKey).toString(); break;
    case Presence::Wrong: return std::nullopt;
    }
    return saved;
}

std::optional<QString> encodeSavedScenes(const SavedSceneList& scenes)
{
    QJsonArray array;
    for (const SavedScene& scene : scenes) {
        auto object = scene.toJson();
        if (!object)
            return std::nullopt;
        array.append(*object);
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

namespace {

// The records of a top-level JSON array as separate texts, found by bracket depth alone.
struct ArrayRecords {
    std::vector<QByteArrayView> records;
    int cutShort = 0;            // a record the text ends in the middle of, or a text that is no list
    bool strayText = false;      // something between or after the records that is no record
};

qsizetype skipSpace(QByteArrayView text, qsizetype i)
{
    while (i < text.size() && QChar::isSpace(static_cast<uchar>(text[i])))
        ++i;
    return i;
}

ArrayRecords splitTopLevelArray(QByteArrayView text)
{
    ArrayRecords result;
    qsizetype i = skipSpace(text, 0);
    if (i >= text.size() || text[i] != '[') {
        result.cutShort = i < text.size() ? 1 : 0;
        return result;
    }
    qsizetype start = ++i;
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    bool sawComma = false;
    const auto take = [&](qsizetype end) {
        const QByteArrayView record = text.sliced(start, end - start).trimmed();
        if (!record.isEmpty())
            result.records.push_back(record);
        else if (sawComma)
            result.strayText = true;
    };
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        } else if (c == ',' && depth == 0) {
            sawComma = true;
            take(i);
            start = i + 1;
        } else if (c == ']') {
            take(i);
            result.strayText = skipSpace(text, i + 1) != text.size();
            return result;
        }
    }
    if (!text.sliced(start).trimmed().isEmpty())
        result.cutShort = 1;
    result.strayText = true;
    return result;
}

} // namespace

SavedSceneDecoding decodeSavedScenes(const QString& json)
{
    SavedSceneDecoding result;
    const QByteArray text = json.toUtf8();
    const ArrayRecords split = splitTopLevelArray(text);
    for (const QByteArrayView record : split.records) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(record.toByteArray(), &error);
        auto scene = error.error == QJsonParseError::NoError && document.isObject()
            ? SavedScene::fromJson(document.object())
            : std::nullopt;
        if (scene)
            result.scenes.push_back(std::move(*scene));
        else
            ++result.unreadable;
    }
    result.unreadable += split.cutShort;
    result.lostSomething = result.unreadable > 0 || split.strayText;
    return result;
}

QString newSceneId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

} // namespace tavik
