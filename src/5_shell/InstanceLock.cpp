#include "InstanceLock.h"

#include "ConfigurationCheck.h"
#include "ModBas.h"
#include "Seams.h"
#include "Strings.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orb {

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString InstanceLock::lockedFolder() { return dataFolder(); }

bool InstanceLock::tryLock()
{
    if (m_fd >= 0)
        return true;
    // A folder that cannot be made is reported with the cause of its own
    // making (a parent that may not be written, a read-only disk...).
    if (const int code = makeFolder(lockedFolder())) {
        m_error = code;
        return false;
    }
    // Opened for reading only: a folder that cannot be written (a full disk)
    // is locked all the same. The descriptor is not inherited by the
    // programs this one starts.
    const int fd = ::open(QFile::encodeName(lockedFolder()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        m_error = errno;
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_error = errno;
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_error = 0;
    return true;
}

bool InstanceLock::heldByAnother() const { return m_fd < 0 && m_error == EWOULDBLOCK; }

QString alreadyRunningMessage() { return Str(9103); }

bool acquireInstanceLock(InstanceLock &lock)
{
    if (lock.tryLock())
        return true;
    if (lock.heldByAnother()) {
        MsgBox(alreadyRunningMessage(), MsgExclamation, Str(109));
        return false;
    }
    MsgBox(Str(9104).arg(QDir::toNativeSeparators(InstanceLock::lockedFolder()), errnoError(lock.error())),
           MsgCritical, Str(109));
    return false;
}

} // namespace orb
