#pragma once

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <QStringList>
#include <QTextStream>

#include <memory>

namespace tavik {

// The user's settings copied into memory, for commands that draw or play the current scene
// without touching the settings file. Options taken from the argument list:
//   --preset ID        apply a built-in scene first
//   --set KEY=VALUE    then override one setting (repeatable)
class ScratchSettings {
public:
    // Removes the options it understands from args. Nothing (after a message on err) when an
    // option is malformed, names an unknown preset or key, or a value does not parse or lies
    // outside its setting's range.
    [[nodiscard]] static std::unique_ptr<ScratchSettings> fromArguments(QStringList& args, const KeyValueStore& source,
                                                                        QTextStream& err);

    [[nodiscard]] SettingsStore& store() { return *m_store; }

private:
    ScratchSettings() = default;

    MemoryKeyValueStore m_database;
    std::unique_ptr<SettingsStore> m_store;
};

} // namespace tavik
