#include "Help.h"

#include "MessageBoxes.h"
#include "ModuleTexts.h"
#include "UiHelp.h"

#include <QFile>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextBrowser>

Help::Help(const QString& lang, QWidget* parent) : QDialog(parent), _ui(std::make_unique<UiHelp>()), _lang(lang)
{
    _ui->setupUi(this);
    ModuleTexts::load(QStringLiteral("Help"));
    setWindowTitle(ModuleTexts::text(QStringLiteral("windowTitle"), QStringLiteral("Help")));
    _ui->_btnOk->setText(ModuleTexts::text(QStringLiteral("_btnOk.text"), QStringLiteral("Help")));
    _ui->_tbw->setAccessibleName(ModuleTexts::text(QStringLiteral("LegalNotice")));
    connect(_ui->_btnOk, &QPushButton::clicked, this, &Help::onClosing);
}

Help::~Help() = default;

QString Help::resourceName(const QString& lang)
{
    return QStringLiteral(":html/notice_%1.html").arg(lang);
}

void Help::loadContent()
{
    const QString name = resourceName(_lang);
    QFile notice(name);
    if (!notice.open(QIODevice::ReadOnly | QIODevice::ExistingOnly)) {
        MessageBoxes::critical(nullptr, ModuleTexts::text(QStringLiteral("ResourceOpeningFailure")).arg(name),
                               ModuleTexts::text(QStringLiteral("ResourceOpeningFailureDetail")));
        return;
    }
    const QString html = QString::fromUtf8(notice.readAll());
    notice.close();
    _ui->_tbw->setHtml(html);
}

void Help::onClosing()
{
    accept();
}

void Help::resizeEvent(QResizeEvent* event)
{
    const int w = event->size().width();
    const int h = event->size().height();
    _ui->_tbw->setGeometry(QRect(QPoint(9, 0), QPoint(w - 21, h - 51)));
    _ui->_btnOk->setGeometry(QRect(QPoint(w - 130, h - 40), QPoint(w - 20, h - 8)));
    QDialog::resizeEvent(event);
}
