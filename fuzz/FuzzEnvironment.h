#pragma once

#include <QByteArrayView>
#include <QString>

// What a harness sets up once, from LLVMFuzzerInitialize: a private home and
// folder (the code under test may write logs, backups or trash there), English
// texts, Qt's messages dropped (a line per input would drown the fuzzer's own
// report) and the application object, whose constructor runs the libraries'
// start-up routines.
class FuzzEnvironment
{
public:
    // Widgets: a QApplication on the offscreen platform, for the vault model's tab widget.
    enum class Application { Core, Widgets };

    static void init(Application application);
    // The private folder; it lives as long as the process.
    static QString folder();
    // Writes bytes to name in the private folder, replacing what was there;
    // returns the file's path.
    static QString writeFile(const QString& name, QByteArrayView bytes);
};

// The fuzzer's set-up hook of a harness, with the application object it needs.
#define KOVRIN_FUZZ_ENVIRONMENT(application)                                                                          \
    extern "C" int LLVMFuzzerInitialize(int*, char***)                                                               \
    {                                                                                                                \
        FuzzEnvironment::init(FuzzEnvironment::Application::application);                                            \
        return 0;                                                                                                    \
    }
