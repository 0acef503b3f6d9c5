#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QObject;
class QTemporaryDir;

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
    // A read-modify-write that loses no other writer's change: runs `change` (which reads and
    // writes through this store) on the values as permanent storage holds them now, with every
    // other writer held off, and stores the result before returning. False when writing failed.
    virtual bool transact(const std::function<void()>& change)
    {
        change();
        return sync();
    }
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

// The user's settings file, in QSettings' INI format. Changes are written from the event loop
// (or on sync) atomically, under a lock beside the file that every Tavik process takes, and on
// top of the file as it is at that moment: another process's change to another key survives.
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
    bool transact(const std::function<void()>& change) override;

    [[nodiscard]] QString path() const { return m_path; }
    // Where an unreadable file was copied before it could be overwritten, or empty.
    [[nodiscard]] QString rescuedCopyPath() const { return m_rescuedCopy; }

private:
    class WriterLock;

    void reload();
    [[nodiscard]] std::optional<QMap<QString, QVariant>> decode(const QByteArray& bytes, bool& damaged);
    [[nodiscard]] std::optional<QByteArray> encode();
    bool writePending();
    void scheduleWrite();
    [[nodiscard]] QString scratchPath();

    QString m_path;
    // The file as last read, with this process's pending changes on top.
    QMap<QString, QVariant> m_values;
    // Changes not yet written: a value, or nothing for a removal.
    QMap<QString, std::optional<QVariant>> m_pending;
    // The file's bytes as last read or written; other bytes mean another writer was there.
    std::optional<QByteArray> m_knownBytes;
    QString m_rescuedCopy;
    int m_lockDepth = 0;
    bool m_writeScheduled = false;
    std::unique_ptr<QTemporaryDir> m_scratch;
    // Owns the scheduled write, so it dies with the store.
    std::unique_ptr<QObject> m_writeContext;
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
