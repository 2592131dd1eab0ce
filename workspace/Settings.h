#pragma once

#include <QObject>
#include <QString>

// The user's lasting choices, kept in a properties file in the user's
// configuration folder. The file's values hold unless the command line gave
// another for this run; a value given on the command line is never written
// back. The widgets ask this class, never the file.
class Settings : public QObject
{
    Q_OBJECT
public:
    struct Values {
        // Seconds before a copied field leaves the clipboard; 0: it stays.
        int clipboardTimeout = 0;
        // Minutes without input before the vault locks; 0: never.
        int lockIdleMinutes = 0;
        bool lockOnScreenLock = true;
        bool filterAsYouType = false;
        bool hidePasswords = false;
        bool operator==(const Values&) const = default;
    };

    static constexpr int MaxClipboardTimeout = 86400; // a day
    static constexpr int MaxLockIdleMinutes = 1440;   // a day

    // Keys of the file.
    static const QString ClipboardTimeoutKey;
    static const QString LockIdleMinutesKey;
    static const QString LockOnScreenLockKey;
    static const QString FilterAsYouTypeKey;
    static const QString HidePasswordsKey;

    // Reads fileName (the user's file when empty); defaults until then. The
    // last one made is current() while it exists.
    explicit Settings(const QString& fileName = QString(), QObject* parent = nullptr);
    ~Settings() override;

    static Settings* current();
    // kovrin.properties in the user's configuration folder.
    static QString defaultFileName();
    QString fileName() const { return _fileName; }

    // Reads the file again. A missing file gives the defaults; a damaged or
    // unreadable one gives them too, with one warning in the log, and false.
    bool load();
    // Writes the file's values, owner-only, replacing the file at once or not
    // at all; raises an Exception when it cannot.
    void save() const;

    // What applies now, and what the file holds.
    const Values& values() const { return _effective; }
    const Values& fileValues() const { return _stored; }
    int clipboardTimeout() const { return _effective.clipboardTimeout; }
    int lockIdleMinutes() const { return _effective.lockIdleMinutes; }
    bool lockOnScreenLock() const { return _effective.lockOnScreenLock; }
    bool filterAsYouType() const { return _effective.filterAsYouType; }
    bool hidePasswords() const { return _effective.hidePasswords; }

    // For this run only (the command line): nothing is written.
    void setForThisRun(const Values& values);
    // The user's choice: each value that differs from what applies now goes
    // to the file too, which is written first; a command-line value left as
    // it was stays out of the file. Raises, changing nothing, when the file
    // cannot be written.
    void choose(const Values& values);

Q_SIGNALS:
    // After the values in effect changed.
    void changed();

private:
    void setEffective(const Values& values);

    QString _fileName;
    Values _stored;
    Values _effective;
    Settings* _previous = nullptr;
};
