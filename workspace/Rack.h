#pragma once

#include "RackModel.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class EditingDelegate;
class FilterRules;
class RackFilter;
class Logger;
class Model;
class ProxyModel;
class QAction;
class QMenu;
class QShowEvent;
class QTableView;
class QTimer;
class UiRack;
class VaultEntry;

// The view of one rack, shown in one tab of the workspace: the entry table
// with its filter, a form for new entries, and the table's context menu.
// It owns its rack model: destroying the view takes the rack out of the vault.
class Rack : public QWidget
{
    Q_OBJECT
public:
    // The vault model must already hold a rack model named name (else
    // UndefinedParameter is raised). The workspace becomes the parent and
    // supplies the password generator's settings (GeneratorSettings).
    Rack(std::shared_ptr<Model> model, const QString& name, QWidget* workspace);
    ~Rack() override;

    // Connects the editing log, the search line, the context menu and the buttons.
    void connectToSignals();

    QString name() const { return _name; }
    // Renames the rack model too (which may raise); false without rack model.
    bool setName(const QString& name);
    // Raises UndefinedAttribute without rack model.
    void setTabIndex(int index);
    RackModel* rackModel() const { return _pRackModel; }
    // The entry table, sorted and its columns fitted (done here if the rack
    // has not been shown yet).
    QTableView* tableView();
    // "shown/total".
    void updateEntriesCounter();

    // Parses the search line into the filter rules; returns the normalised
    // description (empty when the line is empty or an expression was refused).
    QString buildFilterRules();

    // What the user set up in the view, which a lock keeps and an unlock puts back.
    struct ViewState {
        QString search;      // the search line as it stands
        QString filter;      // the expression the table shows (empty: no filter)
        bool arranged = false;
        int sortColumn = 0;
        Qt::SortOrder sortOrder = Qt::AscendingOrder;
    };
    ViewState viewState() const;
    // Sorts and filters as state says; the filter runs as a search does.
    void restoreViewState(const ViewState& state);
    // Closes the cell editor and empties the new-entry form without applying
    // anything: what was half typed is dropped.
    void abandonEditing();

    // True while a deletion can be undone (until the vault is saved).
    bool canUndoDeletion() const { return !_deletedBatches.empty(); }

    // True while the filter runs (off the GUI thread); the table keeps the
    // rows it showed before until the run ends.
    bool isFiltering() const;

    // Makes the entry of that role (unique in a rack) the current and only
    // selected row of the table; a filter that hides it is cleared first, as
    // the search's cancel does. False when the rack has no such entry.
    bool selectEntry(const QString& role);

    // Filtering as the search line is typed in, a moment after the last key
    // ("--filter-as-you-type"); off, only Enter and the button filter. A rack
    // takes the choice of the Settings when there are any (off otherwise), and
    // follows it as it changes.
    void setFilterAsYouType(bool on) { _filterAsYouType = on; }
    bool filterAsYouType() const { return _filterAsYouType; }
    // The pause after the last key before the filter runs.
    static constexpr int TypingPauseMs = 250;
    // How long a filter runs before the counter says so (a quick one does
    // not make it flicker).
    static constexpr int FilteringNoticeMs = 100;

protected:
    void showEvent(QShowEvent* event) override;

public slots:
    void onCopying();
    void onEntriesDeleting();
    void onCancelSearchFiltering();
    void onSearching();
    void onCollapseNewEntry();
    void onPasswordsGenerating();
    void onEntryInserting();
    // Ctrl+Z: puts the last deleted entries back at their rows.
    void onDeletionUndoing();
    // Escape: stops the filter running; the table keeps the rows it shows.
    void onFilterStopping();

private:
    // Filter as you type and hidden passwords, as the Settings now say.
    void applySettings();
    // One deleted entry with the rack-model row it had.
    struct Deleted {
        int row;
        std::unique_ptr<VaultEntry> entry;
    };
    using Batch = std::vector<Deleted>;

    void setTexts();
    static void setLabelTexts(QWidget* widget, const char* key);
    void buildInsertionForm();
    void connectInsertionForm();
    // The strength bar under the new-entry password, with the role and
    // account typed so far as guessable words.
    void updatePasswordStrength();
    // Sorts the table by name and fits its columns to their contents, once,
    // and makes the new-entry fields. A rack opened behind another tab does
    // it when first shown (or first read through tableView()): a vault's racks
    // open without sorting and measuring the tables nobody sees yet.
    void arrange();
    // Overwrites what the new-entry form holds (typed fields, proposed passwords).
    void wipeInsertionForm();
    void fitColumnsToContents();
    void buildActions();
    void buildContextMenu();
    void openContextMenu(const QPoint& pos);
    void logEditStep(const QModelIndex& proxyIndex, const QString& step, bool abandoned);
    std::shared_ptr<Logger> logger() const;
    // Raises UndefinedAttribute once the rack model is gone.
    RackModel& existingRackModel(const QString& context) const;
    void guard(const char* context, const std::function<void()>& body);
    void forgetDeletions();
    void updateUndoAction();
    void onSearchTyped();
    // The filter of the search line as typed: no box, the line left as it is.
    void filterAsTyped();

    QString _lang;
    QPoint _lastMenuPos;
    std::unique_ptr<UiRack> _ui;
    QPointer<QWidget> _workspace;
    QString _name;
    std::shared_ptr<Model> _model;
    QPointer<RackModel> _pRackModel;
    ProxyModel* _proxy = nullptr;
    FilterRules* _rules = nullptr;
    QAction* _actCopy = nullptr;
    QAction* _actSearchCanceling = nullptr;
    QAction* _actShowHide = nullptr;
    QAction* _actDelete = nullptr;
    QAction* _actUndoDeletion = nullptr;
    QAction* _actFilterStopping = nullptr;
    RackFilter* _filter = nullptr;
    QTimer* _typingPause = nullptr;
    QTimer* _filteringNotice = nullptr;
    bool _filterAsYouType = false;
    QMenu* _menu = nullptr;
    std::unique_ptr<bool> _editCommitted;
    EditingDelegate* _delegate = nullptr;
    std::vector<Batch> _deletedBatches;
    QString _appliedFilter;
    bool _arranged = false;
    bool _signalsConnected = false;
};
