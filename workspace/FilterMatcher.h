#pragma once

#include <QRegularExpression>
#include <QStringView>

#include <vector>

class FilterRules;

// The rules of one filter as a plain value, copied out of the rack's FilterRules
// so that entries can be matched on other threads while the search line is
// parsed again. It accepts exactly what FilterRules::accepts accepts.
class FilterMatcher
{
public:
    // Accepts every entry.
    FilterMatcher() = default;
    explicit FilterMatcher(const FilterRules& rules);

    bool isEmpty() const { return _rules.empty(); }
    // The same rules in expressions of their own. Copies of an expression
    // share one counted state, which every match takes and releases: threads
    // matching with one expression at once fight over it, so each chunk of
    // rows takes its own.
    FilterMatcher unshared() const;
    // One entry's four fields joined by tabs (VaultEntry::textView()).
    bool accepts(QStringView entryText) const;

private:
    struct Rule {
        int field;
        QRegularExpression expression;
        // An invalid expression matches every text (FilterRule::matches).
        bool valid;
    };
    // In field order, each field's rules in the order of the search line:
    // the order FilterRules tests them in.
    std::vector<Rule> _rules;
};
