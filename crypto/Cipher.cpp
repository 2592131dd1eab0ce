#include "Cipher.h"

namespace {
constexpr int Major = 2;
constexpr int Minor = 1;
constexpr int Patch = 1;
constexpr qint64 Build = 202604091518;
} // namespace

QString Cipher::version()
{
    return QStringLiteral("%1.%2.%3 (%4)").arg(Major).arg(Minor).arg(Patch).arg(Build);
}
