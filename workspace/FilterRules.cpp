#include "FilterRules.h"

#include "FilterRule.h"
#include "VaultEntry.h"

FilterRules::FilterRules(QObject* parent) : QObject(parent)
{
}

FilterRules::~FilterRules()
{
    clear();
}

void FilterRules::add(int field, const QRegularExpression& expression, bool caseInsensitive)
{
    _rules.append(new FilterRule(field, expression, caseInsensitive));
}

void FilterRules::clear()
{
    while (!_rules.isEmpty())
        delete _rules.takeLast();
}

QList<FilterRule*> FilterRules::rulesFor(int field) const
{
    QList<FilterRule*> found;
    for (FilterRule* rule : _rules)
        if (rule->field() == field)
            found.append(rule);
    return found;
}

bool FilterRules::matchField(int field, QStringView text) const
{
    for (const FilterRule* rule : _rules)
        if (rule->field() == field && !rule->matches(text))
            return false;
    return true;
}

bool FilterRules::accepts(const VaultEntry* entry) const
{
    if (!entry)
        return false;
    for (int field = 0; field < 4; ++field)
        if (!matchField(field, entry->fieldView(field)))
            return false;
    return true;
}
