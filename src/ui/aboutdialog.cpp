// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/aboutdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/appdelegate.h"
#include "support/ossorylib.h"
#include "ui/images.h"

namespace tavrel {

AboutDialog::AboutDialog(AppDelegate *delegate, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About ") + appName());

    auto *icon = new QLabel(this);
    icon->setPixmap(applicationIcon().pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    auto *name = new QLabel(appName(), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    auto *version = new QLabel(this);
    version->setObjectName(QStringLiteral("versionLabel"));
    version->setAlignment(Qt::AlignCenter);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *what =
        new QLabel(QStringLiteral("Turns Matroska movies into MP4 files that play on the PlayStation 3."), this);
    what->setWordWrap(true);
    what->setAlignment(Qt::AlignCenter);
    auto *licence = new QLabel(
        QStringLiteral("Free software: you can share and change it under the terms of the "
                       "<a href=\"https://www.gnu.org/licenses/gpl-3.0.html\">GNU General Public License</a>, "
                       "version 3 or later. It comes with no warranty."),
        this);
    licence->setObjectName(QStringLiteral("licenceLabel"));
    licence->setWordWrap(true);
    licence->setAlignment(Qt::AlignCenter);
    licence->setTextFormat(Qt::RichText);
    licence->setOpenExternalLinks(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *credits = buttons->addButton(QStringLiteral("Credits"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(credits, &QPushButton::clicked, this, &AboutDialog::creditsRequested);

    auto *column = new QVBoxLayout(this);
    column->addWidget(icon);
    column->addWidget(name);
    column->addWidget(version);
    column->addSpacing(6);
    column->addWidget(what);
    column->addSpacing(6);
    column->addWidget(licence);
    column->addSpacing(6);
    column->addWidget(buttons);

    auto update = [delegate, version] {
        version->setText(delegate->version() + QStringLiteral("  (") + delegate->build() + QStringLiteral(")"));
    };
    connect(delegate, &AppDelegate::aboutInfoChanged, this, update);
    update();
    setFixedWidth(360);
}

} // namespace tavrel
