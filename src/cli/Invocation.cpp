#include "cli/Invocation.h"

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

namespace tavik {

Invocation::Invocation(QTextStream& out, QTextStream& err, const Forward* forward)
    : m_out(out)
    , m_err(err)
    , m_forward(forward)
{
}

Invocation::Invocation(CommandContext& live)
    : m_out(live.out)
    , m_err(live.err)
    , m_live(&live)
{
}

Invocation::~Invocation() = default;

CommandContext& Invocation::settings()
{
    if (m_live)
        return *m_live;
    if (!m_context) {
        IniKeyValueStore& database = file();
        if (!database.rescuedCopyPath().isEmpty())
            m_err << "tavik: the settings file could not be read whole; the original was kept as "
                  << database.rescuedCopyPath() << Qt::endl;
        m_store = std::make_unique<SettingsStore>(database);
        m_context.emplace(CommandContext{*m_store, m_out, m_err, database.path()});
    }
    return *m_context;
}

const KeyValueStore& Invocation::savedSettings()
{
    if (m_live)
        return m_live->store.defaults();
    return file();
}

IniKeyValueStore& Invocation::file()
{
    if (!m_file)
        m_file = std::make_unique<IniKeyValueStore>(IniKeyValueStore::defaultPath());
    return *m_file;
}

} // namespace tavik
