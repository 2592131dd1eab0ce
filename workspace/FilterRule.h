#pragma once

#include <QObject>
#include <QRegularExpression>
#include <QStringView>

// One expression of the search line, bound to one field of the entries
// (0 role, 1 user, 2 password, 3 comment).
class FilterRule : public QObject
{
    Q_OBJECT
public:
    FilterRule(int field, const QRegularExpression& expression, bool caseInsensitive, QObject* parent = nullptr);
    FilterRule(const FilterRule& other);

    int field() const { return _field; }
    const QRegularExpression& expression() const { return _expression; }
    // True for an invalid expression; otherwise whether it is found anywhere in text.
    bool matches(QStringView text) const { return matches(_expression, text); }
    // The same test for any expression; safe from several threads at once.
    static bool matches(const QRegularExpression& expression, QStringView text);
    // Whether a valid expression is found anywhere in text.
    static bool found(const QRegularExpression& expression, QStringView text);

private:
    int _field;
    QRegularExpression _expression;
};
