// palimo-feedback-gallery OUT_DIR: shows each state of the feedback pill and the prompt panel
// (with and without matching styles) next to a small editor on the X display, and saves what
// the screen shows as PNG files in OUT_DIR. scripts/screenshots runs it under Xvfb.
#include "app/Branding.h"
#include "feedback/CaretLocator.h"
#include "feedback/FeedbackPill.h"
#include "feedback/PromptPanel.h"
#include "feedback/PromptPanelView.h"
#include "support/FakeAccessibility.h"
#include "support/FakeWorkspace.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

#include <cstdio>

namespace {

void save(const QString& path, const QRect& area) {
    QTest::qWait(400); // fades and the first frame
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                      area.width(), area.height());
    if (!shot.save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    QWidget backdrop;
    backdrop.setStyleSheet(QStringLiteral("background: #e9e7ef;"));
    auto* edit = new QLineEdit(QStringLiteral("Could you maybe send me the report by Friday?"));
    edit->setStyleSheet(QStringLiteral("background: white; padding: 6px; font-size: 15px;"));
    auto* layout = new QVBoxLayout(&backdrop);
    layout->setContentsMargins(24, 50, 24, 24);
    layout->addWidget(edit);
    layout->addStretch();
    backdrop.setGeometry(40, 40, 600, 340);
    backdrop.show();
    edit->setFocus();
    edit->setSelection(0, 23);
    if (!QTest::qWaitForWindowExposed(&backdrop)) {
        return 1;
    }

    // The editor's caret at the end of the selection, as an accessibility service reports it.
    FakeAccessibility accessibility;
    accessibility.selection = Accessibility::TextRange{0, 23};
    const QRect caret = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QPoint centre = edit->mapToGlobal(caret.center());
    accessibility.bounds[{23, 0}] =
        QRectF(centre.x(), centre.y() - caret.height() / 2, 0, caret.height());
    CaretLocator locator(accessibility,
                         {&ScreenGeometry::currentScreens, [] { return QPointF(200, 200); }});
    FeedbackPill::Resources resources;
    resources.look = {Branding::accent(), Branding::markImage().value_or(QIcon()), false};
    FeedbackPill pill(locator, resources, FeedbackPill::Timing{});
    const QRect pillArea(40, 40, 600, 150);
    pill.working();
    save(out.filePath(QStringLiteral("pill-working.png")), pillArea);
    pill.succeeded();
    save(out.filePath(QStringLiteral("pill-done.png")), pillArea);
    pill.readyToPaste(QStringLiteral("Ready: paste it with Ctrl+Shift+V."));
    save(out.filePath(QStringLiteral("pill-ready-to-paste.png")), pillArea);
    pill.cancelled();
    save(out.filePath(QStringLiteral("pill-cancelled.png")), pillArea);
    pill.failed(QStringLiteral("OpenAI took too long to answer."));
    save(out.filePath(QStringLiteral("pill-failed.png")), pillArea);
    pill.view()->hide();

    FakeWorkspace workspace;
    PromptPanel panel(workspace, {[] { return StylePreset::builtIns(); },
                                  [] { return QPointF(150, 150); }, [] { return false; }});
    panel.present([](const std::optional<QString>&) {});
    const QRect panelArea(40, 40, 600, 340);
    save(out.filePath(QStringLiteral("panel-styles.png")), panelArea);
    QTest::keyClicks(panel.view()->field(), QStringLiteral("fri"));
    save(out.filePath(QStringLiteral("panel-filtered.png")), panelArea);
    QTest::keyClicks(panel.view()->field(), QStringLiteral("endly, less formal"));
    save(out.filePath(QStringLiteral("panel-no-match.png")), panelArea);
    return 0;
}
