#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;

namespace tavik {

// The database the settings live in: a flat map from key to value. Values are bools, doubles
// and strings; JSON-valued keys hold the JSON text.
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;

    [[nodiscard]] virtual bool contains(const QString& key) const = 0;
    // An invalid QVariant when the key is absent.
    [[nodiscard]] virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
    [[nodiscard]] virtual QStringList keys() const = 0;
    // Pushes pending writes to permanent storage; false when that failed.
    virtual bool sync() { return true; }
};

// The database of tests and previews: nothing leaves memory.
class MemoryKeyValueStore final : public KeyValueStore {
public:
    [[nodiscard]] bool contains(const QString& key) const override { return m_values.contains(key); }
    [[nodiscard]] QVariant value(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) override { m_values.insert(key, value); }
    void remove(const QString& key) override { m_values.remove(key); }
    [[nodiscard]] QStringList keys() const override { return m_values.keys(); }

private:
    QMap<QString, QVariant> m_values;
};

// The user's settings file, an INI file written through QSettings (atomically, on sync and
// from the event loop).
class IniKeyValueStore final : public KeyValueStore {
public:
    explicit IniKeyValueStore(const QString& path);
    ~IniKeyValueStore() override;

    // $XDG_CONFIG_HOME/tavik/tavik.conf, or ~/.config/tavik/tavik.conf.
    [[nodiscard]] static QString defaultPath();

    [[nodiscard]] bool contains(const QString& key) const override;
    [[nodiscard]] QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    [[nodiscard]] QStringList keys() const override;
    bool sync() override;

    [[nodiscard]] QString path() const;
    // Where an unreadable file was copied before it could be overwritten, or empty.
    [[nodiscard]] QString rescuedCopyPath() const { return m_rescuedCopy; }

private:
    std::unique_ptr<QSettings> m_settings;
    QString m_rescuedCopy;
};

} // namespace tavik

namespace tavik {

// How the database reads a stored value as a flag, a number or a text. Nothing when there is no
// value, or when a number is not finite or, for a number, not a number at all (a NaN, an
// infinity, 0x7f or a word counts as absent, so the setting keeps its default). A flag holding
// some other word reads as false.
[[nodiscard]] std::optional<bool> storedBool(const QVariant& value);
[[nodiscard]] std::optional<double> storedNumber(const QVariant& value);
[[nodiscard]] std::optional<QString> storedText(const QVariant& value);

} // namespace tavik
