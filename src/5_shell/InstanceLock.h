#pragma once
// One running copy of the program per user: a lock file beside the working
// database, held for the whole run. A second start finds it held, says so
// and ends, so two processes never share one working database. A lock left
// by a process that no longer runs is taken over.

#include <QLockFile>
#include <QString>
#include <memory>

namespace orb {

class InstanceLock {
public:
    InstanceLock();
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // Takes the lock; false when another running copy holds it.
    bool tryLock();
    bool isLocked() const;
    // After a failed tryLock: true when another running copy holds the lock,
    // false when the lock file could not be made at all.
    bool heldByAnother() const;
    static QString lockPath();

private:
    std::unique_ptr<QLockFile> m_lock;
};

// Takes the lock, or tells the user that the program already runs and
// returns false. When no lock file can be made at all the program runs.
bool acquireInstanceLock(InstanceLock &lock);

// The message shown to a second start.
QString alreadyRunningMessage();

} // namespace orb
