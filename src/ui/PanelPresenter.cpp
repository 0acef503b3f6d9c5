#include "ui/PanelPresenter.h"

namespace tavik {

PanelPresenter::PanelPresenter(QObject* parent)
    : QObject(parent)
{
}

void PanelPresenter::setMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    emit modeChanged();
}

void PanelPresenter::toggleMode()
{
    // Copies: a callback may replace the callbacks while it runs.
    if (m_mode == Mode::window) {
        if (auto popIn = onPopIn)
            popIn();
    } else if (auto popOut = onPopOut) {
        popOut();
    }
}

void PanelPresenter::dismiss()
{
    if (m_mode == Mode::popover) {
        if (auto close = onDismiss)
            close();
    }
}

} // namespace tavik
