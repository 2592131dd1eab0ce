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
    // Copies share the text; the last owner to let it go overwrites it.
    VaultEntry(const VaultEntry&) = default;
    VaultEntry& operator=(const VaultEntry& other);
    ~VaultEntry();

    QString name() const { return field(0); }
    QString user() const { return field(1); }
    QString password() const { return field(2); }
    QString comment() const { return field(3); }
    // The name without a copy, for comparisons over a whole rack.
    QStringView nameView() const { return QStringView(_text).first(_starts[1] - 1); }
    // Field 0 to 3 (name, user, password, comment) without a copy, for filtering
    // and sorting a whole rack; valid while the entry is unchanged.
    QStringView fieldView(int index) const;

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
    QString toString() const { return _text; }
    // The same without a copy, valid while the entry is unchanged.
    QStringView textView() const { return _text; }

    bool operator==(const VaultEntry& other) const { return _text == other._text; }

    // True when text holds a character the vault file cannot store in a field.
    static bool hasForbiddenCharacter(QStringView text);

private:
    VaultEntry(QString text, bool threeFields);
    QString field(int index) const;
    void setField(int index, const QString& value);

    // The fields are kept as one text, joined by tabs, which no field may hold:
    // one allocation per entry instead of four, and the line of the vault file
    // is this text in UTF-8. _starts[i] is where field i begins.
    QString _text = QStringLiteral("\t\t\t");
    qsizetype _starts[4] = {0, 1, 2, 3};
};
