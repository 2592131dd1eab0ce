#pragma once

#include "Exception.h"

#include <QString>

// Builds the library's error messages: a context text followed by a text of the
// "cipher" bundle (or of the foundation library's "zemb" bundle for file texts).
class CipherError
{
public:
    static QString text(const QString& key, const QString& module = QStringLiteral("cipher"));
    // The most recent error of OpenSSL's queue as text; the queue is emptied so
    // that a later failure does not report a stale error.
    static QString openssl();
    [[noreturn]] static void raise(const QString& context, const QString& message);
};
