// Times the engine on a vault-sized buffer against bare EVP calls, and the
// password generator against drawing the same amount of system randomness.
#include "AesPair.h"
#include "Crypt.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {
constexpr qsizetype Size = 4 * 1024 * 1024;
constexpr int Rounds = 41;

const QByteArray Iv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray Key = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");

// Bare EVP: one context, update and final into a buffer allocated once.
int rawEvp(bool encrypting, const QByteArray& in, std::vector<unsigned char>& out)
{
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int len = 0;
    int total = 0;
    EVP_CipherInit_ex(ctx, EVP_aes_256_cbc(), nullptr, reinterpret_cast<const unsigned char*>(Key.constData()),
                      reinterpret_cast<const unsigned char*>(Iv.constData()), encrypting ? 1 : 0);
    EVP_CipherUpdate(ctx, out.data(), &len, reinterpret_cast<const unsigned char*>(in.constData()), int(in.size()));
    total = len;
    EVP_CipherFinal_ex(ctx, out.data() + total, &len);
    EVP_CIPHER_CTX_free(ctx);
    return total + len;
}

// Median time in microseconds of each of two operations, run alternately so
// that both see the same machine load.
std::pair<double, double> medians(const std::function<void()>& operation, const std::function<void()>& baseline)
{
    std::vector<double> a;
    std::vector<double> b;
    QElapsedTimer timer;
    const auto time = [&timer](const std::function<void()>& call, std::vector<double>& into) {
        timer.start();
        call();
        into.push_back(double(timer.nsecsElapsed()) / 1000.0);
    };
    // Each goes first every other round, so neither always runs on a warm cache.
    for (int i = 0; i < Rounds; ++i) {
        if (i % 2 == 0) {
            time(operation, a);
            time(baseline, b);
        } else {
            time(baseline, b);
            time(operation, a);
        }
    }
    std::nth_element(a.begin(), a.begin() + Rounds / 2, a.end());
    std::nth_element(b.begin(), b.begin() + Rounds / 2, b.end());
    return {a[Rounds / 2], b[Rounds / 2]};
}

void report(const char* what, std::pair<double, double> times, const char* baseline)
{
    std::printf("%-34s %10.1f us   %-28s %10.1f us   ratio %.3f\n", what, times.first, baseline, times.second,
                times.first / times.second);
}
} // namespace

int main()
{
    const AesPair pair(Iv, Key);
    QByteArray plain(Size, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(plain.data()), Size / 4);

    QByteArray cipher;
    Crypt::getInstance().encryptAES256CBC(pair, plain, cipher);
    std::vector<unsigned char> buffer(size_t(Size + 32));
    if (rawEvp(true, plain, buffer) != cipher.size()
        || std::memcmp(buffer.data(), cipher.constData(), size_t(cipher.size())) != 0)
        return std::puts("raw EVP and Crypt disagree"), 1;

    QByteArray out;
    report("Crypt encrypt 4 MiB",
           medians([&] { Crypt::getInstance().encryptAES256CBC(pair, plain, out); }, [&] { rawEvp(true, plain, buffer); }),
           "raw EVP encrypt 4 MiB");
    report("Crypt decrypt 4 MiB",
           medians([&] { Crypt::getInstance().decryptAES256CBC(pair, cipher, out); }, [&] { rawEvp(false, cipher, buffer); }),
           "raw EVP decrypt 4 MiB");
    if (out != plain)
        return std::puts("decryption differs"), 1;

    // 99 passwords of 256 characters from all 90 allowed codes take about
    // 99 * 256 * 94 / 90 draws.
    std::vector<quint32> draws(size_t(99 * 256 * 94 / 90));
    qsizetype produced = 0;
    report("passwords(99, 3, 256, all)",
           medians([&] { produced += Crypt::passwords(99, 3, 256, true, true, true, true).size(); },
                   [&] { QRandomGenerator::system()->fillRange(draws.data(), qsizetype(draws.size())); }),
           "same draws, system generator");
    return produced == 99 * Rounds ? 0 : 1;
}
