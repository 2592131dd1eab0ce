#pragma once

#include "OffThreadWork.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <exception>
#include <memory>

class FilterMatcher;
class ProxyModel;
class RackModel;

// The filter of one rack view: matches the rack's entries against the rules
// off the GUI thread, over a snapshot of their texts, and hands the result to
// the proxy. The table keeps the rows it shows until a run ends; a run that
// the rack changes under is started again on the rack as it is now, so no
// result is ever shown over rows it was not made for.
class RackFilter : public QObject
{
    Q_OBJECT
public:
    RackFilter(RackModel* rack, ProxyModel* proxy, QObject* parent = nullptr);
    ~RackFilter() override;

    // Runs matcher over the rack (cancelling any run going on); description
    // tells the rules, and comes back with applied(). Without rules every row
    // is shown at once.
    void run(std::shared_ptr<const FilterMatcher> matcher, const QString& description);
    // Stops the run going on; the table keeps the rows it shows.
    void cancel();
    bool isRunning() const { return _running; }

Q_SIGNALS:
    void runningChanged(bool running);
    // The table shows the result of the rules told by description.
    void applied(const QString& description);
    // A run failed (error is what it threw); the table keeps its rows.
    void failed(std::exception_ptr error);

private:
    void start();
    void rackChanged();
    void setRunning(bool running);

    QPointer<RackModel> _rack;
    QPointer<ProxyModel> _proxy;
    OffThreadWork _work;
    // Starts the run again once the rack's change is over.
    QTimer _restart;
    std::shared_ptr<const FilterMatcher> _matcher;
    QString _description;
    // Counts the rack's changes: a result is for the rows of one count only.
    quint64 _generation = 0;
    struct RackTexts;
    std::shared_ptr<const RackTexts> _texts;
    quint64 _textsGeneration = 0;
    QString _shownDescription;
    bool _running = false;
};
