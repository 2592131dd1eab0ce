#pragma once

#include "Velk2Export.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRandomGenerator64>
#include <QString>

class AesPair;

// The library's engine: AES-256-CBC with PKCS#7 padding over OpenSSL, on byte
// arrays and chunked files, plus random key bytes and the password generator.
// One instance per process, used from one thread.
class VELK2_EXPORT Crypt : public QObject
{
    Q_OBJECT
public:
    static Crypt& getInstance();
    ~Crypt() override;

    void buildKey(QByteArray& out, unsigned int length);

    void encryptAES256CBC(const AesPair& pair, const QByteArray& in, QByteArray& out) const;
    void decryptAES256CBC(const AesPair& pair, const QByteArray& in, QByteArray& out) const;
    void encryptAES256CBC(const AesPair& pair, const QString& inFile, const QString& outFile) const;
    void decryptAES256CBC(const AesPair& pair, const QString& inFile, const QString& outFile) const;

    static void dumpToStdout(const QByteArray& bytes);

    // Seeded from the clock: reproducible from the start time, so never used
    // for key material.
    QRandomGenerator64& randomGenerator();

    static QList<QString> passwords(int count, int symbols, int length, bool letters, bool digits, bool lower, bool upper);

private:
    Crypt();
    Q_DISABLE_COPY_MOVE(Crypt)

    void transformFile(const AesPair& pair, const QString& inFile, const QString& outFile, bool encrypting) const;

    QRandomGenerator64 _generator;
};
