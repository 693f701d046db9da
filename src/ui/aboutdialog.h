// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The About window: icon, name, version and build from the controller, the licence and the credits.
#include <QDialog>

namespace tavrel {

class AppDelegate;

class AboutDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(AppDelegate *delegate, QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(AboutDialog)

Q_SIGNALS:
    void creditsRequested();
};

} // namespace tavrel
