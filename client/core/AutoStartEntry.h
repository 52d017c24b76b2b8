#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Starting the client with the desktop session: an XDG autostart entry
// "$XDG_CONFIG_HOME/autostart/Corvane.desktop" (default ~/.config/autostart)
// whose Exec line runs the program by its absolute path. Plays the part the
// per-user Run value plays on Windows.
class AutoStartEntry
{
public:
    // Where the entry lives; follows XDG_CONFIG_HOME at every call.
    static QString FilePath();

    // The whole content of an entry that starts `programPath`.
    static QByteArray ContentFor(const QString& programPath);
    // `programPath` as one Exec argument: always in double quotes, with the
    // escapes of the desktop-entry specification (quoting, then the string
    // escapes of the file format, and "%%" for a literal percent sign).
    static QString QuotedExecArgument(const QString& programPath);

    // Makes the entry start `programPath`; an entry for another path, or with
    // other content, is rewritten. True when the file holds the entry afterwards.
    static bool Enable(const QString& programPath);
    // Removes the entry. True when no entry exists afterwards.
    static bool Disable();
    static bool IsEnabledFor(const QString& programPath);

    // The file's content, or nothing when there is no entry, and the way back to
    // it, so a save that fails further on can leave the entry as it was.
    static std::optional<QByteArray> Current();
    static bool Restore(const std::optional<QByteArray>& content);

private:
    static bool Write(const QByteArray& content);
};
