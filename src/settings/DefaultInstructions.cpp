#include "settings/DefaultInstructions.h"

#include <QStringList>

namespace DefaultInstructions {

const QString& text() {
    // Seven paragraphs with a blank line between them and no line feed at the end; the dashes
    // are em dashes.
    static const QString instructions =
        QStringList{
            QStringLiteral("Rewrite the text so it reads naturally, clearly and to the point."),
            QStringLiteral("Tone: casual, friendly and human, but still professional \u2014 it "
                           "should sound like a person wrote it, not a template."),
            QStringLiteral("Keep the writer's voice and intent. Do not add information, opinions, "
                           "greetings or sign-offs that were not there."),
            QStringLiteral("Keep the same language as the original, including its regional "
                           "spelling."),
            QStringLiteral("Leave @-mentions, links, file paths, code and numbers exactly as "
                           "written \u2014 same spelling, same position."),
            QStringLiteral("Fix grammar, spelling and clumsy phrasing. Correct misspelled words "
                           "even when they are capitalised, unless they are one of the things "
                           "listed above: a capital letter does not make a typo a name."),
            QStringLiteral("Keep the original shape: a sentence stays a sentence, a paragraph "
                           "stays a paragraph, a list stays a list. Only use bullet points if "
                           "the original already had them."),
        }
            .join(QStringLiteral("\n\n"));
    return instructions;
}

} // namespace DefaultInstructions
