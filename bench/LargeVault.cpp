#include "LargeVault.h"

#include "Model.h"
#include "RackModel.h"
#include "VaultEntry.h"

#include <QRandomGenerator>
#include <QStringList>

#include <vector>

namespace {
// Largest plaintext whose ciphertext (one padding block more) stays within 4 MiB.
constexpr qsizetype PlainLimit = Model::MaxCipheredSize - 1;

const char* const Words[] = {"mail",   "bank",    "shop",   "forum",  "cloud", "music", "video",  "news",
                             "travel", "insurance", "energy", "phone", "school", "health", "games", "library"};
const char* const Domains[] = {"example.com", "example.org", "example.net", "mail.example.fr"};
const char* const Comments[] = {"",
                                "",
                                "Recovery codes in the safe",
                                "Shared with the family",
                                "Question secrète : ville natale",
                                "Card ends in 4242, renewal in June",
                                "Old account, keep for the archives",
                                "Two-factor by SMS on the work phone"};

QString randomPassword(QRandomGenerator& random)
{
    static const QString chars = QStringLiteral(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&()*+,-./");
    QString password;
    const int length = 12 + int(random.bounded(9));
    for (int i = 0; i < length; ++i)
        password.append(chars.at(random.bounded(int(chars.size()))));
    return password;
}

} // namespace

VaultEntry* LargeVault::entry(QRandomGenerator& random, qint64 number)
{
    const QString word = QString::fromLatin1(Words[random.bounded(16)]);
    const QString domain = QString::fromLatin1(Domains[random.bounded(4)]);
    const QString role = QStringLiteral("%1-%2.%3").arg(word).arg(number).arg(domain);
    const QString user = QStringLiteral("user.%1@%2").arg(random.bounded(100000)).arg(domain);
    const QString password = randomPassword(random);
    return new VaultEntry(role, user, password, QString::fromUtf8(Comments[random.bounded(8)]));
}

// Realistic entries, spread over the racks, up to the plaintext limit.
void LargeVault::fill(const std::shared_ptr<Model>& model)
{
    QRandomGenerator random(20240611);
    std::vector<QList<VaultEntry*>> racks(RackCount);
    QStringList names;
    qsizetype size = 0;
    for (int r = 0; r < RackCount; ++r) {
        names.append(QStringLiteral("Rack %1 – %2").arg(r + 1).arg(QString::fromLatin1(Words[r % 16])));
        size += QByteArray("\n\nSegment:\n").size() + names.last().toUtf8().size();
    }
    for (int i = 0;; ++i) {
        VaultEntry* entry = LargeVault::entry(random, i);
        const qsizetype line = entry->toBytes()->size() + 1;
        if (size + line > PlainLimit) {
            delete entry;
            break;
        }
        size += line;
        racks[size_t(i % RackCount)].append(entry);
    }
    for (int r = 0; r < RackCount; ++r) {
        auto* rack = new RackModel(model, names[r]);
        rack->setEntries(racks[size_t(r)]);
        model->addRackModel(rack);
    }
}
