#include "FilterMatcher.h"

#include "FilterRule.h"
#include "FilterRules.h"

#include <algorithm>

FilterMatcher::FilterMatcher(const FilterRules& rules)
{
    for (const FilterRule* rule : rules.rules())
        _rules.push_back({rule->field(), rule->expression(), rule->expression().isValid()});
    std::stable_sort(_rules.begin(), _rules.end(), [](const Rule& a, const Rule& b) { return a.field < b.field; });
}

FilterMatcher FilterMatcher::unshared() const
{
    FilterMatcher copy;
    for (const Rule& rule : _rules)
        copy._rules.push_back(
            {rule.field, QRegularExpression(rule.expression.pattern(), rule.expression.patternOptions()), rule.valid});
    return copy;
}

bool FilterMatcher::accepts(QStringView entryText) const
{
    // Fields hold no tab: the text splits into the four fields at its tabs.
    int field = 0;
    qsizetype start = 0;
    qsizetype end = entryText.indexOf(QLatin1Char('\t'));
    for (const Rule& rule : _rules) {
        while (field < rule.field) {
            ++field;
            start = end < 0 ? entryText.size() : end + 1;
            end = entryText.indexOf(QLatin1Char('\t'), start);
        }
        const QStringView text = entryText.sliced(start, (end < 0 ? entryText.size() : end) - start);
        if (rule.valid && !FilterRule::found(rule.expression, text))
            return false;
    }
    return true;
}
