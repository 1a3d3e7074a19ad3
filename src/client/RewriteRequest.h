#pragma once

#include <QString>

#include <optional>

// One rewrite job: the captured text, the instructions to apply and where they came from.
struct RewriteRequest {
    enum class Origin { defaultInstructions, customPrompt, preset };

    QString text;         // exactly as captured: never trimmed
    QString instructions; // passed on unchanged
    Origin origin = Origin::defaultInstructions;

    static QString rawValue(Origin origin) {
        switch (origin) {
        case Origin::defaultInstructions:
            return QStringLiteral("defaultInstructions");
        case Origin::customPrompt:
            return QStringLiteral("customPrompt");
        case Origin::preset:
            return QStringLiteral("preset");
        }
        return {};
    }

    static std::optional<Origin> originFromRawValue(const QString& raw) {
        for (Origin o : {Origin::defaultInstructions, Origin::customPrompt, Origin::preset}) {
            if (rawValue(o) == raw) {
                return o;
            }
        }
        return std::nullopt;
    }
};

// The model's answer: the text to paste, the provider's token counts (0 when unreported) and
// the model that was asked, for the log line and the usage record.
struct RewriteResult {
    QString text;
    qint64 promptTokens = 0;
    qint64 completionTokens = 0;
    QString model;
};
