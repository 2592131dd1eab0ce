#pragma once

// Keeps the open vault's plaintext inside the process: no core file on a crash,
// and other processes of the same user cannot attach to it or read its memory.
class ProcessHardening
{
public:
    // Applies both settings; true when both took effect (always false off Linux).
    static bool apply();

    // What is in effect now.
    static bool coreDumpsDisabled();
    static bool dumpable();
};
