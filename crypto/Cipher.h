#pragma once

#include "Velk2Export.h"

#include <QString>

// Identity of the crypto library.
class VELK2_EXPORT Cipher
{
public:
    static QString version();
};
