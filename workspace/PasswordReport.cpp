#include "PasswordReport.h"

#include "Base.h"
#include "Log.h"
#include "MessageBoxes.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordReportModel.h"
#include "Rack.h"
#include "RackModel.h"
#include "SlotGuard.h"
#include "UiPasswordReport.h"
#include "VaultEntry.h"

#include <QHeaderView>
#include <QSortFilterProxyModel>

namespace {
const QString Module = QStringLiteral("PasswordReport");

QString message(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}
} // namespace

PasswordReport::PasswordReport(Base* base, QWidget* parent)
    : QDialog(parent), _ui(std::make_unique<UiPasswordReport>()), _base(base), _log(Log::getInstance().log())
{
    _ui->setupUi(this);
    _model = new PasswordReportModel(this);
    _proxy = new QSortFilterProxyModel(this);
    _proxy->setSourceModel(_model);
    _proxy->setSortRole(PasswordReportModel::SortRole);
    _proxy->setSortCaseSensitivity(Qt::CaseInsensitive);
    _proxy->setFilterRole(PasswordReportModel::FindingKeysRole);
    _proxy->setFilterKeyColumn(PasswordReportModel::FindingColumn);
    _ui->_tvwFindings->setModel(_proxy);
    _ui->_tvwFindings->sortByColumn(PasswordReportModel::StrengthColumn, Qt::AscendingOrder);
    loadTexts();

    connect(_ui->_btnRefresh, &QPushButton::clicked, this, &PasswordReport::onRefreshing);
    connect(_ui->_btnCancel, &QPushButton::clicked, this, &PasswordReport::onCancelling);
    connect(_ui->_btnClose, &QPushButton::clicked, this, &QDialog::close);
    connect(_ui->_tvwFindings, &QAbstractItemView::activated, this, &PasswordReport::onRowActivated);
    connect(_ui->_cbxFinding, &QComboBox::currentIndexChanged, this,
            [this](int index) { setFindingFilter(_ui->_cbxFinding->itemData(index).toInt()); });
    connect(_model, &PasswordReportModel::runningChanged, this, &PasswordReport::showRunning);
    connect(_model, &PasswordReportModel::progressChanged, this, [this](qsizetype done, qsizetype total) {
        _ui->_pgbRun->setRange(0, int(std::max<qsizetype>(total, 1)));
        _ui->_pgbRun->setValue(int(total > 0 ? done : 1));
    });
    connect(_model, &PasswordReportModel::finished, this, &PasswordReport::showSummary);
    connect(_model, &PasswordReportModel::failed, this, [this](std::exception_ptr error) {
        guard("void PasswordReport::failed(std::exception_ptr) -> ", [error] { std::rethrow_exception(error); });
    });
    if (_base)
        connect(_base, &Base::vaultPresenceChanged, this, &PasswordReport::vaultPresenceChanged);
    showRunning(false);
    showSummary();
}

PasswordReport::~PasswordReport() = default;

void PasswordReport::loadTexts()
{
    ModuleTexts::load(Module);
    const auto text = [](const QString& key) { return ModuleTexts::text(key, Module); };
    setWindowTitle(text(QStringLiteral("windowTitle")));
    const QList<QWidget*> widgets{_ui->_lblSummary, _ui->_lblFinding, _ui->_cbxFinding, _ui->_tvwFindings,
                                  _ui->_pgbRun,     _ui->_btnRefresh, _ui->_btnCancel,  _ui->_btnClose};
    for (QWidget* widget : widgets) {
        const QString name = widget->objectName();
        widget->setToolTip(text(name + QStringLiteral(".tooltip")));
        if (qobject_cast<QLabel*>(widget) && widget != _ui->_lblSummary)
            static_cast<QLabel*>(widget)->setText(text(name + QStringLiteral(".text")));
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(text(name + QStringLiteral(".text")));
        if (!qobject_cast<QLabel*>(widget) || widget == _ui->_lblSummary)
            widget->setAccessibleName(text(name + QStringLiteral(".accessibleName")));
    }
    _ui->_cbxFinding->addItem(text(QStringLiteral("FindingAll")), 0);
    _ui->_cbxFinding->addItem(text(QStringLiteral("FindingWeak")), int(PasswordReportModel::Weak));
    _ui->_cbxFinding->addItem(text(QStringLiteral("FindingReused")), int(PasswordReportModel::Reused));
    _ui->_cbxFinding->addItem(text(QStringLiteral("FindingEmpty")), int(PasswordReportModel::Empty));
}

void PasswordReport::guard(const char* context, const std::function<void()>& body)
{
    (void)SlotGuard::run(this, QLatin1String(context), _log, body);
}

void PasswordReport::setFindingFilter(int finding)
{
    const int index = _ui->_cbxFinding->findData(finding);
    if (index >= 0 && index != _ui->_cbxFinding->currentIndex()) {
        _ui->_cbxFinding->setCurrentIndex(index); // comes back here
        return;
    }
    const auto key = PasswordReportModel::Finding(finding);
    _proxy->setFilterFixedString(finding ? QLatin1Char('|') + PasswordReportModel::findingKey(key) + QLatin1Char('|')
                                         : QString());
}

void PasswordReport::showSummary()
{
    if (!_model->hasResult()) {
        _ui->_lblSummary->setText(_model->isRunning() ? message("ReportRunning") : QString());
        return;
    }
    const PasswordReportModel::Summary& summary = _model->summary();
    _ui->_lblSummary->setText(message("ReportSummary")
                                  .arg(summary.checked)
                                  .arg(summary.weak)
                                  .arg(summary.reusedGroups)
                                  .arg(summary.empty));
}

void PasswordReport::showRunning(bool running)
{
    _ui->_btnCancel->setEnabled(running);
    _ui->_btnRefresh->setEnabled(!running);
    if (!running && !_model->hasResult())
        _ui->_pgbRun->setValue(_ui->_pgbRun->minimum());
    showSummary();
}

void PasswordReport::onRefreshing(bool)
{
    guard("void PasswordReport::onRefreshing(bool) -> ", [this] {
        const std::shared_ptr<Model> vault = _base ? _base->model() : nullptr;
        if (!vault)
            return;
        _model->run(*vault);
        showSummary();
    });
}

void PasswordReport::onCancelling(bool)
{
    guard("void PasswordReport::onCancelling(bool) -> ", [this] { _model->cancel(); });
}

void PasswordReport::onRowActivated(const QModelIndex& index)
{
    guard("void PasswordReport::onRowActivated(const QModelIndex&) -> ", [this, index] {
        const QModelIndex source = _proxy->mapToSource(index);
        const std::shared_ptr<Model> vault = _base ? _base->model() : nullptr;
        if (!source.isValid() || !vault)
            return;
        const PasswordReportModel::Row& row = _model->row(source.row());
        Rack* rack = _base->rackNamed(row.rack);
        RackModel* rackModel = rack ? rack->rackModel() : nullptr;
        const VaultEntry* entry = nullptr;
        if (rackModel)
            for (const VaultEntry* candidate : rackModel->entries())
                if (candidate->nameView() == row.role) {
                    entry = candidate;
                    break;
                }
        if (!entry || _model->digestOf(entry->textView()) != row.digest) {
            MessageBoxes::information(this, message("ReportEntryChanged").arg(row.role, row.rack));
            return;
        }
        _base->selectTab(rackModel->tabIndex());
        if (!rack->selectEntry(row.role))
            return;
        if (QWidget* window = _base->window()) {
            window->raise();
            window->activateWindow();
        }
    });
}

void PasswordReport::vaultPresenceChanged(bool open)
{
    if (open)
        return;
    // Nothing of a vault that went stays on screen.
    _model->clear();
    _ui->_pgbRun->reset();
    showSummary();
    close();
}
