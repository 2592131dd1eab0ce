#include "VaultEntry.h"

#include "Exception.h"
#include "ModuleTexts.h"
#include "WipeOnExit.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
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
} // namespace

VaultEntry::VaultEntry(const QString& name, const QString& user, const QString& password, const QString& comment,
                       QObject* /*parent*/)
{
    if (name.isEmpty())
        raise(ConstructorContext, ModuleTexts::text(QStringLiteral("EmptyEntryName")));
    for (const QString* field : {&name, &user, &password, &comment})
        checkField(ConstructorContext, *field);
    // Built in one buffer of its final size: no intermediate copy is freed holding the fields.
    QString text;
    text.reserve(name.size() + user.size() + password.size() + comment.size() + 3);
    text.append(name).append(QLatin1Char('\t')).append(user).append(QLatin1Char('\t'));
    text.append(password).append(QLatin1Char('\t')).append(comment);
    _text = std::move(text);
    _starts[1] = name.size() + 1;
    _starts[2] = _starts[1] + user.size() + 1;
    _starts[3] = _starts[2] + password.size() + 1;
}

// text holds exactly two or three tabs (checked by the caller); a missing
// comment becomes an empty one, in room the caller left for its tab.
VaultEntry::VaultEntry(QString text, bool threeFields) : _text(std::move(text))
{
    if (threeFields)
        _text.append(QLatin1Char('\t'));
    for (int i = 1; i < 4; ++i)
        _starts[i] = _text.indexOf(QLatin1Char('\t'), _starts[i - 1]) + 1;
}

QString VaultEntry::field(int index) const
{
    return fieldView(index).toString();
}

QStringView VaultEntry::fieldView(int index) const
{
    const qsizetype end = index < 3 ? _starts[index + 1] - 1 : _text.size();
    return QStringView(_text).sliced(_starts[index], end - _starts[index]);
}

VaultEntry::~VaultEntry()
{
    WipeOnExit::wipe(_text);
}

VaultEntry& VaultEntry::operator=(const VaultEntry& other)
{
    if (this != &other) {
        WipeOnExit::wipe(_text);
        _text = other._text;
        std::copy(std::begin(other._starts), std::end(other._starts), std::begin(_starts));
    }
    return *this;
}

// The new text is written to a buffer of its own and the old one overwritten,
// rather than replaced in place: a replace may leave old characters beyond the
// new end or move the text and free the old buffer unwiped.
void VaultEntry::setField(int index, const QString& value)
{
    const qsizetype end = index < 3 ? _starts[index + 1] - 1 : _text.size();
    const qsizetype shift = value.size() - (end - _starts[index]);
    QString text;
    text.reserve(_text.size() + shift);
    text.append(QStringView(_text).first(_starts[index])).append(value).append(QStringView(_text).sliced(end));
    WipeOnExit::wipe(_text);
    _text = std::move(text);
    for (int i = index + 1; i < 4; ++i)
        _starts[i] += shift;
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
    setField(0, name);
}

void VaultEntry::setUser(const QString& user)
{
    checkLength(SetUserContext, user, MaxUserLength);
    setField(1, user);
}

void VaultEntry::setPassword(const QString& password)
{
    checkLength(SetPasswordContext, password, MaxPasswordLength);
    setField(2, password);
}

void VaultEntry::setComment(const QString& comment)
{
    checkLength(SetPasswordContext, comment, MaxCommentLength);
    setField(3, comment);
}

// Encodes straight into out: the writer calls this once per entry of the vault.
void VaultEntry::appendBytes(QByteArray& out) const
{
    const qsizetype start = out.size();
    const qsizetype room = _text.size() * 3; // UTF-8 takes at most 3 bytes per UTF-16 unit
    if (out.capacity() - start < room)
        out.reserve(std::max(out.capacity() * 2, start + room));
    out.resize(start + room);
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const char* const end = encoder.appendToBuffer(out.data() + start, _text);
    out.truncate(end - out.constData());
    // Broken UTF-16 (a lone surrogate) is written as QString::toUtf8 writes it,
    // which is not the encoder's way: the files must not depend on the path taken.
    if (encoder.hasError()) {
        out.truncate(start);
        out.append(_text.toUtf8());
    }
}

std::unique_ptr<QByteArray> VaultEntry::toBytes() const
{
    auto bytes = std::make_unique<QByteArray>();
    appendBytes(*bytes);
    return bytes;
}

// A tab byte never belongs to a multi-byte UTF-8 sequence, so the tabs counted
// in the bytes are exactly the tab characters of the decoded text.
std::unique_ptr<VaultEntry> VaultEntry::fromBytes(QByteArrayView line)
{
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    int tabs = 0;
    const char* firstTab = nullptr;
    for (const char* p = begin; p != end && tabs < 4; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\t', size_t(end - p)));
        if (!p)
            break;
        if (tabs++ == 0)
            firstTab = p;
    }
    if (tabs != 2 && tabs != 3)
        raise(FromBytesContext, ModuleTexts::text(QStringLiteral("IllegalEntryBuffer")));
    if (firstTab == begin)
        raise(FromBytesContext, ModuleTexts::text(QStringLiteral("EmptyEntryName")));
    if (std::memchr(begin, '\n', size_t(line.size())))
        raise(FromBytesContext, ModuleTexts::text(QStringLiteral("ForbiddenFieldCharacter")));
    // Decoded with room for the missing comment's tab, so the text is never regrown.
    QString text(line.size() + 1, Qt::Uninitialized);
    // A leading byte order mark is part of the role, as the writer wrote it:
    // dropping it would change the role, or leave none at all.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    text.truncate(decoder.appendToBuffer(text.data(), line) - text.constData());
    return std::unique_ptr<VaultEntry>(new VaultEntry(std::move(text), tabs == 2));
}
