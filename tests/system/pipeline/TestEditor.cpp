// palimo-test-editor: a small Qt window for the pipeline's system tests: a one-line field
// ("line"), a multi-line field ("area"), a button ("button") and a password field ("password"). It
// takes commands on standard input, one per line, and answers each on standard output:
//   focus NAME | select NAME START LENGTH | set NAME "json string" | get NAME | keys |
//   paste-delay MS | quit
// "get" answers `text "json string"`; "keys" answers the key presses seen so far, as
// `keys ["Ctrl+C", ...]`, and forgets them. "paste-delay" makes Ctrl+V read the clipboard only
// MS later, as applications that fetch it late do (0: at once).
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

void answer(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString quoted(const QString& text) {
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

QString unquoted(const QString& json) {
    return QJsonDocument::fromJson("[" + json.toUtf8() + "]").array().at(0).toString();
}

class KeyRecorder : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A key event passes the window handle and then the focus widget; count it there.
        if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() != Qt::Key_Control && key->key() != Qt::Key_Shift &&
                key->key() != Qt::Key_Alt && key->key() != Qt::Key_Meta) {
                keys.append(
                    QKeySequence(key->keyCombination()).toString(QKeySequence::PortableText));
            }
            if (pasteDelayMs > 0 && key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_V)) {
                QPointer<QObject> target(watched);
                QTimer::singleShot(pasteDelayMs, this, [target] {
                    if (auto* line = qobject_cast<QLineEdit*>(target.data())) {
                        line->paste();
                    } else if (auto* area = qobject_cast<QPlainTextEdit*>(target.data())) {
                        area->paste();
                    }
                });
                return true;
            }
        }
        return false;
    }
    QJsonArray keys;
    int pasteDelayMs = 0;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Palimo test editor"));
    auto* layout = new QVBoxLayout(&window);
    auto* line = new QLineEdit;
    auto* area = new QPlainTextEdit;
    auto* button = new QPushButton(QStringLiteral("Press me"));
    auto* password = new QLineEdit;
    password->setEchoMode(QLineEdit::Password);
    line->setAccessibleName(QStringLiteral("line"));
    area->setAccessibleName(QStringLiteral("area"));
    layout->addWidget(line);
    layout->addWidget(area);
    layout->addWidget(button);
    layout->addWidget(password);
    window.resize(400, 300);
    KeyRecorder recorder;
    app.installEventFilter(&recorder);

    const auto widget = [&](const QString& name) -> QWidget* {
        if (name == QLatin1String("line")) {
            return line;
        }
        if (name == QLatin1String("area")) {
            return area;
        }
        if (name == QLatin1String("button")) {
            return button;
        }
        if (name == QLatin1String("password")) {
            return password;
        }
        return nullptr;
    };

    const auto handle = [&](const QString& command) {
        const QStringList parts = command.split(QLatin1Char(' '));
        const QString verb = parts.value(0);
        QWidget* target = widget(parts.value(1));
        if (verb == QLatin1String("quit")) {
            answer(QStringLiteral("ok"));
            app.quit();
        } else if (verb == QLatin1String("paste-delay")) {
            recorder.pasteDelayMs = parts.value(1).toInt();
            answer(QStringLiteral("ok"));
        } else if (verb == QLatin1String("keys")) {
            answer(QStringLiteral("keys ") +
                   QString::fromUtf8(QJsonDocument(recorder.keys).toJson(QJsonDocument::Compact)));
            recorder.keys = QJsonArray();
        } else if (target == nullptr) {
            answer(QStringLiteral("error unknown command or widget: ") + command);
        } else if (verb == QLatin1String("focus")) {
            window.activateWindow();
            target->setFocus(Qt::OtherFocusReason);
            answer(QStringLiteral("ok"));
        } else if (verb == QLatin1String("set")) {
            const QString text = unquoted(command.section(QLatin1Char(' '), 2));
            if (auto* edit = qobject_cast<QLineEdit*>(target)) {
                edit->setText(text);
            } else {
                area->setPlainText(text);
            }
            answer(QStringLiteral("ok"));
        } else if (verb == QLatin1String("get")) {
            auto* edit = qobject_cast<QLineEdit*>(target);
            answer(QStringLiteral("text ") + quoted(edit ? edit->text() : area->toPlainText()));
        } else if (verb == QLatin1String("select")) {
            const int start = parts.value(2).toInt();
            const int length = parts.value(3).toInt();
            if (auto* edit = qobject_cast<QLineEdit*>(target)) {
                edit->setSelection(start, length);
            } else {
                QTextCursor cursor = area->textCursor();
                cursor.setPosition(start);
                cursor.setPosition(start + length, QTextCursor::KeepAnchor);
                area->setTextCursor(cursor);
            }
            answer(QStringLiteral("ok"));
        } else {
            answer(QStringLiteral("error unknown command: ") + command);
        }
    };

    // Commands are read on a thread of their own and handled on the main thread, in order.
    std::thread reader([&app, &handle] {
        std::string input;
        while (std::getline(std::cin, input)) {
            const QString command = QString::fromStdString(input).trimmed();
            QMetaObject::invokeMethod(
                &app, [&handle, command] { handle(command); }, Qt::BlockingQueuedConnection);
            if (command == QLatin1String("quit")) {
                return;
            }
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    reader.detach();

    window.show();
    window.activateWindow();
    line->setFocus();
    answer(QStringLiteral("ready ") + QString::number(window.winId()));
    return app.exec();
}
