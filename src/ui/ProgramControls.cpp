#include "ui/ProgramControls.h"

namespace tavik {

ProgramControls::ProgramControls(QObject* parent)
    : QObject(parent)
{
}

void ProgramControls::setHooks(Hooks hooks)
{
    m_hooks = std::move(hooks);
    refresh();
}

void ProgramControls::setStartsAtLogin(bool on)
{
    if (!m_hooks.setStartsAtLogin)
        return;
    const std::optional<QString> problem = m_hooks.setStartsAtLogin(on);
    update(m_hooks.startsAtLogin ? m_hooks.startsAtLogin() : false, problem.value_or(QString()));
}

void ProgramControls::refresh()
{
    update(m_hooks.startsAtLogin ? m_hooks.startsAtLogin() : false, {});
}

void ProgramControls::quit()
{
    if (m_hooks.quit)
        m_hooks.quit();
}

void ProgramControls::update(bool on, QString problem)
{
    if (on == m_startsAtLogin && problem == m_problem)
        return;
    m_startsAtLogin = on;
    m_problem = std::move(problem);
    emit startsAtLoginChanged();
}

} // namespace tavik
