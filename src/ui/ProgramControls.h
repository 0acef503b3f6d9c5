#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

namespace tavik {

// What the General tab does to the program itself, as `Panel.program`: starting at login and
// quitting. The program hands in the real actions; without them (tests, previews) the switch
// reads off and nothing happens.
class ProgramControls final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The program's controls belong to the panel")
    Q_PROPERTY(bool startsAtLogin READ startsAtLogin NOTIFY startsAtLoginChanged)
    Q_PROPERTY(QString startAtLoginProblem READ startAtLoginProblem NOTIFY startsAtLoginChanged)

public:
    struct Hooks {
        std::function<bool()> startsAtLogin;
        // Nothing when done, else what went wrong.
        std::function<std::optional<QString>(bool on)> setStartsAtLogin;
        std::function<void()> quit;
    };

    explicit ProgramControls(QObject* parent);

    void setHooks(Hooks hooks);

    [[nodiscard]] bool startsAtLogin() const { return m_startsAtLogin; }
    // Why the last change of the switch did not take, or empty.
    [[nodiscard]] const QString& startAtLoginProblem() const { return m_problem; }

    Q_INVOKABLE void setStartsAtLogin(bool on);
    // Reads the state again: the user may have removed the entry by hand while the panel was away.
    Q_INVOKABLE void refresh();
    Q_INVOKABLE void quit();

signals:
    void startsAtLoginChanged();

private:
    void update(bool on, QString problem);

    Hooks m_hooks;
    bool m_startsAtLogin = false;
    QString m_problem;
};

} // namespace tavik
