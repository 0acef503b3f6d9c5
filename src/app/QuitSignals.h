#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace tavik {

// SIGTERM and SIGINT as a Qt signal. The handler only writes the signal's number into a pipe;
// the event loop reads it, so the program quits on its main thread and does nothing inside the
// handler that a signal may not do. One at a time per process.
class QuitSignals final : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    // Puts back the actions that were there before.
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // False when the pipe could not be made or another instance is installed; the signals then
    // keep their actions. A signal ignored at start (a background job's SIGINT) stays ignored.
    bool install();

signals:
    void received(int signal);

private:
    void readPipe();
    void uninstall();

    int m_readEnd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_installed = false;
};

} // namespace tavik
