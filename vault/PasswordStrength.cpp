#include "PasswordStrength.h"

#include "ModuleTexts.h"
#include "WipeOnExit.h"

#include <zxcvbn.h>

#include <QByteArray>
#include <QList>

#include <array>
#include <cmath>
#include <vector>

namespace {
QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

// log10(2): zxcvbn's C port answers in bits.
constexpr double Log10Of2 = 0.30102999566398120;
} // namespace

PasswordStrength::Estimate PasswordStrength::estimate(const QString& password, const QStringList& userWords)
{
    QByteArray utf8 = password.left(MaxLength).toUtf8();
    const WipeOnExit wipePassword(utf8);
    QList<QByteArray> words;
    for (const QString& word : userWords)
        if (!word.isEmpty())
            words.append(word.left(MaxLength).toUtf8());
    std::vector<const char*> dictionary;
    dictionary.reserve(size_t(words.size()) + 1);
    for (const QByteArray& word : words)
        dictionary.push_back(word.constData());
    dictionary.push_back(nullptr);

    const double bits = utf8.isEmpty() ? 0.0 : ZxcvbnMatch(utf8.constData(), dictionary.data(), nullptr);
    for (QByteArray& word : words)
        WipeOnExit::wipe(word);
    Estimate result;
    result.guessesLog10 = std::max(0.0, bits * Log10Of2);
    result.score = scoreOf(result.guessesLog10);
    result.crackTime = crackTimeText(result.guessesLog10);
    return result;
}

int PasswordStrength::scoreOf(double guessesLog10)
{
    // zxcvbn: fewer than 10^3 guesses is 0, 10^6 is 1, 10^8 is 2, 10^10 is 3.
    constexpr std::array<double, 4> limits = {3, 6, 8, 10};
    int score = 0;
    while (score < int(limits.size()) && guessesLog10 >= limits[size_t(score)])
        ++score;
    return score;
}

QString PasswordStrength::word(int score)
{
    static const char* const keys[] = {"StrengthVeryWeak", "StrengthWeak", "StrengthFair", "StrengthStrong",
                                       "StrengthVeryStrong"};
    return text(keys[std::clamp(score, 0, 4)]);
}

QString PasswordStrength::crackTimeText(double guessesLog10)
{
    const double seconds = std::pow(10.0, guessesLog10) / GuessesPerSecond;
    struct Unit {
        double seconds;
        const char* one;
        const char* many;
    };
    static const Unit units[] = {
        {1, "CrackTimeSecond", "CrackTimeSeconds"},
        {60, "CrackTimeMinute", "CrackTimeMinutes"},
        {3600, "CrackTimeHour", "CrackTimeHours"},
        {86400, "CrackTimeDay", "CrackTimeDays"},
        {86400 * 31, "CrackTimeMonth", "CrackTimeMonths"},
        {86400 * 365.25, "CrackTimeYear", "CrackTimeYears"},
    };
    if (seconds < 1)
        return text("CrackTimeInstant");
    if (seconds >= 100 * units[5].seconds)
        return text("CrackTimeCenturies");
    const Unit* unit = &units[0];
    for (const Unit& candidate : units)
        if (seconds >= candidate.seconds)
            unit = &candidate;
    const qint64 count = qint64(std::llround(std::floor(seconds / unit->seconds)));
    return text(count == 1 ? unit->one : unit->many).arg(count);
}

QString PasswordStrength::description(const Estimate& estimate)
{
    return text("StrengthDescription")
        .arg(word(estimate.score))
        .arg(QString::number(estimate.guessesLog10, 'f', 1))
        .arg(estimate.crackTime);
}
