#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// What a key test learned besides the key being accepted: whether the server offers the model
// the rewrites ask for. Many servers list their models at GET /v1/models; one that answers
// something else there tells nothing, and the model is then taken on trust.
struct ServerCheck {
    static constexpr int namedAtMost = 5;

    QString model;                      // what rewrites ask for
    std::optional<QStringList> offered; // the server's model list, when it sent one

    // The "id" of every entry of an OpenAI-style list ({"data": [{"id": ...}, ...]}); nothing
    // when the body is not such a list.
    static std::optional<QStringList> modelList(const QByteArray& body);

    // Ollama lists "llama3.2:latest" and serves it as "llama3.2" too.
    bool offersModel() const {
        return !offered || offered->contains(model) ||
               offered->contains(model + QStringLiteral(":latest"));
    }

    // Nothing when the model is offered or the server does not say; otherwise the sentence for
    // the key status, naming at most namedAtMost of the models the server has.
    std::optional<QString> problem() const;
};
