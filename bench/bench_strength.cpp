// The strength bar while a password is typed, set against a baseline measured
// in the same run: one PasswordStrength::estimate call on the whole text.
//  - the estimate alone at lengths 8 to 256 (the estimate stops there), to
//    show where zxcvbn itself leaves the frame;
//  - typing a 64-character password key by key into a rack's new-entry
//    password field until the bar is painted: each keystroke's fastest time
//    over the runs, then the fastest, median and slowest keystroke, against
//    a frame (16 ms).
#include "BenchClock.h"
#include "BenchHome.h"
#include "BenchReport.h"
#include "Model.h"
#include "ModuleTexts.h"
#include "PasswordStrength.h"
#include "Rack.h"
#include "RackModel.h"
#include "StrengthBar.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int Repeats = 11;
constexpr int TypedLength = 64;
constexpr double FrameMs = 16.0;

using BenchClock::Timing;

// Printable ASCII drawn at random, as a generator or a careful person types.
QString randomPassword(QRandomGenerator& random, int length)
{
    QString password;
    for (int i = 0; i < length; ++i)
        password.append(QChar(char16_t(random.bounded(33, 127))));
    return password;
}

const char* verdict(double ms)
{
    return ms <= FrameMs ? "(within a frame)" : "(OVER A FRAME)";
}

// Counts the paints of the widgets it watches.
class PaintCount : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Everything a keystroke started, the bar's repaint included, is done.
void settle()
{
    QCoreApplication::processEvents();
}
} // namespace

int main(int argc, char** argv)
{
    BenchHome home;
    QApplication app(argc, argv);
    ModuleTexts::setLanguage(QStringLiteral("en_US"));
    QRandomGenerator random(20261211);
    std::printf("password strength, fastest of %d runs each (thread processor time)\n\n", Repeats);

    std::printf("estimate alone, random printable ASCII:\n");
    for (const int length : {8, 16, 32, 64, 128, 256}) {
        const QString password = randomPassword(random, length);
        const Timing timing = BenchClock::measure(Repeats, {}, [&] { (void)PasswordStrength::estimate(password); });
        std::printf("  %3d characters  %8.3f ms  (median %.3f ms)  %s\n", length, timing.fastest, timing.median,
                    verdict(timing.fastest));
    }
    for (const int length : {64, 256}) {
        // Repeats and dictionary words are the estimate's most searched cases.
        const QString password = QString(QStringLiteral("password")).repeated(length / 8);
        const Timing timing = BenchClock::measure(Repeats, {}, [&] { (void)PasswordStrength::estimate(password); });
        std::printf("  %3d characters of \"password\" repeated  %8.3f ms  (median %.3f ms)  %s\n", length,
                    timing.fastest, timing.median, verdict(timing.fastest));
    }

    QTabWidget tabs;
    auto model = std::make_shared<Model>(nullptr, QStringLiteral("bench.kovrin"),
                                         Model::keyFromPassword(QStringLiteral("pw")), &tabs);
    model->addRackModel(new RackModel(model, QStringLiteral("Bench")));
    QWidget window;
    window.resize(924, 716);
    auto* layout = new QVBoxLayout(&window);
    auto* rack = new Rack(model, QStringLiteral("Bench"), &window);
    layout->addWidget(rack);
    window.show();
    settle();
    rack->onCollapseNewEntry(); // the new-entry form in sight
    settle();
    auto* box = rack->findChild<QComboBox*>(QStringLiteral("_cbxPassword"));
    auto* bar = rack->findChild<StrengthBar*>(QStringLiteral("_stbPassword"));
    if (!box || !box->lineEdit() || !bar || !bar->isVisible()) {
        std::printf("!! no password field or strength bar in sight\n");
        return 1;
    }
    QLineEdit* field = box->lineEdit();
    field->setFocus();

    PaintCount painted;
    for (QWidget* part : bar->findChildren<QWidget*>())
        part->installEventFilter(&painted);
    const QString typed = randomPassword(random, TypedLength);
    const Timing base = BenchClock::measure(Repeats, {}, [&] { (void)PasswordStrength::estimate(typed); });
    std::vector<double> keystrokes(size_t(TypedLength), 1e9); // each one's fastest run
    for (int run = 0; run < Repeats; ++run) {
        field->setText(QString());
        settle();
        for (int i = 0; i < TypedLength; ++i) {
            const double start = BenchClock::threadMs();
            QTest::keyClick(field, typed.at(i).toLatin1());
            settle();
            keystrokes[size_t(i)] = std::min(keystrokes[size_t(i)], BenchClock::threadMs() - start);
        }
        if (box->currentText() != typed || bar->estimate() != PasswordStrength::estimate(typed)) {
            std::printf("!! the field or the bar does not show the typed password\n");
            return 1;
        }
    }
    field->setText(QString());
    const int paintsPerRun = painted.paints / Repeats;

    std::vector<double> sorted = keystrokes;
    std::sort(sorted.begin(), sorted.end());
    std::printf("\ntyping %d characters into the rack's new-entry password field, per keystroke until painted:\n",
                TypedLength);
    std::printf("  (the bar's parts painted %d times a run, as its word and level changed)\n", paintsPerRun);
    std::printf("  fastest %.3f ms, median %.3f ms, slowest %.3f ms  %s\n", sorted.front(), sorted[sorted.size() / 2],
                sorted.back(), verdict(sorted.back()));
    const Timing last{keystrokes.back(), keystrokes.back()};
    BenchReport::ratio(44, "64th keystroke against one estimate of 64", last, base, 0);
    const Timing median{sorted[sorted.size() / 2], sorted[sorted.size() / 2]};
    BenchReport::ratio(44, "median keystroke against one estimate of 64", median, base, 0);
    std::printf("  budget: %.0f ms a keystroke; slowest keystroke %s\n", FrameMs, verdict(sorted.back()));
    return 0;
}
