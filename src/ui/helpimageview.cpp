// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/helpimageview.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/images.h"

namespace tavrel {

HelpImageView::HelpImageView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("helpImageView"));
    setAcceptDrops(false);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void HelpImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::PlaceholderText);

    const QRectF area = QRectF(rect()).adjusted(24, 24, -24, -24);
    QPen dashed(ink, 2.0, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin);
    dashed.setDashPattern({4.0, 3.0});
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(area, 18, 18);

    // Icon, a drop arrow and two lines of text, centred as a block.
    QFont title = font();
    title.setPointSizeF(title.pointSizeF() * 1.5);
    title.setBold(true);
    QFont note = font();
    const QFontMetrics titleMetrics(title);
    const QFontMetrics noteMetrics(note);
    const int iconSize = int(qMin(96.0, area.height() * 0.35));
    const int blockHeight = iconSize + 16 + titleMetrics.height() + 6 + 2 * noteMetrics.height();
    qreal y = area.center().y() - blockHeight / 2.0;

    const QRect iconRect(int(area.center().x() - iconSize / 2.0), int(y), iconSize, iconSize);
    applicationIcon().paint(&painter, iconRect);
    y += iconSize + 16;

    painter.setPen(ink);
    painter.setFont(title);
    painter.drawText(QRectF(area.left(), y, area.width(), titleMetrics.height()), Qt::AlignCenter,
                     QStringLiteral("Drop movie files here"));
    y += titleMetrics.height() + 6;
    painter.setFont(note);
    painter.drawText(QRectF(area.left() + 12, y, area.width() - 24, 2 * noteMetrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     QStringLiteral("MKV, MP4, MOV and OGM movies. Subtitle files (SRT, ASS, SSA, SMI, SUB) "
                                    "with the movie's name are added to it."));
}

} // namespace tavrel
