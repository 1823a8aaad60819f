#include "SettingsStore.h"

#include "ConfigurationCheck.h"
#include "Documents.h"
#include "ModBas.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {

namespace {

QByteArray native(const QString &path) { return QFile::encodeName(path); }

qint64 milliseconds(const timespec &time) { return qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000; }

// The real file behind the links at path, or path itself (made absolute)
// when nothing is there yet.
QString realFile(const QString &path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? QFileInfo(path).absoluteFilePath() : real;
}

// Flushes the new file `written` to disk, after making its time of change
// later than that of the file it replaces. Qt keeps what it read of a
// settings file and reads it again only when its size or its time of change
// (to the millisecond) differs: a new file of the same size written within
// the same millisecond would otherwise go unseen by the next reader.
// Returns 0 or the error number.
int flushAsNewer(const QString &written, const QString &replaced)
{
    const int fd = ::open(native(written).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat mine {}, old {};
    int code = ::fstat(fd, &mine) == 0 ? 0 : errno;
    if (!code && !S_ISREG(mine.st_mode))
        code = kNotAFile;
    if (!code && ::stat(native(replaced).constData(), &old) == 0
        && milliseconds(mine.st_mtim) <= milliseconds(old.st_mtim)) {
        const qint64 later = milliseconds(old.st_mtim) + 1;
        const timespec times[2] = {{0, UTIME_OMIT}, {time_t(later / 1000), long(later % 1000) * 1000000}};
        if (::futimens(fd, times) != 0)
            code = errno;
    }
    if (!code && ::fsync(fd) != 0)
        code = errno;
    ::close(fd);
    return code;
}

// Flushes a folder's entries to disk. Returns 0 or the error number.
int flushFolder(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int code = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return code;
}

// True when the settings file at path holds exactly the keys and values of
// expected. Read by a store of its own: path is a name no store of this run
// has read before, so what is compared is what lies on the disk.
bool holdsExactly(const QString &path, const QMap<QString, QVariant> &expected)
{
    const QSettings written(path, QSettings::IniFormat);
    if (written.status() != QSettings::NoError || written.allKeys().size() != expected.size())
        return false;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!written.contains(it.key()) || written.value(it.key()) != it.value())
            return false;
    }
    return true;
}

} // namespace

QString settingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/ORBITarsis/ORBITarsis.conf");
}

int ownFileFault(const QString &path)
{
    const QByteArray name = native(path);
    struct stat entry {};
    if (::lstat(name.constData(), &entry) != 0)
        return errno == ENOENT ? 0 : errno;
    // Links are followed: to nothing (ENOENT) or round in a loop (ELOOP).
    struct stat target {};
    if (::stat(name.constData(), &target) != 0)
        return errno;
    if (S_ISDIR(target.st_mode))
        return EISDIR;
    if (!S_ISREG(target.st_mode))
        return kNotAFile;
    // Opened without waiting, to learn whether it can be read at all.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat opened {};
    const int code = ::fstat(fd, &opened) != 0 ? errno : S_ISREG(opened.st_mode) ? 0 : kNotAFile;
    ::close(fd);
    return code;
}

QString ownFileFaultText(int fault) { return fault == kNotAFile ? Str(9040) : errnoError(fault); }

std::unique_ptr<QSettings> readSettingsFile(const QString &path, int *fault)
{
    // Qt opens the file itself, after the check: only a file swapped in
    // between could still be waited on, and nothing but this one copy of
    // the program (and its user) writes the program's folders.
    *fault = ownFileFault(path);
    if (*fault)
        return nullptr;
    auto store = std::make_unique<QSettings>(path, QSettings::IniFormat);
    if (store->status() == QSettings::NoError)
        return store;
    *fault = store->status() == QSettings::FormatError ? EILSEQ : EACCES;
    return nullptr;
}

bool writeSettingsFile(const QString &path, const SettingsValues &values, int *fault)
{
    const QString real = realFile(path);
    const QFileInfo info(real);
    const QString folder = info.absolutePath();
    *fault = makeFolder(folder);
    if (*fault)
        return false;
    // What the new file must hold: all that the one in place holds, which
    // must be read whole first, with the new values.
    QMap<QString, QVariant> expected;
    {
        const auto current = readSettingsFile(real, fault);
        if (!current)
            return false;
        for (const QString &key : current->allKeys())
            expected.insert(key, current->value(key));
    }
    for (const auto &[key, value] : values)
        expected.insert(key, value);

    // Written under one temporary name (made with the permissions of the
    // file in place, which Qt's write keeps), then read back under another
    // that no store has seen, and only then renamed over the file in place.
    QString written = createTemp(folder, info.fileName(), real);
    if (written.isEmpty()) {
        *fault = errno;
        return false;
    }
    QString checked;
    const auto fail = [&](int code) {
        QFile::remove(written);
        if (!checked.isEmpty())
            QFile::remove(checked);
        *fault = code;
        return false;
    };
    {
        QSettings out(written, QSettings::IniFormat);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            out.setValue(it.key(), it.value());
        out.sync();
        if (out.status() != QSettings::NoError)
            return fail(EIO);
    }
    if (const int code = flushAsNewer(written, real))
        return fail(code);
    checked = createTemp(folder, info.fileName(), real);
    if (checked.isEmpty())
        return fail(errno);
    if (std::rename(native(written).constData(), native(checked).constData()) != 0)
        return fail(errno);
    // What a full disk cuts short is found here: a file that lacks a key or
    // a value, or an empty one.
    if (!holdsExactly(checked, expected))
        return fail(EIO);
    if (std::rename(native(checked).constData(), native(real).constData()) != 0)
        return fail(errno);
    *fault = flushFolder(folder);
    return *fault == 0;
}

QVariant settingsValue(const QString &key, const QVariant &defaultValue)
{
    int fault = 0;
    const auto store = readSettingsFile(settingsFilePath(), &fault);
    return store ? store->value(key, defaultValue) : defaultValue;
}

void removeLeftoverSettingsTemps(const QString &path)
{
    const QFileInfo real(realFile(path));
    removeStaleTemps(real.absolutePath(), real.fileName());
}

std::unique_ptr<QSettings> openSettingsStore()
{
    return std::make_unique<QSettings>(settingsFilePath(), QSettings::IniFormat);
}

} // namespace orb
