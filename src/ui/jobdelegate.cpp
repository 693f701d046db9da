// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/jobdelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QToolTip>

#include "conversion/conversionjob.h"
#include "ui/images.h"
#include "ui/joblistmodel.h"

namespace tavrel {

namespace {

ConversionJob *jobOf(const QModelIndex &index)
{
    return qobject_cast<ConversionJob *>(index.data(JobListModel::JobRole).value<QObject *>());
}

qint32 stateOf(const QModelIndex &index)
{
    return index.data(JobListModel::StateRole).toInt();
}

int lineHeightFor(const QStyleOptionViewItem &option)
{
    return option.fontMetrics.height();
}

} // namespace

void performRowButton(ConversionJob *job, RowButton button)
{
    if (!job)
        return;
    switch (button) {
    case RowButton::PauseContinue:
        if (job->state() == Converting)
            job->pause();
        else if (job->state() == Queued || job->state() == Paused)
            job->continueJob();
        break;
    case RowButton::Remove:
        job->remove();
        break;
    case RowButton::Reveal:
        job->reveal();
        break;
    case RowButton::None:
        break;
    }
}

JobDelegate::JobDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

QSize JobDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return {qMax(option.rect.width(), 320), jobRowHeight(lineHeightFor(option))};
}

void JobDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();

    painter->save();
    // Background and selection only; the texts are laid out here.
    opt.text.clear();
    opt.icon = QIcon();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    const qint32 state = stateOf(index);
    const RowControls controls = rowControls(state);
    const JobRowGeometry g = jobRowGeometry(option.rect, lineHeightFor(option));
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    const QColor textColor = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);

    applicationIcon().paint(painter, g.icon);

    QFont nameFont = option.font;
    nameFont.setBold(true);
    painter->setFont(nameFont);
    painter->setPen(textColor);
    const QString name = index.data(Qt::DisplayRole).toString();
    painter->drawText(g.name, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(nameFont).elidedText(name, Qt::ElideMiddle, g.name.width()));

    painter->setFont(option.font);
    QColor statusColor = textColor;
    if (!selected)
        statusColor = option.palette.color(group, QPalette::PlaceholderText);
    if (state == Failed && !selected)
        statusColor = QColor(0xb0, 0x20, 0x20);
    painter->setPen(statusColor);
    const QString status = index.data(JobListModel::StateInfoRole).toString();
    painter->drawText(g.status, Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(status, Qt::ElideRight, g.status.width()));

    if (controls.progressVisible) {
        QStyleOptionProgressBar bar;
        bar.palette = option.palette;
        bar.fontMetrics = option.fontMetrics;
        bar.direction = option.direction;
        bar.rect = g.progress;
        bar.minimum = 0;
        bar.maximum = 1000;
        const double progress = index.data(JobListModel::ProgressRole).toDouble();
        bar.progress = int(qBound(0.0, progress, 100.0) * 10.0);
        bar.text = progressBarText(state, progress);
        bar.textVisible = !bar.text.isEmpty();
        bar.textAlignment = Qt::AlignCenter;
        // A finished or failed bar is full either way; its colour tells which.
        if (state == Finished || state == Failed) {
            const QColor done = state == Finished ? QColor(0x2e, 0x8b, 0x3e) : QColor(0xc0, 0x39, 0x2b);
            bar.palette.setColor(QPalette::Active, QPalette::Highlight, done);
            bar.palette.setColor(QPalette::Inactive, QPalette::Highlight, done);
            bar.palette.setColor(QPalette::Disabled, QPalette::Highlight, done.lighter(130));
        }
        bar.state = QStyle::State_Horizontal;
        if (controls.progressEnabled && (option.state & QStyle::State_Enabled))
            bar.state |= QStyle::State_Enabled;
        style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
    }

    if (controls.pauseVisible || controls.continueVisible)
        paintButton(painter, g.pauseContinue, RowButton::PauseContinue, controls.pauseVisible, index);
    if (controls.removeEnabled)
        paintButton(painter, g.remove, RowButton::Remove, false, index);
    if (controls.revealEnabled)
        paintButton(painter, g.reveal, RowButton::Reveal, false, index);
    painter->restore();
}

void JobDelegate::paintButton(QPainter *painter, const QRect &rect, RowButton button, bool isPause,
                              const QModelIndex &index) const
{
    const bool pressed = m_pressedButton == button && m_pressedIndex == index;
    const bool hovered = m_hoverButton == button && m_hoverIndex == index;
    QColor fill(0x8a, 0x8a, 0x8a);
    if (pressed)
        fill = QColor(0x3c, 0x3c, 0x3c);
    else if (hovered)
        fill = QColor(0x5c, 0x5c, 0x5c);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(fill);
    painter->drawEllipse(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5));

    const QPointF c = QRectF(rect).center();
    const qreal u = rect.width() / 22.0; // glyphs drawn on a 22-unit grid
    painter->setBrush(Qt::white);
    QPen pen(Qt::white, 2.2 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (button) {
    case RowButton::PauseContinue:
        if (isPause) {
            painter->drawRoundedRect(QRectF(c.x() - 4.5 * u, c.y() - 5 * u, 3.2 * u, 10 * u), u, u);
            painter->drawRoundedRect(QRectF(c.x() + 1.3 * u, c.y() - 5 * u, 3.2 * u, 10 * u), u, u);
        } else {
            QPainterPath triangle;
            triangle.moveTo(c.x() - 3 * u, c.y() - 5.5 * u);
            triangle.lineTo(c.x() + 5.5 * u, c.y());
            triangle.lineTo(c.x() - 3 * u, c.y() + 5.5 * u);
            triangle.closeSubpath();
            painter->drawPath(triangle);
        }
        break;
    case RowButton::Remove:
        painter->setPen(pen);
        painter->drawLine(QPointF(c.x() - 4 * u, c.y() - 4 * u), QPointF(c.x() + 4 * u, c.y() + 4 * u));
        painter->drawLine(QPointF(c.x() + 4 * u, c.y() - 4 * u), QPointF(c.x() - 4 * u, c.y() + 4 * u));
        break;
    case RowButton::Reveal:
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawLine(QPointF(c.x() - 5 * u, c.y()), QPointF(c.x() + 4.5 * u, c.y()));
        painter->drawPolyline(QList<QPointF>{QPointF(c.x() + 0.5 * u, c.y() - 4.5 * u), QPointF(c.x() + 5 * u, c.y()),
                                             QPointF(c.x() + 0.5 * u, c.y() + 4.5 * u)});
        break;
    case RowButton::None:
        break;
    }
    painter->restore();
}

bool JobDelegate::editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                              const QModelIndex &index)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove
        && type != QEvent::MouseButtonDblClick)
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    auto *mouse = static_cast<QMouseEvent *>(event);
    const JobRowGeometry g = jobRowGeometry(option.rect, lineHeightFor(option));
    const RowButton button = rowButtonAt(g, mouse->position().toPoint(), stateOf(index));
    auto *view = qobject_cast<QAbstractItemView *>(const_cast<QWidget *>(option.widget));
    auto repaint = [view] {
        if (view)
            view->viewport()->update();
    };

    if (type == QEvent::MouseMove) {
        if (m_hoverButton != button || m_hoverIndex != index) {
            m_hoverButton = button;
            m_hoverIndex = button == RowButton::None ? QPersistentModelIndex() : QPersistentModelIndex(index);
            repaint();
        }
        return false;
    }
    if (mouse->button() != Qt::LeftButton)
        return false;
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        m_pressedButton = button;
        m_pressedIndex = button == RowButton::None ? QPersistentModelIndex() : QPersistentModelIndex(index);
        repaint();
        return button != RowButton::None;
    }

    // Release: act only when it ends on the button the press began on.
    const bool hit = button != RowButton::None && button == m_pressedButton && m_pressedIndex == index;
    m_pressedButton = RowButton::None;
    m_pressedIndex = QPersistentModelIndex();
    repaint();
    if (!hit)
        return false;
    // The job may leave the list (and the model) as a result; act after this event is done.
    QPointer<ConversionJob> job = jobOf(index);
    if (job) {
        QMetaObject::invokeMethod(
            this,
            [this, job, button] {
                if (!job)
                    return;
                performRowButton(job, button);
                if (job)
                    Q_EMIT rowButtonClicked(job, button);
            },
            Qt::QueuedConnection);
    }
    return true;
}

bool JobDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                            const QModelIndex &index)
{
    if (event && event->type() == QEvent::ToolTip) {
        const JobRowGeometry g = jobRowGeometry(option.rect, lineHeightFor(option));
        const qint32 state = stateOf(index);
        const RowButton button = rowButtonAt(g, event->pos(), state);
        if (button != RowButton::None) {
            QToolTip::showText(event->globalPos(), rowButtonToolTip(button, state), view);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

} // namespace tavrel
