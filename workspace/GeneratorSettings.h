#pragma once

// The password page's settings, as the rack views read them when they propose
// passwords for a new entry. The workspace implements it; tests use a fake.
class GeneratorSettings
{
public:
    virtual ~GeneratorSettings() = default;

    virtual int charsCount() const = 0;
    virtual int passwordsCount() const = 0;
    virtual bool isLowerCaseChecked() const = 0;
    virtual bool isUpperCaseChecked() const = 0;
    virtual bool isNumberChecked() const = 0;
    virtual bool isSymbolChecked() const = 0;
};
