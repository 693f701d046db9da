// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Paints one job row (icon, file name, status line, progress bar, the row's buttons) and turns
// clicks on those buttons into the job's own controls.
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

#include "conversion/conversionjob.h"
#include "ui/jobrowlayout.h"

namespace tavrel {

class JobDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit JobDelegate(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(JobDelegate)

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

Q_SIGNALS:
    // Emitted after the click has been handed to the job (on the next turn of the event loop).
    void rowButtonClicked(tavrel::ConversionJob *job, tavrel::RowButton button);

private:
    void paintButton(QPainter *painter, const QRect &rect, RowButton button, bool isPause,
                     const QModelIndex &index) const;

    QPersistentModelIndex m_hoverIndex;
    RowButton m_hoverButton = RowButton::None;
    QPersistentModelIndex m_pressedIndex;
    RowButton m_pressedButton = RowButton::None;
};

// What a row button does to its job: pause a converting job or continue a queued or paused one,
// remove it, or reveal its output (its failure explanation when it failed).
void performRowButton(ConversionJob *job, RowButton button);

} // namespace tavrel
