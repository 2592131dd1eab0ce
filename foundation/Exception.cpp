#include "Exception.h"

Exception::Exception(const QString& detail, std::shared_ptr<Exception> parent)
    : _detail(detail), _parent(std::move(parent)), _what(detail.toUtf8())
{
}

Exception::Exception(const Exception& other) = default;
Exception& Exception::operator=(const Exception& other) = default;
Exception::~Exception() = default;

const char* Exception::what() const noexcept
{
    return _what.constData();
}

void Exception::raise() const
{
    throw *this;
}

Exception* Exception::clone() const
{
    return new Exception(*this);
}

QString Exception::detail() const
{
    return _detail;
}

std::shared_ptr<Exception> Exception::parent() const
{
    return _parent;
}
