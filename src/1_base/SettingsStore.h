#pragma once
// The per-user settings store: $XDG_CONFIG_HOME/ORBITarsis/ORBITarsis.conf.
// The marks of an open configuration live in its group "Properties"; the
// device behind each serial port number in its group "Ports".
//
// The program's small files of settings (this one, and the marks it keeps
// beside the working database when this one cannot be written) are read and
// written here, never waiting on what lies in their place: a pipe, a device,
// a socket or a folder there is refused before anything opens it.
//
// A write never replaces a file by a shorter or empty one: the whole new
// file is written beside it under a temporary name, flushed, read back and
// compared with what it must hold, and only then renamed over it. (Qt's own
// write reports success when the disk takes the file's name but not its
// text, and leaves an empty file.) No lock file is used: the one-copy lock
// of the data folder already keeps every other copy of the program away.

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>
#include <utility>
#include <vector>

namespace orb {

// The settings file's path ($XDG_CONFIG_HOME, or ~/.config when that is not
// set, then "ORBITarsis/ORBITarsis.conf").
QString settingsFilePath();

// The fault number of a pipe, a device or a socket where a file belongs.
inline constexpr int kNotAFile = -1;

// What stands in the way of reading the program's own file at path: 0 when
// a file lies there (links followed) that can be read, or nothing at all.
// Otherwise a system error number (EISDIR for a folder, ELOOP for a loop of
// links, ENOENT for a link to nothing, EACCES...) or kNotAFile. Nothing is
// waited on.
int ownFileFault(const QString &path);
// The fault for a message: the error number and its text, or, for
// kNotAFile, that a device, pipe or socket lies there.
QString ownFileFaultText(int fault);

// The settings file at path opened for reading, when ownFileFault finds
// nothing in the way (a missing file reads as empty) and it can be parsed;
// otherwise nullptr and *fault says why (EILSEQ: not a settings file).
std::unique_ptr<QSettings> readSettingsFile(const QString &path, int *fault);

using SettingsValues = std::vector<std::pair<QString, QVariant>>;

// Sets values ("Group/Key" and value) in the settings file at path, keeping
// every other key. The real file behind links is replaced, the links stay.
// False, with *fault set, when the file in place cannot be read (it is then
// left alone) or the new one cannot be written whole (a full disk): the
// file is then as it was (or, when only the final flush of its folder
// failed, the new one whole in its place), and no temporary file is left.
bool writeSettingsFile(const QString &path, const SettingsValues &values, int *fault);

// A value of the settings file; defaultValue when it has none or cannot be
// read.
QVariant settingsValue(const QString &key, const QVariant &defaultValue = {});

// Removes the temporary files a write into the settings file at path, cut
// short by the end of the program, left beside it.
void removeLeftoverSettingsTemps(const QString &path);

// The settings file opened directly, without any of the checks above (for
// tests that prepare it).
std::unique_ptr<QSettings> openSettingsStore();

} // namespace orb
