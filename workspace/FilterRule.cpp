#include "FilterRule.h"

FilterRule::FilterRule(int field, const QRegularExpression& expression, bool caseInsensitive, QObject* parent)
    : QObject(parent), _field(field), _expression(expression)
{
    if (caseInsensitive)
        _expression.setPatternOptions(_expression.patternOptions() | QRegularExpression::CaseInsensitiveOption);
}

FilterRule::FilterRule(const FilterRule& other) : QObject(nullptr), _field(other._field), _expression(other._expression)
{
}

bool FilterRule::matches(const QRegularExpression& expression, QStringView text)
{
    return !expression.isValid() || found(expression, text);
}

bool FilterRule::found(const QRegularExpression& expression, QStringView text)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    return expression.matchView(text).hasMatch();
#else
    return expression.match(text).hasMatch();
#endif
}
