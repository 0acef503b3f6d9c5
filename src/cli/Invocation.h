#pragma once

#include "cli/CommandLine.h"

#include <memory>
#include <optional>

namespace tavik {

class IniKeyValueStore;
class KeyValueStore;

// What one command runs with: where it prints, and the settings it reads or changes. The
// settings file is opened only when a command asks for it, so `tavik help` touches no file.
class Invocation {
public:
    // On the user's settings file; forward reaches the running program, where there is a way to.
    Invocation(QTextStream& out, QTextStream& err, const Forward* forward = nullptr);
    // On settings someone else holds: the running program's live store.
    explicit Invocation(CommandContext& live);
    ~Invocation();

    Invocation(const Invocation&) = delete;
    Invocation& operator=(const Invocation&) = delete;

    [[nodiscard]] QTextStream& out() { return m_out; }
    [[nodiscard]] QTextStream& err() { return m_err; }
    // The way to the running program, for a command that talks to it more than once.
    [[nodiscard]] const Forward* forward() const { return m_forward; }

    // The store a settings command changes.
    [[nodiscard]] CommandContext& settings();
    // The saved settings, only read: where `render` and `sound` start from.
    [[nodiscard]] const KeyValueStore& savedSettings();

private:
    IniKeyValueStore& file();

    QTextStream& m_out;
    QTextStream& m_err;
    const Forward* m_forward = nullptr;
    CommandContext* m_live = nullptr;
    std::unique_ptr<IniKeyValueStore> m_file;
    std::unique_ptr<SettingsStore> m_store;
    std::optional<CommandContext> m_context;
};

} // namespace tavik
