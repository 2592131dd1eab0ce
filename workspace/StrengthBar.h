#pragma once

#include "PasswordStrength.h"

#include <QWidget>

class QLabel;
class QProgressBar;

// How strong a typed or generated password is: a thin coloured bar and the
// word beside it (the word for those who do not see colours), the estimate's
// details in the tool tip and the accessible description. Only informs: the
// password is estimated and let go, never kept here.
class StrengthBar : public QWidget
{
    Q_OBJECT
public:
    explicit StrengthBar(QWidget* parent = nullptr);

    // userWords: what an attacker may know of the entry (its role, account).
    void setPassword(const QString& password, const QStringList& userWords = {});
    // The weakest of several, said so when there is more than one.
    void setPasswords(const QStringList& passwords);
    void clear();

    // Of the password shown (the weakest of several); a default estimate
    // when there is none.
    PasswordStrength::Estimate estimate() const { return _estimate; }
    bool hasPassword() const { return _count > 0; }
    // The word shown, empty without a password.
    QString word() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void showEstimate(const PasswordStrength::Estimate& estimate, int count);
    void applyColour();

    QProgressBar* _pgbStrength = nullptr;
    QLabel* _lblStrength = nullptr;
    PasswordStrength::Estimate _estimate;
    int _count = 0; // passwords estimated: 0 for none
};
