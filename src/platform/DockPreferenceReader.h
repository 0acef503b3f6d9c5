#pragma once

#include "platform/DockPreferences.h"

#include <QObject>
#include <QTimer>

#include <optional>

class QFileSystemWatcher;
class QProcess;

namespace tavik {

// Reads the preferences a dock publishes (dash-to-dock, the Ubuntu dock, Plank) while active:
// all at once in a background shell, so the GUI thread never waits for dconf; again when the
// dconf or Plank folder changes, and every few minutes to notice Plank starting or quitting.
// changed() tells when the preferences read differ from the last ones.
class DockPreferenceReader final : public QObject {
    Q_OBJECT
public:
    explicit DockPreferenceReader(QObject* parent = nullptr);
    ~DockPreferenceReader() override;

    // Starts reading (at once) and following changes, or stops.
    void setActive(bool active);

    [[nodiscard]] const std::optional<DockPreferences>& preferences() const { return m_preferences; }
    // Where the dock most likely sits on the primary display; none without preferences.
    [[nodiscard]] std::optional<DockGeometry> estimatedGeometry() const;

signals:
    void changed();

private:
    void read();
    void readerDone(bool ran);

    bool m_active = false;
    std::optional<DockPreferences> m_preferences;
    QFileSystemWatcher* m_watcher = nullptr;
    QProcess* m_reader = nullptr;
    bool m_rereadPending = false;
    QTimer m_pollTimer;
    QTimer m_settleTimer;
    QTimer m_readerTimeout;
};

} // namespace tavik
