// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/jobrowlayout.h"

#include <QVariant>

#include "conversion/jobstate.h"
#include "conversion/valuetransformers.h"

namespace tavrel {

namespace {

bool yes(const NumberValueTransformer &transformer, qint32 state)
{
    return transformer.transformedValue(QVariant(state)).toInt() != 0;
}

} // namespace

RowControls rowControls(qint32 state)
{
    RowControls c;
    c.pauseVisible = !yes(StatusNotRunningValueTransformer(), state);
    c.continueVisible = !yes(StatusNotQueuedAndPausedValueTransformer(), state);
    c.progressVisible = !yes(StatusIsQueuedValueTransformer(), state);
    c.progressEnabled = yes(StatusNotFinishedValueTransformer(), state);
    return c;
}

int jobRowHeight(int lineHeight)
{
    // name, status, a progress bar of line height, with margins and two gaps
    return 2 * kRowMargin + 3 * lineHeight + 2 * 3;
}

JobRowGeometry jobRowGeometry(const QRect &row, int lineHeight)
{
    JobRowGeometry g;
    const QRect inner = row.adjusted(kRowMargin, kRowMargin, -kRowMargin, -kRowMargin);
    const int iconSize = qMin(inner.height(), 40);
    g.icon = QRect(inner.left(), inner.center().y() - iconSize / 2 + 1, iconSize, iconSize);

    const int buttonsWidth = 3 * kRowButtonSize + 2 * kRowSpacing;
    const int buttonTop = inner.center().y() - kRowButtonSize / 2 + 1;
    int x = inner.right() + 1 - buttonsWidth;
    g.pauseContinue = QRect(x, buttonTop, kRowButtonSize, kRowButtonSize);
    x += kRowButtonSize + kRowSpacing;
    g.remove = QRect(x, buttonTop, kRowButtonSize, kRowButtonSize);
    x += kRowButtonSize + kRowSpacing;
    g.reveal = QRect(x, buttonTop, kRowButtonSize, kRowButtonSize);

    const int textLeft = g.icon.right() + 1 + 2 * kRowSpacing;
    const int textRight = g.pauseContinue.left() - 2 * kRowSpacing;
    const int textWidth = qMax(0, textRight - textLeft);
    g.name = QRect(textLeft, inner.top(), textWidth, lineHeight);
    g.status = QRect(textLeft, g.name.bottom() + 1 + 3, textWidth, lineHeight);
    const int barHeight = qMax(8, lineHeight); // tall enough for its per cent
    g.progress = QRect(textLeft, g.status.bottom() + 1 + 3 + (lineHeight - barHeight) / 2, textWidth, barHeight);
    return g;
}

RowButton rowButtonAt(const JobRowGeometry &geometry, const QPoint &point, qint32 state)
{
    const RowControls c = rowControls(state);
    if ((c.pauseVisible || c.continueVisible) && geometry.pauseContinue.contains(point))
        return RowButton::PauseContinue;
    if (c.removeEnabled && geometry.remove.contains(point))
        return RowButton::Remove;
    if (c.revealEnabled && geometry.reveal.contains(point))
        return RowButton::Reveal;
    return RowButton::None;
}

QList<RowButton> shownRowButtons(qint32 state)
{
    const RowControls c = rowControls(state);
    QList<RowButton> buttons;
    if (c.pauseVisible || c.continueVisible)
        buttons << RowButton::PauseContinue;
    if (c.removeEnabled)
        buttons << RowButton::Remove;
    if (c.revealEnabled)
        buttons << RowButton::Reveal;
    return buttons;
}

QString rowButtonName(RowButton button, qint32 state)
{
    switch (button) {
    case RowButton::PauseContinue:
        return state == Converting ? QStringLiteral("Pause") : QStringLiteral("Continue");
    case RowButton::Remove:
        return QStringLiteral("Remove");
    case RowButton::Reveal:
        return state == Failed ? QStringLiteral("Explain Failure") : QStringLiteral("Show in File Manager");
    case RowButton::None:
        break;
    }
    return {};
}

QString rowButtonToolTip(RowButton button, qint32 state)
{
    switch (button) {
    case RowButton::PauseContinue:
        return state == Converting ? QStringLiteral("Pause this conversion")
                                   : QStringLiteral("Start or continue this conversion");
    case RowButton::Remove:
        return state == Finished
            ? QStringLiteral("Remove from the list (the converted file stays)")
            : QStringLiteral("Remove from the list (stops the conversion and deletes its unfinished output)");
    case RowButton::Reveal:
        return state == Failed ? QStringLiteral("Show why the conversion failed")
                               : QStringLiteral("Show the converted file (with Shift: the source file)");
    case RowButton::None:
        break;
    }
    return {};
}

QString progressBarText(qint32 state, double progress)
{
    if (state != Converting && state != Paused)
        return {};
    const int percent = int(qBound(0.0, progress, 99.0));
    return QStringLiteral("%1%").arg(percent);
}

} // namespace tavrel
