#include "Rack.h"

#include "ClipboardGuard.h"
#include "Crypt.h"
#include "EditingDelegate.h"
#include "Exception.h"
#include "FilterMatcher.h"
#include "FilterRules.h"
#include "GeneratorSettings.h"
#include "Icons.h"
#include "Log.h"
#include "Logger.h"
#include "MessageBoxes.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordField.h"
#include "ProxyModel.h"
#include "RackFilter.h"
#include "Settings.h"
#include "SlotGuard.h"
#include "StrengthBar.h"
#include "UiRack.h"
#include "VaultEntry.h"
#include "WipeOnExit.h"

#include <QAction>
#include <QComboBox>
#include <QGraphicsDropShadowEffect>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <array>
#include <utility>

namespace {
const QString EditContext = QStringLiteral("void Rack::connectToSignals() -> ");

QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

// Field names of the search syntax, in column order.
const QStringList FieldNames = {QStringLiteral("role"), QStringLiteral("user"), QStringLiteral("password"),
                                QStringLiteral("comment")};

// Clipboard managers keep no history of data marked this way.
const QString SecretHintType = QStringLiteral("x-kde-passwordManagerHint");

// The search syntax read into rules, up to the first expression that does
// not compile.
struct ParsedSearch {
    // Of the rules added, joined by the translated AND.
    QString description;
    int rules = 0;
    bool invalid = false;
    // The refused expression as field, sign, ':' and expression, and why.
    QString refusedRule;
    QString error;
};

ParsedSearch parseSearch(const QString& typed, FilterRules& rules)
{
    ParsedSearch parsed;
    const QString separator = QLatin1Char(' ') + text("And") + QLatin1Char(' ');
    for (const QString& part : typed.split(QLatin1Char(','), Qt::KeepEmptyParts)) {
        QString field = FieldNames.first();
        QString sign = QStringLiteral("+");
        QString expression = part;
        const qsizetype colon = part.indexOf(QLatin1Char(':'));
        if (colon >= 1) {
            QString prefix = part.left(colon).trimmed().toLower();
            if (prefix.endsWith(QLatin1Char('-')) || prefix.endsWith(QLatin1Char('+'))) {
                if (prefix.size() == 1) {
                    sign = prefix;
                    prefix = FieldNames.first();
                } else {
                    sign = prefix.right(1);
                    prefix.chop(1);
                }
            }
            if (FieldNames.contains(prefix))
                field = prefix;
            expression = part.mid(colon + 1);
        }
        const bool caseInsensitive = sign != QLatin1String("-");
        const QRegularExpression compiled(expression);
        if (!compiled.isValid()) {
            parsed.invalid = true;
            parsed.refusedRule = field + (caseInsensitive ? QLatin1Char('+') : QLatin1Char('-')) + QLatin1Char(':')
                                 + expression;
            parsed.error = compiled.errorString();
            return parsed;
        }
        if (!parsed.description.isEmpty())
            parsed.description += separator;
        parsed.description += QStringLiteral("%1%2:%3").arg(field, sign, expression);
        rules.add(int(FieldNames.indexOf(field)), compiled, caseInsensitive);
        ++parsed.rules;
    }
    return parsed;
}
} // namespace

Rack::Rack(std::shared_ptr<Model> model, const QString& name, QWidget* workspace)
    : QWidget(workspace), _ui(std::make_unique<UiRack>()), _editCommitted(std::make_unique<bool>(false))
{
    _ui->setupUi(this);
    _lang = ModuleTexts::load(QStringLiteral("Rack"));
    setTexts();

    const QString context = QStringLiteral("Rack::Rack(std::shared_ptr<Model>, const QString&, QWidget*) -> ");
    if (!model)
        throw Exception(context + text("UndefinedParameter").arg(QStringLiteral("model"), QString()));
    _model = std::move(model);
    _pRackModel = _model->rackModel(name);
    if (!_pRackModel)
        throw Exception(context + text("UndefinedParameter").arg(QStringLiteral("name"), name));
    _pRackModel->setRack(this);

    _name = name;
    _workspace = workspace;
    if (const Settings* settings = Settings::current()) {
        _filterAsYouType = settings->filterAsYouType();
        connect(settings, &Settings::changed, this, &Rack::applySettings);
    }

    QTableView* table = _ui->_tvwEntries;
    _rules = new FilterRules(this);
    _delegate = new EditingDelegate(table); // the table's once it has its model (arrange())
    _delegate->setStrengthColumn(RackModel::PasswordColumn, {RackModel::NameColumn, RackModel::UserColumn});
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::MultiSelection);
    table->setToolTip(text("NoFilter"));

    // The filtering and sorting proxy, and the table's model, come when the
    // rack is first shown (arrange()).
    table->setEnabled(true);

    _ui->_gbxInsert->hide();
    updateEntriesCounter();
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    buildActions();

    // Deleted entries can be put back until the vault is written.
    connect(_model.get(), &Model::vaultStatusUpdated, this, [this](bool modified) {
        if (!modified)
            guard("void Rack::onVaultStatusUpdated(bool) -> ", [this] { forgetDeletions(); });
    });
}

Rack::~Rack()
{
    // A run going on is dropped first: its result has no table to go to.
    delete _filter;
    _filter = nullptr;
    if (RackModel* rack = _pRackModel) {
        // The vault forgets the rack, then the rack and its entries go.
        std::unique_ptr<RackModel> owned;
        if (_model && _model->rackModel(rack->name()) == rack)
            owned = _model->removeRackModel(rack->name());
        else
            owned.reset(rack);
    }
    wipeInsertionForm();
    delete _menu;
    delete _actCopy;
    delete _actSearchCanceling;
    delete _actShowHide;
    delete _actDelete;
    delete _actUndoDeletion;
    _editCommitted.reset();
    delete _delegate;
    _ui.reset();
    delete _rules;
    _deletedBatches.clear();
    _model.reset();
}

void Rack::wipeInsertionForm()
{
    // Built on first use: nothing typed or generated before.
    if (!_ui || !_ui->_cbxPassword)
        return;
    PasswordField::wipe(*_ui->_cbxPassword);
    for (QLineEdit* field : {_ui->_tbxName, _ui->_tbxUse, _ui->_tbxComment})
        PasswordField::wipe(*field);
}

void Rack::showEvent(QShowEvent* event)
{
    arrange();
    QWidget::showEvent(event);
}

void Rack::arrange()
{
    if (_arranged)
        return;
    _arranged = true;
    buildInsertionForm();
    QTableView* table = _ui->_tvwEntries;
    _proxy = new ProxyModel(table);
    _proxy->setSourceModel(_pRackModel);
    if (const Settings* settings = Settings::current())
        _proxy->setPasswordsHidden(settings->hidePasswords());
    _filter = new RackFilter(_pRackModel, _proxy, this);
    _filteringNotice = new QTimer(this);
    _filteringNotice->setSingleShot(true);
    _filteringNotice->setInterval(FilteringNoticeMs);
    connect(_filteringNotice, &QTimer::timeout, this, &Rack::updateEntriesCounter);
    connect(_filter, &RackFilter::runningChanged, this, [this](bool running) {
        _actFilterStopping->setEnabled(running);
        if (running)
            _filteringNotice->start();
        else
            _filteringNotice->stop();
        updateEntriesCounter();
    });
    connect(_filter, &RackFilter::applied, this, [this](const QString& description) {
        _appliedFilter = description;
        _ui->_tvwEntries->setToolTip(description);
        updateEntriesCounter();
    });
    connect(_filter, &RackFilter::failed, this, [this](const std::exception_ptr& error) {
        guard("void Rack::onSearching() -> ", [&] { std::rethrow_exception(error); });
    });
    // Sorted by the header's indicator (by name, ascending) before the table
    // sees the proxy, so that the table lays its rows out once, in order. The
    // rows are mapped first: the sort then orders them with its own keys.
    (void)_proxy->rowCount();
    const QHeaderView* header = table->horizontalHeader();
    _proxy->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    table->setItemDelegate(_delegate);
    table->setModel(_proxy);
    table->setSortingEnabled(true); // the same order: nothing sorted again
    fitColumnsToContents();
}

// Columns as wide as their contents. Qt's own resizing measures every cell of
// the first thousand rows (all of them while the table is not shown yet, the
// rows in view once it is), which costs more than building the rest of a large
// rack's table; here the first screenful of rows is measured, whether the
// table is shown yet or not, then the longest texts of each column over the
// whole rack. A column is never narrower than its header.
void Rack::fitColumnsToContents()
{
    constexpr int FirstRows = 40;
    QTableView* table = _ui->_tvwEntries;
    QHeaderView* header = table->horizontalHeader();
    table->ensurePolished();
    std::array<int, 4> widths{};
    const auto measure = [&](int column, const QModelIndex& index) {
        if (index.isValid())
            widths[size_t(column)] = std::max(widths[size_t(column)], table->sizeHintForIndex(index).width());
    };
    const int firstRows = std::min(FirstRows, _proxy->rowCount());
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < firstRows; ++row)
            measure(column, _proxy->index(row, column));

    if (_pRackModel) {
        // The longest texts by length: a min-heap per column of (length, row).
        constexpr size_t Longest = 16;
        using Candidate = std::pair<qsizetype, int>;
        std::array<std::vector<Candidate>, 4> longest;
        const QList<VaultEntry*>& entries = _pRackModel->entries();
        for (int row = 0; row < int(entries.size()); ++row) {
            for (int column = 0; column < 4; ++column) {
                std::vector<Candidate>& heap = longest[size_t(column)];
                const Candidate candidate{entries.at(row)->fieldView(column).size(), row};
                if (heap.size() < Longest) {
                    heap.push_back(candidate);
                    std::push_heap(heap.begin(), heap.end(), std::greater<Candidate>());
                } else if (candidate.first > heap.front().first) {
                    std::pop_heap(heap.begin(), heap.end(), std::greater<Candidate>());
                    heap.back() = candidate;
                    std::push_heap(heap.begin(), heap.end(), std::greater<Candidate>());
                }
            }
        }
        for (int column = 0; column < 4; ++column)
            for (const Candidate& candidate : longest[size_t(column)])
                measure(column, _proxy->mapFromSource(_pRackModel->index(candidate.second, column)));
    }

    const int grid = table->showGrid() ? 1 : 0;
    for (int column = 0; column < 4; ++column) {
        const int content = widths[size_t(column)] > 0 ? widths[size_t(column)] + grid : 0;
        header->resizeSection(column, std::max(content, header->sectionSizeHint(column)));
    }
}

void Rack::setLabelTexts(QWidget* widget, const char* key)
{
    const QString name = QLatin1String(key);
    widget->setProperty("text", ModuleTexts::text(name + QStringLiteral(".text")));
    widget->setToolTip(ModuleTexts::text(name + QStringLiteral(".tooltip")));
}

void Rack::setTexts()
{
    setWindowTitle(QStringLiteral("Form"));
    UiRack& ui = *_ui;
    ui._gbxInsert->setTitle(text("_gbxInsert.title"));
    setLabelTexts(ui._lblSearch, "_lblSearch");
    // The bundle writes the help's line breaks as "\n".
    ui._lblSearch->setToolTip(ui._lblSearch->toolTip().replace(QStringLiteral("\\n"), QStringLiteral("\n")));
    ui._lblEntriesCaption->setText(text("_lblEntriesCaption.text"));
    setLabelTexts(ui._btnSearch, "_btnSearch");
    ui._tvwEntries->setAccessibleName(text("_lblEntriesCaption.text"));
}

// The new-entry fields are made when the rack is first shown (arrange()) or
// one of its slots needs them: the group is hidden until asked for.
void Rack::buildInsertionForm()
{
    if (_ui->_tbxName)
        return;
    UiRack& ui = *_ui;
    ui.setupInsertionForm();
    setLabelTexts(ui._lblName, "_lblName");
    setLabelTexts(ui._lblUser, "_lblUser");
    setLabelTexts(ui._lblPassword, "_lblPassword");
    setLabelTexts(ui._lblComment, "_lblComment");
    setLabelTexts(ui._btnInsert, "_btnInsert");
    setLabelTexts(ui._btnGenerator, "_btnGenerator");

    // Back to their place in the focus chain, before the search line, as if
    // made with the rest of the rack.
    QWidget* previous = ui._tbxSearch->previousInFocusChain();
    while (previous != ui._tbxSearch && previous->focusPolicy() == Qt::NoFocus)
        previous = previous->previousInFocusChain();
    if (previous != ui._tbxSearch) {
        for (QWidget* field : std::initializer_list<QWidget*>{ui._tbxName, ui._tbxUse, ui._cbxPassword,
                                                              ui._btnGenerator, ui._tbxComment, ui._btnInsert}) {
            QWidget::setTabOrder(previous, field);
            previous = field;
        }
    }
    // Typed, chosen among the proposals or wiped: the bar follows the text.
    connect(ui._cbxPassword, &QComboBox::editTextChanged, this, &Rack::updatePasswordStrength);
    connect(ui._tbxName, &QLineEdit::textChanged, this, &Rack::updatePasswordStrength);
    connect(ui._tbxUse, &QLineEdit::textChanged, this, &Rack::updatePasswordStrength);
    if (_signalsConnected)
        connectInsertionForm();
}

void Rack::updatePasswordStrength()
{
    guard("void Rack::updatePasswordStrength() -> ", [this] {
        UiRack& ui = *_ui;
        // Shares the field's buffer; overwritten here only if it ever becomes the last copy.
        QString password = ui._cbxPassword->currentText();
        const WipeOnExit wipePassword(password);
        ui._stbPassword->setPassword(password, {ui._tbxName->text(), ui._tbxUse->text()});
    });
}

void Rack::connectInsertionForm()
{
    connect(_ui->_btnGenerator, &QPushButton::clicked, this, &Rack::onPasswordsGenerating);
    connect(_ui->_btnInsert, &QPushButton::clicked, this, &Rack::onEntryInserting);
}

void Rack::buildActions()
{
    Icons& icons = Icons::getInstance();
    const auto action = [&](const char* icon, const char* key, const char* name, void (Rack::*slot)()) {
        auto* made = new QAction(icons.icon(QLatin1String(icon)), text(key), this);
        made->setObjectName(QLatin1String(name));
        connect(made, &QAction::triggered, this, slot);
        return made;
    };
    _actCopy = action("copy", "SelectedFieldCopy", "_actCopy", &Rack::onCopying);
    _actDelete = action("trash", "DeleteEntry", "_actDelete", &Rack::onEntriesDeleting);
    _actSearchCanceling = action("undo", "SearchCanceling", "_actSearchCanceling", &Rack::onCancelSearchFiltering);
    _actShowHide = action("vrtfusion", "ShowNewEntry", "_actShowHide", &Rack::onCollapseNewEntry);
    // Ctrl+Z anywhere in the rack (an editor with focus keeps its own undo).
    _actUndoDeletion = action("undo", "UndoDeletion", "_actUndoDeletion", &Rack::onDeletionUndoing);
    _actUndoDeletion->setShortcut(QKeySequence::Undo);
    _actUndoDeletion->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    _actUndoDeletion->setEnabled(false);
    addAction(_actUndoDeletion);
    // Escape stops a filter running, and only then: otherwise the key keeps
    // its meaning (an editor's, a box's).
    _actFilterStopping = action("cancel", "FilterStopping", "_actFilterStopping", &Rack::onFilterStopping);
    _actFilterStopping->setShortcut(QKeySequence(Qt::Key_Escape));
    _actFilterStopping->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    _actFilterStopping->setEnabled(false);
    addAction(_actFilterStopping);
}

// The menu itself is made when first opened: most racks never show it.
void Rack::buildContextMenu()
{
    if (_menu)
        return;
    _menu = new QMenu(_ui->_tvwEntries);
    _menu->setObjectName(QStringLiteral("_mnuContext"));
    auto* shadow = new QGraphicsDropShadowEffect(_menu);
    shadow->setOffset(16.0);
    shadow->setColor(QColor(255, 255, 255, 180));
    shadow->setBlurRadius(5.0);
    _menu->setGraphicsEffect(shadow);
    _menu->addActions({_actCopy, _actDelete, _actSearchCanceling, _actShowHide, _actUndoDeletion});
}

void Rack::connectToSignals()
{
    connect(_delegate, &EditingDelegate::editingStarted, this,
            [this](const QModelIndex& index, QWidget*) {
                logEditStep(index, QStringLiteral("Démarrage de l'édition de la cellule (%1, %2)"), false);
            });
    connect(_delegate, &EditingDelegate::editingCommitted, this, [this](const QModelIndex& index) {
        *_editCommitted = true;
        logEditStep(index, QStringLiteral("Validation de la modification du contenu de la cellule (%1, %2)"), false);
    });
    connect(_delegate, &EditingDelegate::editingClosed, this, [this](const QModelIndex& index) {
        logEditStep(index, QStringLiteral("Fin de l'édition de la cellule (%1, %2)"), !*_editCommitted);
        *_editCommitted = false;
    });
    connect(_ui->_btnSearch, &QPushButton::clicked, this, &Rack::onSearching);
    connect(_ui->_tbxSearch, &QLineEdit::returnPressed, this, &Rack::onSearching);
    connect(_ui->_tbxSearch, &QLineEdit::textEdited, this, &Rack::onSearchTyped);
    connect(_ui->_tvwEntries, &QWidget::customContextMenuRequested, this, &Rack::openContextMenu);
    _signalsConnected = true;
    if (_ui->_tbxName)
        connectInsertionForm();
}

std::shared_ptr<Logger> Rack::logger() const
{
    if (_model && _model->logger())
        return _model->logger();
    return Log::getInstance().log();
}

void Rack::guard(const char* context, const std::function<void()>& body)
{
    SlotGuard::run(this, QLatin1String(context), logger(), body);
}

void Rack::logEditStep(const QModelIndex& proxyIndex, const QString& step, bool abandoned)
{
    guard("void Rack::connectToSignals() -> ", [&] {
        if (!_proxy) // no editing before the table has its model
            return;
        const QModelIndex index = _proxy->mapToSource(proxyIndex);
        const std::shared_ptr<Logger> log = logger();
        if (!log)
            return;
        log->debug(EditContext + step.arg(index.row()).arg(index.column()));
        if (abandoned)
            log->debug(EditContext + QStringLiteral("Modification abandonnée"));
    });
}

bool Rack::setName(const QString& name)
{
    if (!_pRackModel) {
        _name = name;
        return false;
    }
    // The rack model refuses a name in use: the view keeps its name then.
    _pRackModel->setName(name);
    _name = name;
    return true;
}

RackModel& Rack::existingRackModel(const QString& context) const
{
    if (!_pRackModel)
        throw Exception(context + text("UndefinedAttribute").arg(QStringLiteral("_pRackModel"), QStringLiteral("Rack")));
    return *_pRackModel;
}

void Rack::setTabIndex(int index)
{
    existingRackModel(QStringLiteral("void Rack::setTabIndex(int) -> ")).setTabIndex(index);
}

QTableView* Rack::tableView()
{
    if (!_ui)
        return nullptr;
    arrange();
    return _ui->_tvwEntries;
}

void Rack::updateEntriesCounter()
{
    const qsizetype total = _pRackModel ? _pRackModel->entryCount() : 0;
    // Before arrange() no filter can have been applied: every entry is shown.
    const qsizetype shown = _arranged ? _proxy->rowCount() : total;
    if (isFiltering() && !_filteringNotice->isActive())
        _ui->_lblEntries->setText(text("_lblEntries.filtering").arg(shown).arg(total));
    else
        _ui->_lblEntries->setText(QStringLiteral("%1/%2").arg(shown).arg(total));
}

void Rack::openContextMenu(const QPoint& pos)
{
    guard("void Rack::openContextMenu(const QPoint&) -> ", [&] {
        arrange();
        buildContextMenu();
        _actDelete->setEnabled(_ui->_tvwEntries->selectionModel()->hasSelection());
        _lastMenuPos = pos;
        _menu->popup(_ui->_tvwEntries->viewport()->mapToGlobal(pos));
    });
}

void Rack::onCopying()
{
    guard("void Rack::onCopying() -> ", [this] {
        arrange();
        const QModelIndex index = _ui->_tvwEntries->indexAt(_lastMenuPos);
        if (!index.isValid())
            return;
        auto* mime = new QMimeData;
        // The edit role: the clear text, also of a password shown as dots.
        mime->setText(index.data(Qt::EditRole).toString());
        mime->setData(SecretHintType, QByteArrayLiteral("secret"));
        // Through the guard, which takes it out again after --clipboard-timeout.
        ClipboardGuard::copy(mime);
    });
}

void Rack::onEntriesDeleting()
{
    guard("void Rack::onEntriesDeleting() -> ", [this] {
        arrange();
        QItemSelectionModel* selection = _ui->_tvwEntries->selectionModel();
        const qsizetype count = selection->selectedRows(0).size();
        if (count == 0 || !_pRackModel)
            return;
        if (MessageBoxes::ask(this, text("EntriesDelConfirmRequest").arg(count), QString(),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, text("EntryDelUndoing"))
            != QMessageBox::Yes)
            return;
        QList<int> rows;
        for (const QModelIndex& index : selection->selectedRows(0))
            rows.append(_proxy->mapToSource(index).row());
        std::sort(rows.begin(), rows.end(), std::greater<int>());
        Batch batch;
        // Highest row first, so that each removal leaves the others' rows as they were.
        for (const int row : rows)
            if (auto entry = _pRackModel->takeEntry(row))
                batch.push_back({row, std::move(entry)});
        updateEntriesCounter();
        if (!batch.empty())
            _deletedBatches.push_back(std::move(batch));
        updateUndoAction();
        _model->setModified();
    });
}

void Rack::onDeletionUndoing()
{
    guard("void Rack::onDeletionUndoing() -> ", [this] {
        if (_deletedBatches.empty() || !_pRackModel)
            return;
        Batch& batch = _deletedBatches.back();
        // A role taken again since the deletion stays unique: nothing comes back.
        for (const Deleted& deleted : batch) {
            if (_pRackModel->contains(deleted.entry->name())) {
                MessageBoxes::warning(this, text("UndoDeletionConflict").arg(deleted.entry->name()));
                return;
            }
        }
        // Lowest former row first: each entry finds its neighbours back in place.
        for (auto it = batch.rbegin(); it != batch.rend(); ++it)
            _pRackModel->insertEntry(it->row, it->entry.release());
        _deletedBatches.pop_back();
        updateUndoAction();
        updateEntriesCounter();
        _model->setModified();
    });
}

void Rack::forgetDeletions()
{
    _deletedBatches.clear();
    updateUndoAction();
}

void Rack::updateUndoAction()
{
    _actUndoDeletion->setEnabled(!_deletedBatches.empty());
}

bool Rack::isFiltering() const
{
    return _filter && _filter->isRunning();
}

void Rack::applySettings()
{
    const Settings* settings = Settings::current();
    if (!settings)
        return;
    _filterAsYouType = settings->filterAsYouType();
    if (!_filterAsYouType && _typingPause)
        _typingPause->stop();
    if (_proxy)
        _proxy->setPasswordsHidden(settings->hidePasswords());
}

void Rack::onCancelSearchFiltering()
{
    guard("void Rack::onCancelSearchFiltering() -> ", [this] {
        arrange();
        // A filter running is stopped, and the table keeps its rows.
        if (isFiltering()) {
            _filter->cancel();
            return;
        }
        if (_typingPause)
            _typingPause->stop();
        _ui->_tbxSearch->setText(QString());
        _rules->clear();
        _filter->run(nullptr, QString());
        _ui->_tvwEntries->setToolTip(text("NoFilter"));
        updateEntriesCounter();
    });
}

bool Rack::selectEntry(const QString& role)
{
    arrange();
    const QList<VaultEntry*>& entries = existingRackModel(QStringLiteral("bool Rack::selectEntry(const QString&) -> ")).entries();
    const auto found = std::find_if(entries.cbegin(), entries.cend(),
                                    [&role](const VaultEntry* entry) { return entry->nameView() == role; });
    if (found == entries.cend())
        return false;
    const QModelIndex source = _pRackModel->index(int(found - entries.cbegin()), RackModel::NameColumn);
    // A filter still running would put its rows over the selection.
    if (isFiltering())
        _filter->cancel();
    if (!_proxy->mapFromSource(source).isValid())
        onCancelSearchFiltering();
    const QModelIndex shown = _proxy->mapFromSource(source);
    if (!shown.isValid())
        return false;
    QTableView* table = _ui->_tvwEntries;
    table->selectionModel()->setCurrentIndex(shown, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table->scrollTo(shown);
    table->setFocus(Qt::OtherFocusReason);
    return true;
}

void Rack::onFilterStopping()
{
    guard("void Rack::onFilterStopping() -> ", [this] {
        if (_typingPause)
            _typingPause->stop();
        if (_filter)
            _filter->cancel();
    });
}

void Rack::onSearching()
{
    guard("void Rack::onSearching() -> ", [this] {
        arrange();
        if (_typingPause)
            _typingPause->stop();
        const QString description = buildFilterRules();
        // The table and its tooltip change when the run ends (applied()).
        _filter->run(std::make_shared<const FilterMatcher>(*_rules), description);
        updateEntriesCounter();
    });
}

void Rack::onSearchTyped()
{
    guard("void Rack::onSearchTyped() -> ", [this] {
        if (!_filterAsYouType)
            return;
        if (!_typingPause) {
            _typingPause = new QTimer(this);
            _typingPause->setSingleShot(true);
            _typingPause->setInterval(TypingPauseMs);
            connect(_typingPause, &QTimer::timeout, this, &Rack::filterAsTyped);
        }
        _typingPause->start();
    });
}

void Rack::filterAsTyped()
{
    guard("void Rack::filterAsTyped() -> ", [this] {
        arrange();
        const QString typed = _ui->_tbxSearch->text();
        _rules->clear();
        const ParsedSearch parsed = typed.isEmpty() ? ParsedSearch() : parseSearch(typed, *_rules);
        // An expression half typed is no error yet: the table stays as it is.
        if (parsed.invalid)
            return;
        _filter->run(std::make_shared<const FilterMatcher>(*_rules), parsed.description);
        updateEntriesCounter();
    });
}

Rack::ViewState Rack::viewState() const
{
    ViewState state;
    state.search = _ui->_tbxSearch->text();
    state.filter = _appliedFilter;
    state.arranged = _arranged;
    const QHeaderView* header = _ui->_tvwEntries->horizontalHeader();
    state.sortColumn = header->sortIndicatorSection();
    state.sortOrder = header->sortIndicatorOrder();
    return state;
}

void Rack::restoreViewState(const ViewState& state)
{
    // A rack never shown stays as cheap as at opening.
    if (state.arranged) {
        arrange();
        _ui->_tvwEntries->sortByColumn(state.sortColumn, state.sortOrder);
    }
    if (!state.filter.isEmpty()) {
        arrange();
        _rules->clear();
        const ParsedSearch parsed = parseSearch(state.filter, *_rules);
        if (!parsed.invalid)
            _filter->run(std::make_shared<const FilterMatcher>(*_rules), parsed.description);
    }
    _ui->_tbxSearch->setText(state.search);
    updateEntriesCounter();
}

void Rack::abandonEditing()
{
    // Qt's reset lets the editors go without committing them.
    _ui->_tvwEntries->reset();
    wipeInsertionForm();
}

QString Rack::buildFilterRules()
{
    QLineEdit* search = _ui->_tbxSearch;
    const QString typed = search->text();
    _rules->clear();
    if (typed.isEmpty())
        return QString();
    const ParsedSearch parsed = parseSearch(typed, *_rules);
    if (parsed.rules > 0)
        search->setText(parsed.description);
    if (parsed.invalid) {
        MessageBoxes::critical(this, text("IllegalRegularExpression").arg(parsed.refusedRule), parsed.error);
        search->setFocus(Qt::OtherFocusReason);
        return QString();
    }
    return parsed.description;
}

void Rack::onCollapseNewEntry()
{
    guard("void Rack::onCollapseNewEntry() -> ", [this] {
        buildInsertionForm();
        if (_ui->_gbxInsert->isVisible()) {
            _actShowHide->setText(text("ShowNewEntry"));
            _ui->_gbxInsert->hide();
        } else {
            _actShowHide->setText(text("HideNewEntry"));
            _ui->_gbxInsert->show();
        }
    });
}

void Rack::onPasswordsGenerating()
{
    guard("void Rack::onPasswordsGenerating() -> ", [this] {
        buildInsertionForm();
        const auto* settings = dynamic_cast<const GeneratorSettings*>(_workspace.data());
        if (!settings)
            return;
        const bool lower = settings->isLowerCaseChecked();
        const bool upper = settings->isUpperCaseChecked();
        const QList<QString> passwords =
            Crypt::passwords(settings->passwordsCount(), settings->isSymbolChecked() ? 1 : 0, settings->charsCount(),
                             lower || upper, settings->isNumberChecked(), lower, upper);
        QComboBox* box = _ui->_cbxPassword;
        PasswordField::wipe(*box);
        for (const QString& password : passwords)
            box->addItem(password);
        if (!passwords.isEmpty())
            box->setCurrentIndex(0);
    });
}

void Rack::onEntryInserting()
{
    guard("void Rack::onEntryInserting() -> ", [this] {
        buildInsertionForm();
        RackModel& rack = existingRackModel(QStringLiteral("void Rack::onEntryInserting() -> "));
        UiRack& ui = *_ui;
        const QString name = ui._tbxName->text();
        if (name.isEmpty()) {
            MessageBoxes::warning(this, text("EmptyEntryName"), text("RoleMustBeDefined"));
            ui._tbxUse->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (rack.contains(name)) {
            MessageBoxes::warning(this, text("DuplicateEntry").arg(name), text("RoleMustBeUnique"));
            ui._tbxUse->setFocus(Qt::OtherFocusReason);
            return;
        }
        const QString user = ui._tbxUse->text();
        const QString password = ui._cbxPassword->currentText();
        const QString comment = ui._tbxComment->text();
        // The vault file separates fields by tabs and entries by line feeds.
        const struct {
            const QString& value;
            QLabel* label;
            QWidget* field;
        } fields[] = {{name, ui._lblName, ui._tbxName},
                      {user, ui._lblUser, ui._tbxUse},
                      {password, ui._lblPassword, ui._cbxPassword},
                      {comment, ui._lblComment, ui._tbxComment}};
        for (const auto& field : fields) {
            if (!VaultEntry::hasForbiddenCharacter(field.value))
                continue;
            QString label = field.label->text();
            label = label.remove(QLatin1Char(':')).trimmed();
            MessageBoxes::warning(this, text("FieldForbiddenCharacter").arg(label), text("ForbiddenFieldCharacter"));
            field.field->setFocus(Qt::OtherFocusReason);
            return;
        }
        rack.appendEntry(new VaultEntry(name, user.isNull() ? QString(QLatin1String("")) : user,
                                                password.isNull() ? QString(QLatin1String("")) : password,
                                                comment.isNull() ? QString(QLatin1String("")) : comment));
        updateEntriesCounter();
        _model->setModified();
    });
}
