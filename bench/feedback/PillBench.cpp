// palimo-pill-bench [RUNS]: on a real X display (inside palimo-session.sh, with an editor
// holding the focus), how long the caret locator takes over AT-SPI, and how long from the
// pill's working() until its window is exposed on screen. Prints median, p90 and max in ms.
#include "feedback/CaretLocator.h"
#include "feedback/FeedbackPill.h"
#include "platform/atspi/AtspiAccessibility.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QWindow>

#include <qcoro/qcorotask.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double share) {
        return ms[std::min(ms.size() - 1,
                           static_cast<size_t>(share * static_cast<double>(ms.size())))];
    };
    std::printf("%s: median %.1f ms, p90 %.1f ms, max %.1f ms over %zu runs\n", what, at(0.5),
                at(0.9), ms.back(), ms.size());
}

void spinUntil(const std::function<bool()>& done) {
    QElapsedTimer limit;
    limit.start();
    while (!done() && limit.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
}

double elapsedMs(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 40;
    AtspiAccessibility accessibility;
    CaretLocator locator(accessibility,
                         {&ScreenGeometry::currentScreens, [] { return QPointF(QCursor::pos()); }});
    using namespace std::chrono_literals;
    FeedbackPill pill(locator, {{Qt::blue, QIcon(), false}, nullptr, nullptr, nullptr},
                      {0ms, 1ms, 1ms, 0ms, 1ms});
    std::vector<double> locate;
    std::vector<double> shown;
    std::vector<Anchor::Placement> placements;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        placements.push_back(QCoro::waitFor(locator.anchor()).placement);
        locate.push_back(elapsedMs(timer));

        timer.restart();
        pill.working();
        spinUntil([&] {
            return pill.view() != nullptr && pill.view()->windowHandle() != nullptr &&
                   pill.view()->windowHandle()->isExposed();
        });
        shown.push_back(elapsedMs(timer));
        pill.succeeded();
        spinUntil([&] { return !pill.view()->isVisible(); });
    }
    const auto byCaret =
        std::count(placements.begin(), placements.end(), Anchor::Placement::afterText);
    std::printf("anchored after the text in %td of %d runs\n", byCaret, runs);
    report("caret locator over AT-SPI", locate);
    report("working() to the pill exposed on screen", shown);
    return 0;
}
