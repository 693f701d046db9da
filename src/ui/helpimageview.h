// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture shown in place of the empty job list: where to drop movies. It takes no drops
// itself, so a drop on it reaches the main window.
#include <QWidget>

namespace tavrel {

class HelpImageView final : public QWidget
{
    Q_OBJECT

public:
    explicit HelpImageView(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(HelpImageView)

    QSize sizeHint() const override { return {420, 260}; }

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tavrel
