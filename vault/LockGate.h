#pragma once

#include <functional>

class QDialog;

// Locking takes the vault away from under everything that uses it, so a lock
// never runs while one of our frames waits in a nested event loop (a box, a
// dialog): that frame holds pieces of the vault on its stack. A lock asked
// meanwhile closes those boxes and dialogs as if cancelled, has every box that
// would open meanwhile answer "cancelled" at once, and runs from the event
// loop once the last of those frames has returned.
class LockGate
{
public:
    // Held around every nested event loop of ours.
    class Hold
    {
    public:
        Hold();
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
    };

    // Asks for lock to run as soon as no Hold is alive, from the event loop
    // (never within the caller's frame). A second request before the first
    // ran replaces it.
    static void request(std::function<void()> lock);
    // A lock is waiting: boxes and dialogs answer "cancelled" without showing.
    static bool isClosing();
    // Holds alive now.
    static int holds();

    // Runs the dialog's event loop with a Hold; Rejected at once while a lock
    // is waiting, and when a lock closed it.
    static int exec(QDialog& dialog);
    // True when the dialog was closed by a lock (its answer means nothing).
    static bool wasInterrupted(int generationBefore);
    // Counts the locks requested so far: compare before and after a loop.
    static int generation();

private:
    static void runWhenFree();
};
