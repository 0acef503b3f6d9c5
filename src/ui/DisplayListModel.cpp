#include "ui/DisplayListModel.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace tavik {

namespace {

bool enabledIn(const MonitorMap& monitors, const QString& id)
{
    const auto it = monitors.find(id);
    return it == monitors.end() || it->second;
}

} // namespace

DisplayListModel::DisplayListModel(SettingsStore& store, Source source, QObject* parent)
    : QAbstractListModel(parent)
    , m_store(store)
    , m_source(std::move(source))
{
    refresh();
    if (qGuiApp) {
        // Qt announces a screen before it updates its list of screens: read the list after.
        connect(qGuiApp, &QGuiApplication::screenAdded, this, &DisplayListModel::refresh, Qt::QueuedConnection);
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &DisplayListModel::refresh, Qt::QueuedConnection);
    }
    // The stream hands over the new map before the store holds it.
    m_monitors = m_store.observe<MonitorMap>(Setting::monitorEnabled,
                                             [this](const MonitorMap& monitors) { monitorsChanged(monitors); });
}

int DisplayListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_displays.size());
}

QVariant DisplayListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const DisplayInfo& display = m_displays[index.row()];
    switch (role) {
    case DisplayIdRole: return display.id;
    case NameRole: return display.name;
    case EnabledRole: return bool(m_enabled[static_cast<std::size_t>(index.row())]);
    default: return {};
    }
}

QHash<int, QByteArray> DisplayListModel::roleNames() const
{
    return {{DisplayIdRole, "displayId"}, {NameRole, "name"}, {EnabledRole, "enabled"}};
}

void DisplayListModel::setEnabled(const QString& id, bool on)
{
    if (id.isEmpty())
        return;
    m_store.setMonitor(id, on);
}

void DisplayListModel::refresh()
{
    QList<DisplayInfo> displays = m_source ? m_source() : QList<DisplayInfo>();
    const bool sameDisplays = std::equal(displays.begin(), displays.end(), m_displays.begin(), m_displays.end(),
                                         [](const DisplayInfo& a, const DisplayInfo& b) { return a.id == b.id; });
    if (sameDisplays) {
        for (qsizetype i = 0; i < displays.size(); ++i) {
            const bool renamed = displays[i].name != m_displays[i].name;
            m_displays[i] = displays[i];
            if (renamed)
                emit dataChanged(index(int(i)), index(int(i)), {NameRole});
        }
        return;
    }
    const int oldCount = count();
    beginResetModel();
    m_displays = std::move(displays);
    m_enabled.clear();
    for (const DisplayInfo& display : std::as_const(m_displays))
        m_enabled.push_back(m_store.isMonitorEnabled(display.id));
    endResetModel();
    if (count() != oldCount)
        emit countChanged();
}

void DisplayListModel::monitorsChanged(const MonitorMap& monitors)
{
    for (qsizetype i = 0; i < m_displays.size(); ++i) {
        const bool enabled = enabledIn(monitors, m_displays[i].id);
        const auto row = static_cast<std::size_t>(i);
        if (m_enabled[row] == enabled)
            continue;
        m_enabled[row] = enabled;
        emit dataChanged(index(int(i)), index(int(i)), {EnabledRole});
    }
}

} // namespace tavik
