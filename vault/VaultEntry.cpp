#include "VaultEntry.h"

#include "Exception.h"
#include "ModuleTexts.h"

#include <cstring>

namespace {
const QString ConstructorContext = QStringLiteral(
    "VaultEntry::VaultEntry(const QString&, const QString&, const QString&, const QString&, QObject*) -> ");
const QString FromBytesContext = QStringLiteral("VaultEntry VaultEntry::fromBytes(const QByteArray&)");
const QString SetNameContext = QStringLiteral("void VaultEntry::setName(const QString&) -> ");
const QString SetUserContext = QStringLiteral("void VaultEntry::setUser(const QString&) -> ");
// The comment setter reports under the password setter's context, as it always has.
const QString SetPasswordContext = QStringLiteral("void VaultEntry::setPassword(const QString&) -> ");

[[noreturn]] void raise(const QString& context, const QString& text)
{
    throw Exception(context + text);
}

void checkField(const QString& context, const QString& value)
{
    if (VaultEntry::hasForbiddenCharacter(value))
        raise(context, ModuleTexts::text(QStringLiteral("ForbiddenFieldCharacter")));
}

void checkLength(const QString& context, const QString& value, qsizetype limit)
{
    if (value.size() > limit)
        raise(context, ModuleTexts::text(QStringLiteral("StringTooLong")).arg(limit));
    checkField(context, value);
}

QString decode(const char* begin, const char* end)
{
    return QString::fromUtf8(begin, end - begin);
}
} // namespace

VaultEntry::VaultEntry(const QString& name, const QString& user, const QString& password, const QString& comment,
                       QObject* /*parent*/)
{
    if (name.isEmpty())
        raise(ConstructorContext, ModuleTexts::text(QStringLiteral("EmptyEntryName")));
    for (const QString* field : {&name, &user, &password, &comment})
        checkField(ConstructorContext, *field);
    _name = name;
    _user = user;
    _password = password;
    _comment = comment;
}

VaultEntry::VaultEntry(Unchecked, QString name, QString user, QString password, QString comment)
    : _name(std::move(name)), _user(std::move(user)), _password(std::move(password)), _comment(std::move(comment))
{
}

bool VaultEntry::hasForbiddenCharacter(QStringView text)
{
    for (const QChar c : text)
        if (c == u'\t' || c == u'\n')
            return true;
    return false;
}

void VaultEntry::setName(const QString& name)
{
    if (name.isEmpty())
        raise(SetNameContext, ModuleTexts::text(QStringLiteral("UndefinedParameter"))
                                  .arg(QStringLiteral("name"), QStringLiteral("VaultEntry")));
    checkField(SetNameContext, name);
    _name = name;
}

void VaultEntry::setUser(const QString& user)
{
    checkLength(SetUserContext, user, MaxUserLength);
    _user = user;
}

void VaultEntry::setPassword(const QString& password)
{
    checkLength(SetPasswordContext, password, MaxPasswordLength);
    _password = password;
}

void VaultEntry::setComment(const QString& comment)
{
    checkLength(SetPasswordContext, comment, MaxCommentLength);
    _comment = comment;
}

void VaultEntry::appendBytes(QByteArray& out) const
{
    out.append(_name.toUtf8());
    out.append('\t');
    out.append(_user.toUtf8());
    out.append('\t');
    out.append(_password.toUtf8());
    out.append('\t');
    out.append(_comment.toUtf8());
}

std::unique_ptr<QByteArray> VaultEntry::toBytes() const
{
    auto bytes = std::make_unique<QByteArray>();
    appendBytes(*bytes);
    return bytes;
}

// A tab byte never occurs inside a multi-byte UTF-8 sequence, so cutting the bytes
// at the tabs and decoding each field gives the same texts as decoding the line
// and cutting it at the tab characters, with one allocation per field.
std::unique_ptr<VaultEntry> VaultEntry::fromBytes(QByteArrayView line)
{
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    const char* tabs[3] = {};
    int tabCount = 0;
    for (const char* p = begin; p != end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\t', size_t(end - p)));
        if (!p)
            break;
        if (tabCount == 3) {
            tabCount = 4;
            break;
        }
        tabs[tabCount++] = p;
    }
    if (tabCount != 2 && tabCount != 3)
        raise(FromBytesContext, ModuleTexts::text(QStringLiteral("IllegalEntryBuffer")));
    if (tabs[0] == begin)
        raise(FromBytesContext, ModuleTexts::text(QStringLiteral("EmptyEntryName")));
    if (line.contains('\n'))
        raise(FromBytesContext, ModuleTexts::text(QStringLiteral("ForbiddenFieldCharacter")));
    const char* const passwordEnd = tabCount == 3 ? tabs[2] : end;
    return std::unique_ptr<VaultEntry>(
        new VaultEntry(Unchecked{}, decode(begin, tabs[0]), decode(tabs[0] + 1, tabs[1]),
                       decode(tabs[1] + 1, passwordEnd), tabCount == 3 ? decode(tabs[2] + 1, end) : QString()));
}

QString VaultEntry::toString() const
{
    return _name + QLatin1Char('\t') + _user + QLatin1Char('\t') + _password + QLatin1Char('\t') + _comment;
}
