#pragma once

#include "cli/Options.h"

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <memory>

namespace tavik {

// The user's settings copied into memory, for commands that draw or play the current scene
// without touching the settings file. The options it reads:
//   --preset ID        apply a built-in scene first
//   --set KEY=VALUE    then override one setting (repeatable)
class ScratchSettings {
public:
    static constexpr OptionRule kOptions[] = {{u"--preset"}, {u"--set"}};

    // Throws UsageError for an unknown preset or key, or a value that does not parse or lies
    // outside its setting's range.
    [[nodiscard]] static std::unique_ptr<ScratchSettings> from(const Options& options, const KeyValueStore& source);

    [[nodiscard]] SettingsStore& store() { return *m_store; }

private:
    ScratchSettings() = default;

    MemoryKeyValueStore m_database;
    std::unique_ptr<SettingsStore> m_store;
};

} // namespace tavik
