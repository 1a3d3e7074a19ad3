#include "app/KeyInput.h"

#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

// Restores the terminal's echo however reading ends.
class EchoOff {
public:
    EchoOff() {
        if (::tcgetattr(STDIN_FILENO, &m_saved) != 0) {
            return;
        }
        termios quiet = m_saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        // TCSANOW: a key typed ahead of the prompt is kept, not thrown away.
        m_active = ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    }
    ~EchoOff() {
        if (m_active) {
            ::tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

std::optional<std::string> readLine() {
    std::string line;
    for (;;) {
        const int c = std::fgetc(stdin);
        if (c == EOF) {
            return line.empty() ? std::nullopt : std::optional(line);
        }
        if (c == '\n') {
            return line;
        }
        line.push_back(static_cast<char>(c));
    }
}

} // namespace

namespace KeyInput {

std::optional<QString> read() {
    std::optional<std::string> line;
    if (::isatty(STDIN_FILENO) != 0) {
        {
            const EchoOff quiet; // before the prompt, so nothing typed after it is ever shown
            std::fputs("OpenAI API key (not shown): ", stderr);
            std::fflush(stderr);
            line = readLine();
        }
        std::fputs("\n", stderr); // the user's Return was not echoed either
    } else {
        line = readLine();
    }
    if (!line) {
        return std::nullopt;
    }
    return QString::fromUtf8(line->data(), static_cast<qsizetype>(line->size()));
}

} // namespace KeyInput
