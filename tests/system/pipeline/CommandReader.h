#pragma once

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <thread>

// One line on standard output, flushed at once: the test waits for it.
inline void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Reads commands from standard input, one a line, on a thread of its own, and hands each to the
// main thread in order as its first word and the rest. "quit" or the end of the input quits.
inline void readCommands(QCoreApplication& app,
                         std::function<void(const QString& verb, const QString& rest)> handle) {
    std::thread([&app, handle = std::move(handle)] {
        std::string input;
        while (std::getline(std::cin, input)) {
            const QString line = QString::fromStdString(input).trimmed();
            if (line == QLatin1String("quit")) {
                break;
            }
            QMetaObject::invokeMethod(
                &app, [&handle, line] { handle(line.section(u' ', 0, 0), line.section(u' ', 1)); },
                Qt::BlockingQueuedConnection);
        }
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    }).detach();
}
