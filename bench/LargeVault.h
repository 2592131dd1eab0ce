#pragma once

#include <QtGlobal>

#include <memory>

class Model;
class QRandomGenerator;
class VaultEntry;

// The largest vault a file can hold: realistic entries spread over 20 racks
// until the plaintext reaches the 4 MiB file limit (about 45,000 entries).
// The same every run.
class LargeVault
{
public:
    static constexpr int RackCount = 20;

    static void fill(const std::shared_ptr<Model>& model);
    // One realistic entry whose role carries number (new, the caller's).
    static VaultEntry* entry(QRandomGenerator& random, qint64 number);
};
