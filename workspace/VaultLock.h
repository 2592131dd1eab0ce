#pragma once

#include <QObject>
#include <QString>

#include <memory>

class Base;
class LockedVault;

// The lock of the workspace's open vault. Locked, the workspace holds nothing
// of the vault but its text sealed under the vault's key pair (unsaved changes
// included), and the key pair is gone: only the vault's password brings the
// racks back as they were. The triggers (the Lock action, the screen lock,
// idle time, "--lock") only call lock().
class VaultLock : public QObject
{
    Q_OBJECT
public:
    explicit VaultLock(Base* base);
    ~VaultLock() override;

    bool isLocked() const { return bool(_locked); }
    // The sealed vault while locked, else null.
    const LockedVault* lockedVault() const { return _locked.get(); }
    // The locked vault's file name (empty when unlocked).
    QString fileName() const;

    // Locks the open vault as soon as no box or dialog of ours is open: those
    // are closed as if cancelled first, and a save running ends first. Nothing
    // without an open vault, or when it is locked already.
    void lock();
    // Unlocks with the vault's password; false, changing nothing, for another.
    bool unlock(const QString& password);
    // The window's close while locked: unsaved changes are offered for saving
    // as always, and saving asks for the password. False when the window stays
    // (the question or the password cancelled, a wrong password, a failed save).
    bool releaseForClosing();

Q_SIGNALS:
    void lockedChanged(bool locked);

private:
    void lockNow();
    // The password of the locked vault, asked in a dialog; empty when cancelled.
    QString askPassword();

    Base* _base;
    std::unique_ptr<LockedVault> _locked;
    bool _undoLost = false;
};
