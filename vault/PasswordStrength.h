#pragma once

#include <QString>
#include <QStringList>

// How hard a password is to guess, as zxcvbn estimates it. Everything that
// shows or reports a strength asks this class. Safe to call from any thread.
class PasswordStrength
{
public:
    // Only the first MaxLength characters are estimated: a longer password
    // is at least as strong as its beginning, and the estimate's cost grows
    // fast with the length.
    static constexpr int MaxLength = 256;
    // Guesses per second of an attacker who holds a slowly hashed copy.
    static constexpr double GuessesPerSecond = 1e4;

    struct Estimate {
        int score = 0;             // 0 (very weak) to 4 (very strong)
        double guessesLog10 = 0;   // log10 of the estimated guesses
        QString crackTime;         // "3 hours", at GuessesPerSecond
        bool operator==(const Estimate&) const = default;
    };

    // userWords: what the attacker may know of the entry (its role, its
    // account), counted as very guessable.
    static Estimate estimate(const QString& password, const QStringList& userWords = {});

    // The score from the estimated guesses, by zxcvbn's own thresholds.
    static int scoreOf(double guessesLog10);
    // "very weak" ... "very strong", in the interface language.
    static QString word(int score);
    // The time to try that many guesses, in words ("less than a second",
    // "3 hours", "centuries").
    static QString crackTimeText(double guessesLog10);
    // What the bar's tooltip says: the word, the guesses and the time.
    static QString description(const Estimate& estimate);
};
