#pragma once

#include "Zemb1Export.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// Something that encrypts and decrypts bytes, and text through Base64. The
// crypto library provides the implementations.
class ZEMB1_EXPORT ICrypter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ICrypter() override;

    virtual void decryptFromBase64(const QString& in, QString& out) = 0;
    virtual void encryptToBase64(const QString& in, QString& out) = 0;
    virtual void decrypt(const QByteArray& in, QByteArray& out) = 0;
    virtual void encrypt(const QByteArray& in, QByteArray& out) = 0;
};
