#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tavik {

// Starting at login through the desktop's autostart folder (XDG Autostart): a tavik.desktop
// there starts the program in the background when the user logs in. The file is the only
// record, so one removed by hand reads as off.
class Autostart {
public:
    // `path` is the entry's file; `exec` the Exec value as the file holds it (see execFor),
    // empty when this program cannot be named there.
    Autostart(QString path, QString exec);

    // $XDG_CONFIG_HOME/autostart/tavik.desktop (under ~/.config when that is unset or not an
    // absolute path), starting the running program.
    [[nodiscard]] static Autostart forThisProgram();

    [[nodiscard]] const QString& path() const { return m_path; }

    // The entry is there and not switched off inside it (Hidden=true, or GNOME's
    // X-GNOME-Autostart-enabled=false).
    [[nodiscard]] bool isOn() const;
    // Whether the file is something other than the entry this program writes.
    [[nodiscard]] bool isEditedByHand() const;

    // On writes the program's entry whole, in place of whatever was there. Off removes the
    // program's own entry; one edited by hand keeps the user's lines and gets Hidden=true, the
    // desktop's way to switch an entry off. Nothing when done, else what went wrong.
    [[nodiscard]] std::optional<QString> setOn(bool on) const;

    // The entry the program writes for an Exec value.
    [[nodiscard]] static QByteArray entryFor(const QString& exec);

    // The Exec value that starts `program` in the background: the bare name when `onPath` (what
    // the PATH finds as "tavik") is the same file, as the installed desktop entry does, so the
    // entry outlives a move of the package; else the absolute path, quoted and escaped as a
    // desktop entry needs. Nothing for a path no entry can hold (one with control characters).
    [[nodiscard]] static std::optional<QString> execFor(const QString& program, const QString& onPath);

private:
    [[nodiscard]] std::optional<QByteArray> read() const;
    [[nodiscard]] std::optional<QString> write(const QByteArray& bytes) const;
    [[nodiscard]] std::optional<QString> turnOff(const QByteArray& current) const;

    QString m_path;
    QString m_exec;
};

} // namespace tavik
