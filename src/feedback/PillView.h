#pragma once

#include "feedback/PillState.h"

#include <QIcon>
#include <QStringList>
#include <QVariantAnimation>
#include <QWidget>

// The pill's window and what it draws: a capsule holding the working mark (a bright band
// sweeping across the brand mark), a check mark, a cross, or a warning sign with the failure's
// message on at most two lines. It never takes the focus and lets every click through.
class PillView final : public QWidget {
public:
    struct Look {
        QColor accent;
        QIcon mark;               // a template image, coloured with the accent
        bool translucent = false; // only with a compositor
    };

    explicit PillView(Look look);

    // Swaps the content and resizes the window to fit it.
    void setState(const PillState& state);
    const PillState& state() const { return m_state; }
    // Whether the working mark's sweep is running (only while shown and working).
    bool isSweeping() const { return m_sweep.state() == QAbstractAnimation::Running; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateSweep();
    void paintWorkingMark(QPainter& painter, const QRectF& frame) const;
    // The message or note, beside the glyph.
    void paintLines(QPainter& painter, const QRectF& glyph, qreal rowHeight) const;
    QPixmap tintedMark(int side, qreal ratio) const;

    Look m_look;
    PillState m_state;
    QStringList m_lines; // the failure message, wrapped
    qreal m_textWidth = 0;
    QVariantAnimation m_sweep;       // 0 to 1, once every 1.15 s
    QVariantAnimation m_contentFade; // a state change eases in
};
