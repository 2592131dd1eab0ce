#include "StrengthBar.h"

#include "ColorScheme.h"
#include "ColorSchemeNotifier.h"
#include "ModuleTexts.h"
#include "NamedWidget.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>

#include <array>

namespace {
QString text(const char* key)
{
    return ModuleTexts::text(QLatin1String(key));
}

// Red to green, darker on a light background and lighter on a dark one, so
// that each stands out from the groove in both schemes.
QColor scoreColour(int score, bool dark)
{
    static const std::array<QColor, 5> light = {QColor(0xc6, 0x28, 0x28), QColor(0xe6, 0x51, 0x00),
                                                QColor(0xb2, 0x8a, 0x00), QColor(0x55, 0x8b, 0x2f),
                                                QColor(0x1b, 0x5e, 0x20)};
    static const std::array<QColor, 5> darkColours = {QColor(0xef, 0x53, 0x50), QColor(0xff, 0x98, 0x3d),
                                                      QColor(0xff, 0xe0, 0x52), QColor(0x9c, 0xcc, 0x65),
                                                      QColor(0x4c, 0xd9, 0x64)};
    const auto index = size_t(std::clamp(score, 0, 4));
    return dark ? darkColours[index] : light[index];
}
} // namespace

StrengthBar::StrengthBar(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // 0 is no password; a very weak one still shows a first step.
    _pgbStrength = NamedWidget::make<QProgressBar>(this, "_pgbStrength");
    _pgbStrength->setRange(0, 5);
    _pgbStrength->setValue(0);
    _pgbStrength->setTextVisible(false);
    _pgbStrength->setFixedHeight(6);
    _pgbStrength->setMinimumWidth(80); // still a bar beside a narrow cell's editor
    _pgbStrength->setFocusPolicy(Qt::NoFocus);
    _lblStrength = NamedWidget::make<QLabel>(this, "_lblStrength");
    // The word is what the bar says, for a screen reader too.
    _lblStrength->setBuddy(_pgbStrength);
    layout->addWidget(_pgbStrength, 1, Qt::AlignVCenter);
    layout->addWidget(_lblStrength, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Where the platform itself switches schemes, no palette changes.
    connect(&ColorScheme::notifier(), &ColorSchemeNotifier::switched, this, [this] { applyColour(); });
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    // And the desktop's own switches.
    connect(QGuiApplication::styleHints(), &QStyleHints::colorSchemeChanged, this, [this] { applyColour(); });
#endif
    clear();
}

void StrengthBar::setPassword(const QString& password, const QStringList& userWords)
{
    if (password.isEmpty()) {
        clear();
        return;
    }
    showEstimate(PasswordStrength::estimate(password, userWords), 1);
}

void StrengthBar::setPasswords(const QStringList& passwords)
{
    PasswordStrength::Estimate weakest;
    int count = 0;
    for (const QString& password : passwords) {
        if (password.isEmpty())
            continue;
        const PasswordStrength::Estimate estimate = PasswordStrength::estimate(password);
        if (count == 0 || estimate.guessesLog10 < weakest.guessesLog10)
            weakest = estimate;
        ++count;
    }
    if (count == 0)
        clear();
    else
        showEstimate(weakest, count);
}

void StrengthBar::clear()
{
    _estimate = {};
    _count = 0;
    _pgbStrength->setValue(0);
    _lblStrength->clear();
    const QString none = text("StrengthNoPassword");
    setToolTip(none);
    for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(_pgbStrength)}) {
        widget->setAccessibleName(text("StrengthBarName"));
        widget->setAccessibleDescription(none);
    }
}

QString StrengthBar::word() const
{
    return _lblStrength->text();
}

void StrengthBar::showEstimate(const PasswordStrength::Estimate& estimate, int count)
{
    _estimate = estimate;
    _count = count;
    QString word = PasswordStrength::word(estimate.score);
    QString description = PasswordStrength::description(estimate);
    if (count > 1) {
        word = text("StrengthWeakestOf").arg(word).arg(count);
        description = text("StrengthWeakestDescription").arg(count).arg(description);
    }
    _pgbStrength->setValue(estimate.score + 1);
    _lblStrength->setText(word);
    setToolTip(description);
    for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(_pgbStrength)}) {
        widget->setAccessibleName(text("StrengthBarName"));
        widget->setAccessibleDescription(description);
    }
    applyColour();
}

void StrengthBar::applyColour()
{
    // Only the chunk's colour is the bar's own: the rest follows the scheme.
    QPalette palette = _pgbStrength->palette();
    palette.setColor(QPalette::Highlight, scoreColour(_estimate.score, ColorScheme::isDark()));
    _pgbStrength->setPalette(palette);
}

void StrengthBar::changeEvent(QEvent* event)
{
    // A switch of scheme reaches every widget as a new palette or style.
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ApplicationPaletteChange:
    case QEvent::StyleChange:
    case QEvent::ThemeChange:
        applyColour();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}
