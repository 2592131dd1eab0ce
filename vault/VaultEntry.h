#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QObject;

// One stored credential: role (the entry's name, unique in its rack), account,
// password and comment. A plain value type, held by pointer in the rack lists.
class VaultEntry
{
public:
    static constexpr qsizetype MaxUserLength = 128;
    static constexpr qsizetype MaxPasswordLength = 128;
    static constexpr qsizetype MaxCommentLength = 512;

    VaultEntry() = default;
    // The parent is accepted for the callers' convenience and ignored. Lengths are
    // not checked here, only by the setters; a tab or a line feed is refused since
    // the vault file could not hold it.
    VaultEntry(const QString& name, const QString& user, const QString& password, const QString& comment,
               QObject* parent = nullptr);
    VaultEntry(const VaultEntry&) = default;
    VaultEntry& operator=(const VaultEntry&) = default;

    QString name() const { return _name; }
    QString user() const { return _user; }
    QString password() const { return _password; }
    QString comment() const { return _comment; }

    void setName(const QString& name);
    void setUser(const QString& user);
    void setPassword(const QString& password);
    void setComment(const QString& comment);

    // The four fields in UTF-8, separated by tab bytes, without line terminator.
    std::unique_ptr<QByteArray> toBytes() const;
    // Appends the same bytes to out (the vault writer's path, without a copy).
    void appendBytes(QByteArray& out) const;
    // Decodes one line of three or four tab-separated fields.
    static std::unique_ptr<VaultEntry> fromBytes(QByteArrayView line);

    // The four fields separated by tabs (the exchange text's form of an entry).
    QString toString() const;

    bool operator==(const VaultEntry& other) const = default;

    // True when text holds a character the vault file cannot store in a field.
    static bool hasForbiddenCharacter(QStringView text);

private:
    struct Unchecked {};
    VaultEntry(Unchecked, QString name, QString user, QString password, QString comment);

    QString _name;
    QString _user;
    QString _password;
    QString _comment;
};
