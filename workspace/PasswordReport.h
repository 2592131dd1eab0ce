#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>

class Base;
class Logger;
class PasswordReportModel;
class QModelIndex;
class QSortFilterProxyModel;
class UiPasswordReport;

// The password report: the entries of the open vault with a weak, reused or
// empty password, sortable and filtered by finding, with a summary. Not modal:
// it stays open while the user edits, and Refresh runs it again. A row goes to
// its entry (double-click or Enter); an entry deleted or changed since the run
// is said rather than a wrong row selected. It empties itself and closes when
// the vault goes (closed or locked).
class PasswordReport : public QDialog
{
    Q_OBJECT
public:
    explicit PasswordReport(Base* base, QWidget* parent = nullptr);
    ~PasswordReport() override;

    PasswordReportModel* reportModel() const { return _model; }
    // Shows only the rows of that finding (PasswordReportModel::Finding), or
    // every row for 0: what the combo does.
    void setFindingFilter(int finding);

public Q_SLOTS:
    // Runs the report over the vault as it is now.
    void onRefreshing(bool checked = false);
    void onCancelling(bool checked = false);
    // Goes to the entry of a row of the table.
    void onRowActivated(const QModelIndex& index);

private:
    void loadTexts();
    void showSummary();
    void showRunning(bool running);
    void vaultPresenceChanged(bool open);
    void guard(const char* context, const std::function<void()>& body);

    std::unique_ptr<UiPasswordReport> _ui;
    QPointer<Base> _base;
    PasswordReportModel* _model = nullptr;
    QSortFilterProxyModel* _proxy = nullptr;
    std::shared_ptr<Logger> _log;
};
