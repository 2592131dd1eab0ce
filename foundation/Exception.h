#pragma once

#include "Zemb1Export.h"

#include <QByteArray>
#include <QException>
#include <QString>

#include <memory>

// The one exception type of the system. Its detail is the throwing function's
// context text followed by a translated message; parent is the exception it
// wraps, if any. Thrown by value, caught by reference.
class ZEMB1_EXPORT Exception : public QException
{
public:
    explicit Exception(const QString& detail, std::shared_ptr<Exception> parent = nullptr);
    Exception(const Exception& other);
    Exception& operator=(const Exception& other);
    ~Exception() override;

    const char* what() const noexcept override;
    void raise() const override;
    Exception* clone() const override;

    QString detail() const;
    std::shared_ptr<Exception> parent() const;

private:
    QString _detail;
    std::shared_ptr<Exception> _parent;
    QByteArray _what; // UTF-8 of _detail, kept so what() can hand out a stable pointer
};
