#include "WorkspaceFixture.h"

#include "Base.h"
#include "Log.h"
#include "Logger.h"
#include "MainWindow.h"
#include "Model.h"
#include "Rack.h"
#include "RackModel.h"
#include "VaultEntry.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

namespace WorkspaceFixture {

bool writeVault(const QString& fileName, const QList<RackContent>& racks, const QString& password)
{
    QTabWidget tabs;
    auto model = std::make_shared<Model>(nullptr, fileName, Model::keyFromPassword(password), &tabs);
    for (const RackContent& content : racks) {
        auto* rack = new RackModel(model, content.name);
        if (!model->addRackModel(rack))
            return false;
        for (int i = 0; i < content.entries; ++i)
            rack->appendEntry(new VaultEntry(QStringLiteral("role %1").arg(i), QStringLiteral("user"),
                                             QStringLiteral("secret %1").arg(i), content.comments.value(i)));
    }
    model->saveVault(true);
    return QFile::exists(fileName);
}

QStringList rackNamesOf(const QString& fileName, const QString& password)
{
    QTabWidget tabs;
    try {
        const auto key = Model::keyFromPassword(password);
        return Model::loadVault(fileName, *key, &tabs, nullptr)->rackNames();
    } catch (...) {
        return {};
    }
}

QString copyDemoVault(const QString& folder)
{
    const QString target = folder + QStringLiteral("/demo.kovrin");
    QFile::remove(target);
    if (!QFile::copy(QStringLiteral(KOVRIN_SOURCE_DIR "/examples/demo.kovrin"), target))
        return {};
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

std::unique_ptr<MainWindow> showMainWindow()
{
    auto window = std::make_unique<MainWindow>();
    window->resize(900, 600);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("main window not exposed");
    return window;
}

void clickRadio(QRadioButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

QLineEdit* lineEdit(const Base& base, const char* name)
{
    return base.findChild<QLineEdit*>(QLatin1String(name));
}

void typeAndLoad(Base& base, const QString& fileName, const QString& password)
{
    base.selectTab(0);
    QLineEdit* file = lineEdit(base, "_tbxVaultFile");
    QLineEdit* secret = lineEdit(base, "_tbxPassword");
    file->clear();
    secret->clear();
    QTest::keyClicks(file, fileName);
    QTest::keyClicks(secret, password);
    QTest::keyClick(secret, Qt::Key_Return);
}

void checkRackTabs(const Base& base)
{
    QVERIFY(base.count() >= 2);
    QCOMPARE(base.widget(0)->objectName(), QStringLiteral("_tabFiles"));
    QCOMPARE(base.widget(1)->objectName(), QStringLiteral("_tabPasswords"));
    const std::shared_ptr<Model> model = base.model();
    if (!model) {
        QCOMPARE(base.count(), 2);
        return;
    }
    const Model::RackList racks = *model->racks();
    QCOMPARE(base.count(), int(racks.size()) + 2);
    for (int i = 0; i < int(racks.size()); ++i) {
        Rack* rack = base.rackAt(i + 2);
        QVERIFY2(rack, qPrintable(QStringLiteral("no rack view in tab %1").arg(i + 2)));
        QCOMPARE(rack->rackModel(), racks.at(i));
        QCOMPARE(racks.at(i)->tabIndex(), i + 2);
        QCOMPARE(base.tabText(i + 2), racks.at(i)->name());
        QCOMPARE(rack->name(), racks.at(i)->name());
        QCOMPARE(base.rackNamed(rack->name()), rack);
    }
}

namespace {
QStringList s_lines;

void keep(LoggerLevel::LogLevel level, const QString& message, QString& output)
{
    s_lines.append(QStringLiteral("%1 %2").arg(int(level)).arg(message));
    output = message;
}
} // namespace

void captureDefaultLog()
{
    Log::getInstance().log()->setFormatter(&keep);
    Log::getInstance().log()->disableTee();
}

QStringList takeLogLines()
{
    QStringList lines;
    lines.swap(s_lines);
    return lines;
}

} // namespace WorkspaceFixture
