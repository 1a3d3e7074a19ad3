// palimo-test-editor: a small Qt window for the system tests with a one-line field ("line"), a
// multi-line field ("area"), a button ("button") and a password field ("password"). Commands on
// standard input, one a line, each answered on standard output:
//   focus NAME | select NAME START LENGTH | set NAME "json string" | get NAME | keys |
//   caret NAME | paste-delay MS | read-only NAME on|off | quit
// "get" answers `text "json string"`; "keys" answers the key presses seen since the last "keys"
// as `keys ["Ctrl+C", ...]`. "paste-delay" makes Ctrl+V read the clipboard only MS later, as
// applications that fetch it late do (0: at once). "caret" answers `caret X Y W H`, the text
// cursor's rectangle on screen in device pixels.
#include "CommandReader.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

class KeyRecorder : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A key event passes the window and then the focus widget; count it there.
        if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget()) {
            return false;
        }
        const QKeyCombination key = static_cast<QKeyEvent*>(event)->keyCombination();
        if (!QList{Qt::Key_Control, Qt::Key_Shift, Qt::Key_Alt, Qt::Key_Meta}.contains(key.key())) {
            keys.append(QKeySequence(key).toString(QKeySequence::PortableText));
        }
        if (pasteDelayMs <= 0 || key != QKeyCombination(Qt::CTRL, Qt::Key_V)) {
            return false;
        }
        QTimer::singleShot(pasteDelayMs, watched,
                           [watched] { QMetaObject::invokeMethod(watched, "paste"); });
        return true;
    }
    QJsonArray keys;
    int pasteDelayMs = 0;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Palimo test editor"));
    auto* line = new QLineEdit;
    auto* area = new QPlainTextEdit;
    auto* password = new QLineEdit;
    password->setEchoMode(QLineEdit::Password);
    const QMap<QString, QWidget*> widgets = {
        {QStringLiteral("line"), line},
        {QStringLiteral("area"), area},
        {QStringLiteral("button"), new QPushButton("Press me")},
        {QStringLiteral("password"), password}};
    auto* layout = new QVBoxLayout(&window);
    for (QWidget* widget : widgets) {
        layout->addWidget(widget);
    }
    KeyRecorder recorder;
    app.installEventFilter(&recorder);

    // Every command is answered with one line: "ok" unless it asks for something.
    const auto run = [&](const QString& verb, const QString& rest) -> QString {
        const QStringList args = rest.split(u' ');
        QWidget* target = widgets.value(args.value(0));
        auto* edit = qobject_cast<QLineEdit*>(target);
        if (verb == QLatin1String("keys")) {
            return "keys " +
                   QJsonDocument(std::exchange(recorder.keys, {})).toJson(QJsonDocument::Compact);
        }
        if (verb == QLatin1String("paste-delay")) {
            recorder.pasteDelayMs = args.value(0).toInt();
        } else if (target == nullptr) {
            return "error unknown command or widget: " + verb + ' ' + rest;
        } else if (verb == QLatin1String("read-only") && edit) {
            edit->setReadOnly(args.value(1) == QLatin1String("on")); // ignores Paste, still copies
        } else if (verb == QLatin1String("focus")) {
            window.activateWindow();
            target->setFocus(Qt::OtherFocusReason);
        } else if (verb == QLatin1String("set")) {
            const QByteArray json = '[' + rest.section(u' ', 1).toUtf8() + ']';
            const QString text = QJsonDocument::fromJson(json).array().at(0).toString();
            edit ? edit->setText(text) : area->setPlainText(text);
        } else if (verb == QLatin1String("get")) {
            const QByteArray json =
                QJsonDocument(QJsonArray{edit ? edit->text() : area->toPlainText()})
                    .toJson(QJsonDocument::Compact);
            return "text " + json.mid(1, json.size() - 2);
        } else if (verb == QLatin1String("select")) {
            const int start = args.value(1).toInt();
            if (edit) {
                edit->setSelection(start, args.value(2).toInt());
            } else {
                QTextCursor cursor = area->textCursor();
                cursor.setPosition(start);
                cursor.setPosition(start + args.value(2).toInt(), QTextCursor::KeepAnchor);
                area->setTextCursor(cursor);
            }
        } else if (verb == QLatin1String("caret")) {
            const QRect local =
                edit ? edit->inputMethodQuery(Qt::ImCursorRectangle).toRect() : area->cursorRect();
            const QPoint at = target->mapToGlobal(local.topLeft());
            return QString::asprintf("caret %d %d %d %d", at.x(), at.y(), local.width(),
                                     local.height());
        } else {
            return "error unknown command: " + verb;
        }
        return QStringLiteral("ok");
    };
    readCommands(app, [&](const QString& verb, const QString& rest) { say(run(verb, rest)); });
    window.resize(400, 300);
    window.show();
    window.activateWindow();
    line->setFocus();
    say("ready " + QString::number(window.winId()));
    return app.exec();
}
