#pragma once
// One running copy of the program per data folder: the data folder itself,
// the folder of the working database, is locked (flock) for the whole run.
// A second start finds it locked, says so and ends, so two processes never
// share one working database. The lock is taken on the folder as it stands,
// so it needs no free space and no file of its own; the system releases it
// when the process ends, however it ends. When the lock cannot be taken at
// all the program does not start either: it would run unguarded.

#include <QString>

namespace orb {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // Takes the lock; false when another running copy holds it or it cannot
    // be taken (error() tells which).
    bool tryLock();
    bool isLocked() const { return m_fd >= 0; }
    // After a failed tryLock: true when another running copy holds the lock.
    bool heldByAnother() const;
    // After a failed tryLock: the error number (EWOULDBLOCK when another copy
    // holds the lock).
    int error() const { return m_error; }
    // The folder locked: the data folder.
    static QString lockedFolder();

private:
    int m_fd = -1;
    int m_error = 0;
};

// Takes the lock, or tells the user why the program does not start (another
// copy runs, or the data folder cannot be locked) and returns false.
bool acquireInstanceLock(InstanceLock &lock);

// The message shown to a second start.
QString alreadyRunningMessage();

} // namespace orb
