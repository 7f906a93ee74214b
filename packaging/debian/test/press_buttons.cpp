// Preloaded (LD_PRELOAD) into the installed manager by the package test: once the settings dialog is up,
// presses the buttons named by QC_PRESS, control ids separated by commas, one after the other, as a user
// would. It gives up, with exit code 3, when the dialog or a button does not appear within ten seconds.
#include <QAbstractButton>
#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kStepMs = 50;
constexpr int kPatienceSteps = 200;
constexpr int kPauseBetweenPressesMs = 300;

void GiveUp(const QString& what) {
    std::fprintf(stderr, "press_buttons: %s\n", qPrintable(what));
    std::exit(3);
}

void PressNext(QStringList ids, int stepsLeft) {
    QWidget* dialog = QApplication::activeModalWidget();
    auto* button = dialog ? dialog->findChild<QAbstractButton*>(ids.front()) : nullptr;
    if (!button) {
        if (stepsLeft == 0) GiveUp("no dialog with button " + ids.front());
        QTimer::singleShot(kStepMs, [ids, stepsLeft] { PressNext(ids, stepsLeft - 1); });
        return;
    }
    std::fprintf(stderr, "press_buttons: pressing %s (%s)\n", qPrintable(ids.front()),
                 qPrintable(button->text()));
    ids.removeFirst();
    button->click();
    if (!ids.empty()) QTimer::singleShot(kPauseBetweenPressesMs, [ids] { PressNext(ids, kPatienceSteps); });
}

void Start() {
    QStringList ids = QString::fromLocal8Bit(qgetenv("QC_PRESS")).split(',', Qt::SkipEmptyParts);
    if (ids.empty()) GiveUp("QC_PRESS names no button");
    QTimer::singleShot(0, [ids] { PressNext(ids, kPatienceSteps); });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Start)
