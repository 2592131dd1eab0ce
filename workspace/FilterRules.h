#pragma once

#include <QList>
#include <QObject>
#include <QRegularExpression>
#include <QStringView>

class FilterRule;
class VaultEntry;

// The rules of a rack's search line, all of which an entry must satisfy.
// Owns its rules.
class FilterRules : public QObject
{
    Q_OBJECT
public:
    explicit FilterRules(QObject* parent = nullptr);
    ~FilterRules() override;

    void add(int field, const QRegularExpression& expression, bool caseInsensitive);
    void clear();
    bool isEmpty() const { return _rules.isEmpty(); }
    const QList<FilterRule*>& rules() const { return _rules; }
    QList<FilterRule*> rulesFor(int field) const;

    // True when every rule of field matches text (or field has none).
    bool matchField(int field, QStringView text) const;
    // False for a null entry; otherwise every field matches.
    bool accepts(const VaultEntry* entry) const;

private:
    QList<FilterRule*> _rules;
};
