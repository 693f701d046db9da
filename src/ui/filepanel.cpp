// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/filepanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/appdelegate.h"
#include "ui/popupfill.h"

namespace tavrel {

FilePanel::FilePanel(AppDelegate *delegate, QWidget *parent) : QFrame(parent), m_delegate(delegate)
{
    setObjectName(QStringLiteral("filePanel"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::AlternateBase);

    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("fileNameLabel"));
    QFont bold = m_nameLabel->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    m_nameLabel->setFont(bold);
    m_nameLabel->setTextFormat(Qt::PlainText);

    m_infoLabel = new QLabel(this);
    m_infoLabel->setObjectName(QStringLiteral("informationLabel"));
    m_infoLabel->setTextFormat(Qt::PlainText);
    m_infoLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_infoLabel->setForegroundRole(QPalette::PlaceholderText);

    m_busy = new QProgressBar(this);
    m_busy->setObjectName(QStringLiteral("scanIndicator"));
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setFixedSize(90, 12);
    m_busy->setToolTip(QStringLiteral("Reading the movie…"));

    m_audioPopUp = new QComboBox(this);
    m_audioPopUp->setObjectName(QStringLiteral("audioPopUp"));
    m_audioPopUp->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_audioPopUp->setMinimumContentsLength(18);
    m_destinationPopUp = new QComboBox(this);
    m_destinationPopUp->setObjectName(QStringLiteral("destinationPopUp"));
    m_destinationPopUp->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_destinationPopUp->setMinimumContentsLength(12);

    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_addButton = new QPushButton(this);
    m_addButton->setObjectName(QStringLiteral("addButton"));
    m_addButton->setDefault(true);
    // Return on a focused button presses that button, as in a dialog; elsewhere in the panel it
    // presses the add button.
    m_addButton->setAutoDefault(true);
    m_cancelButton->setAutoDefault(true);

    auto *audioLabel = new QLabel(QStringLiteral("Audio:"), this);
    audioLabel->setBuddy(m_audioPopUp);
    auto *destinationLabel = new QLabel(QStringLiteral("Destination:"), this);
    destinationLabel->setBuddy(m_destinationPopUp);

    auto *top = new QHBoxLayout;
    top->addWidget(m_nameLabel, 1);
    top->addWidget(m_busy, 0, Qt::AlignVCenter);
    auto *controls = new QHBoxLayout;
    controls->addWidget(audioLabel);
    controls->addWidget(m_audioPopUp);
    controls->addSpacing(12);
    controls->addWidget(destinationLabel);
    controls->addWidget(m_destinationPopUp);
    controls->addStretch(1);
    controls->addWidget(m_cancelButton);
    controls->addWidget(m_addButton);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(12, 8, 12, 8);
    column->setSpacing(4);
    column->addLayout(top);
    column->addWidget(m_infoLabel);
    column->addSpacing(4);
    column->addLayout(controls);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(m_cancelButton, &QPushButton::clicked, m_delegate, [this] { m_delegate->cancelAdd(); });
    connect(m_addButton, &QPushButton::clicked, m_delegate, [this] { m_delegate->addToQueue(); });
    connect(m_audioPopUp, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_updating)
            m_delegate->setAudioPopUpIndex(index);
    });
    // activated, not currentIndexChanged: choosing the choose-folder item again must ask again.
    connect(m_destinationPopUp, &QComboBox::activated, this, [this](int index) {
        m_delegate->setDestinationPopUpIndex(index);
        updateDestinationIndex();
    });

    connect(m_delegate, &AppDelegate::filePanelHeightChanged, this, &FilePanel::updateHeight);
    connect(m_delegate, &AppDelegate::fileInfoChanged, this, &FilePanel::updateFile);
    connect(m_delegate, &AppDelegate::isScanningChanged, this, &FilePanel::updateScanning);
    connect(m_delegate, &AppDelegate::audioPopUpItemsChanged, this, &FilePanel::updateAudioItems);
    connect(m_delegate, &AppDelegate::audioPopUpIndexChanged, this, &FilePanel::updateAudioIndex);
    connect(m_delegate, &AppDelegate::destinationPopUpItemsChanged, this, &FilePanel::updateDestinationItems);
    connect(m_delegate, &AppDelegate::destinationPopUpIndexChanged, this, &FilePanel::updateDestinationIndex);
    connect(m_delegate, &AppDelegate::addButtonTitleChanged, this, &FilePanel::updateAddButton);
    connect(m_delegate, &AppDelegate::scanFinished, this, &FilePanel::focusFirstChoice);

    updateFile();
    updateAudioItems();
    updateDestinationItems();
    updateScanning();
    updateHeight();
}

void FilePanel::updateHeight()
{
    setVisible(m_delegate->filePanelHeight() > 0);
}

void FilePanel::keyPressEvent(QKeyEvent *event)
{
    // The pop-ups pass these keys on while closed; an open pop-up list takes them itself.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_addButton->isEnabled())
            m_addButton->click();
        event->accept();
        return;
    case Qt::Key_Escape:
        m_cancelButton->click();
        event->accept();
        return;
    default:
        QFrame::keyPressEvent(event);
    }
}

void FilePanel::focusFirstChoice()
{
    // With AutoAdd the panel may already have moved on or closed.
    if (isVisible() && m_audioPopUp->isEnabled())
        m_audioPopUp->setFocus(Qt::OtherFocusReason);
}

void FilePanel::updateFile()
{
    m_nameLabel->setText(m_delegate->fileName());
    const QString notes = m_delegate->conversionNotes();
    const QString information = m_delegate->informationString() + (notes.isEmpty() ? QString() : u'\n' + notes);
    m_infoLabel->setText(information);
    m_infoLabel->setToolTip(information);
    updateAddButton();
}

void FilePanel::updateScanning()
{
    const bool scanning = m_delegate->isScanning();
    m_busy->setVisible(scanning);
    if (scanning && !m_delegate->fileInfo()) {
        m_nameLabel->setText(QStringLiteral("Reading the movie…"));
        m_infoLabel->clear();
    }
    m_audioPopUp->setEnabled(!scanning);
    m_destinationPopUp->setEnabled(!scanning);
    updateAddButton();
}

void FilePanel::updateAudioItems()
{
    m_updating = true;
    {
        const QSignalBlocker blocker(m_audioPopUp);
        m_audioPopUp->clear();
        m_audioPopUp->addItems(m_delegate->audioPopUpItems());
    }
    m_updating = false;
    updateAudioIndex();
}

void FilePanel::updateAudioIndex()
{
    m_updating = true;
    m_audioPopUp->setCurrentIndex(m_delegate->audioPopUpIndex());
    m_updating = false;
}

void FilePanel::updateDestinationItems()
{
    fillPopUp(m_destinationPopUp, m_delegate->destinationPopUpItems(), m_delegate->destinationPopUpIndex());
    updateDestinationToolTip();
}

void FilePanel::updateDestinationIndex()
{
    const QSignalBlocker blocker(m_destinationPopUp);
    const int index = m_delegate->destinationPopUpIndex();
    if (index >= 0 && index < m_destinationPopUp->count())
        m_destinationPopUp->setCurrentIndex(index);
    updateDestinationToolTip();
}

void FilePanel::updateDestinationToolTip()
{
    const QString path = m_destinationPopUp->currentData(Qt::ToolTipRole).toString();
    m_destinationPopUp->setToolTip(path.isEmpty() ? QStringLiteral("A save panel asks where each movie goes") : path);
}

void FilePanel::updateAddButton()
{
    m_addButton->setText(m_delegate->addButtonTitle());
    // Nothing to add while the scan runs or when it gave no record.
    m_addButton->setEnabled(!m_delegate->isScanning() && m_delegate->fileInfo() != nullptr);
}

} // namespace tavrel
