// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the parts of one job row go, and which of its controls a job state shows; plain
// functions so the delegate's painting and its click handling agree.
#include <QList>
#include <QMetaType>
#include <QRect>
#include <QString>
#include <QtGlobal>

namespace tavrel {

enum class RowButton { None, PauseContinue, Remove, Reveal };

// Visibility and enabled state of a row's controls, from the status value transformers.
struct RowControls
{
    bool pauseVisible = false;    // converting: the pause button
    bool continueVisible = false; // queued or paused: the continue button, same place
    bool removeEnabled = true;
    bool revealEnabled = true;
    bool progressVisible = false; // hidden while queued
    bool progressEnabled = false; // dimmed once finished or failed
};
RowControls rowControls(qint32 state);

struct JobRowGeometry
{
    QRect icon;
    QRect name;
    QRect status;
    QRect progress;
    QRect pauseContinue;
    QRect remove;
    QRect reveal;
};

inline constexpr int kRowMargin = 6;
inline constexpr int kRowButtonSize = 22;
inline constexpr int kRowSpacing = 6;

// Layout inside a row rectangle for the given text line height.
JobRowGeometry jobRowGeometry(const QRect &row, int lineHeight);
int jobRowHeight(int lineHeight);

// The control under a point, counting only controls shown and enabled for the state.
RowButton rowButtonAt(const JobRowGeometry &geometry, const QPoint &point, qint32 state);

// The controls a row shows for the state, left to right.
QList<RowButton> shownRowButtons(qint32 state);
// What a control is called (its accessible name) and what its tooltip says, for the state.
QString rowButtonName(RowButton button, qint32 state);
QString rowButtonToolTip(RowButton button, qint32 state);

// The per cent written on the progress bar of a converting or paused job ("42%"; whole per
// cents, never 100 before the end); empty in other states.
QString progressBarText(qint32 state, double progress);

} // namespace tavrel

Q_DECLARE_METATYPE(tavrel::RowButton)
