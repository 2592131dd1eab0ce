#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class Base;
class MainWindow;
class QLineEdit;
class QRadioButton;

// Shared steps of the workspace tests: vault files written by the project's own
// writer, a main window to open them in, and the check that rack list and rack
// tabs agree.
namespace WorkspaceFixture {

inline const QString Password = QStringLiteral("Test-Vault-9");

struct RackContent {
    QString name;
    int entries = 0;
    // Comment of entry i; the others have none.
    QHash<int, QString> comments = {};
};

// Writes a vault of these racks; entry i of a rack has role "role i".
bool writeVault(const QString& fileName, const QList<RackContent>& racks, const QString& password = Password);

// Rack names of a vault file, in file order; empty when it does not load.
QStringList rackNamesOf(const QString& fileName, const QString& password = Password);

// A copy of examples/demo.kovrin in folder.
QString copyDemoVault(const QString& folder);

// Shown, exposed and active.
std::unique_ptr<MainWindow> showMainWindow();

QLineEdit* lineEdit(const Base& base, const char* name);

// The child of that object name; stops the test program when there is none.
template <typename T>
T* child(QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

// A radio button takes clicks on its indicator and text only, not on the
// whole width its layout gives it.
void clickRadio(QRadioButton* button);

// Types the file name and the password on the Vault page and presses Enter.
void typeAndLoad(Base& base, const QString& fileName, const QString& password);

// Fixed pages in front; rack at list position i in tab i + 2, with that tab
// index and the rack's name as tab text. Fails the current test otherwise.
void checkRackTabs(const Base& base);

// Lines the default logger wrote since the last call (level tag and message).
QStringList takeLogLines();
void captureDefaultLog();

} // namespace WorkspaceFixture

#define CHECK_RACK_TABS(base)                                                                                        \
    do {                                                                                                             \
        WorkspaceFixture::checkRackTabs(base);                                                                       \
        if (QTest::currentTestFailed())                                                                              \
            return;                                                                                                  \
    } while (false)
