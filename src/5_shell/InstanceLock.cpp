#include "InstanceLock.h"

#include "ModBas.h"
#include "Seams.h"
#include "Strings.h"

namespace orb {

InstanceLock::InstanceLock()
    : m_lock(std::make_unique<QLockFile>(lockPath()))
{
    // Never considered stale by age: only a lock whose process has ended is
    // taken over.
    m_lock->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

QString InstanceLock::lockPath() { return dataFolder() + QStringLiteral("/ORBITarsis.lock"); }

bool InstanceLock::tryLock() { return m_lock->isLocked() || m_lock->tryLock(0); }

bool InstanceLock::isLocked() const { return m_lock->isLocked(); }

bool InstanceLock::heldByAnother() const { return m_lock->error() == QLockFile::LockFailedError; }

QString alreadyRunningMessage()
{
    if (currentLanguage() == Language::Spanish)
        return QStringLiteral("ORBITarsis ya se está ejecutando. Solo puede haber una copia abierta a la vez.");
    return QStringLiteral("ORBITarsis is already running. Only one copy can be open at a time.");
}

bool acquireInstanceLock(InstanceLock &lock)
{
    if (lock.tryLock())
        return true;
    // A lock that cannot be written at all (no data folder) is no sign of
    // another copy; the working database reports that folder itself.
    if (!lock.heldByAnother())
        return true;
    MsgBox(alreadyRunningMessage(), MsgExclamation);
    return false;
}

} // namespace orb
