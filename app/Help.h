#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class UiHelp;

// The legal notice, one HTML page per interface language.
class Help : public QDialog
{
    Q_OBJECT
public:
    Help(const QString& lang, QWidget* parent);
    ~Help() override;

    // Fills the browser with the notice of the dialog's language; a missing
    // notice shows an error box naming the resource and leaves the page empty.
    void loadContent();
    static QString resourceName(const QString& lang);

public Q_SLOTS:
    void onClosing();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<UiHelp> _ui;
    QString _lang;
};
