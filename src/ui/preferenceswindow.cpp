// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferenceswindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/appdelegate.h"
#include "app/settings.h"
#include "conversion/videoencoding.h"
#include "ui/images.h"
#include "ui/popupfill.h"
#include "ui/windowstate.h"

namespace tavrel {

using namespace settings;

int shownPopUpIndex(qint64 stored, int itemCount, int fallback, int separatorIndex)
{
    if (stored < 0 || stored >= itemCount || stored == separatorIndex)
        return fallback;
    return int(stored);
}

PreferencesWindow::PreferencesWindow(AppDelegate *delegate, QWidget *parent) : QDialog(parent), m_delegate(delegate)
{
    setObjectName(QStringLiteral("preferencesWindow"));
    setWindowTitle(QStringLiteral("Preferences"));
    setModal(false);

    // Adding files
    auto *intake = new QGroupBox(QStringLiteral("Adding Files"), this);
    auto *intakeLayout = new QFormLayout(intake);
    intakeLayout->addRow(addCheckBox(QStringLiteral("autoAdd"),
                                     QStringLiteral("Add movies to the queue as soon as they have been read"),
                                     kAutoAddKey));
    m_destination = new QComboBox(intake);
    m_destination->setObjectName(QStringLiteral("preferencesDestinationPopUp"));
    m_destination->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_forgetFolder =
        new QPushButton(themedIcon(QStringLiteral("list-remove"), QString()), QStringLiteral("Forget Folder"), intake);
    m_forgetFolder->setObjectName(QStringLiteral("forgetFolderButton"));
    m_forgetFolder->setAutoDefault(false); // Return in the window must not forget a folder
    m_forgetFolder->setToolTip(QStringLiteral("Take the chosen folder off the list (its files stay)"));
    auto *destinationRow = new QHBoxLayout;
    destinationRow->addWidget(m_destination);
    destinationRow->addWidget(m_forgetFolder);
    intakeLayout->addRow(QStringLiteral("Default destination:"), destinationRow);
    m_defaultAudio = addIndexPopUp(QStringLiteral("defaultAudio"),
                                   {QStringLiteral("Automatic"), QString(), QStringLiteral("English"),
                                    QStringLiteral("German"), QStringLiteral("French"), QStringLiteral("Spanish"),
                                    QStringLiteral("Chinese"), QStringLiteral("Japanese"), QStringLiteral("Russian")},
                                   kDefaultAudioKey);
    m_defaultAudio->setToolTip(QStringLiteral("Automatic follows the languages of your desktop session"));
    intakeLayout->addRow(QStringLiteral("Preferred audio language:"), m_defaultAudio);
    intakeLayout->addRow(addCheckBox(QStringLiteral("disableBuiltinSubtitles"),
                                     QStringLiteral("Leave out the subtitle tracks inside the movie"),
                                     kDisableBuiltinSubtitlesKey));
    QCheckBox *level =
        addCheckBox(QStringLiteral("markLevel41"),
                    QStringLiteral("Mark H.264 video flagged above level 4.1 as 4.1 when it fits"), kMarkLevel41Key);
    level->setToolTip(QStringLiteral("The PlayStation 3 refuses video flagged above level 4.1. Only the flag "
                                     "changes; the picture is copied as it is."));
    intakeLayout->addRow(level);
    QCheckBox *split =
        addCheckBox(QStringLiteral("splitLargeOutputs"),
                    QStringLiteral("Split movies too large for a FAT32 disk into parts"), kSplitLargeOutputsKey);
    split->setToolTip(QStringLiteral("The PlayStation 3 reads USB disks only as FAT32, which holds no file of 4 GB "
                                     "or more. Larger movies become \"Movie - Part 1.mp4\", \"Movie - Part 2.mp4\", "
                                     "…, each of which plays on its own."));
    intakeLayout->addRow(split);

    // Video
    auto *video = new QGroupBox(QStringLiteral("Video"), this);
    auto *videoLayout = new QFormLayout(video);
    m_reencode =
        addCheckBox(QStringLiteral("reencodeVideo"),
                    QStringLiteral("Re-encode video the PlayStation 3 cannot play (to H.264)"), kReencodeVideoKey);
    m_reencode->setToolTip(QStringLiteral("HEVC, AV1, MPEG-2, 10-bit, 4:4:4 and pictures above 1080p or level 4.1 "
                                          "are re-encoded; video that plays is always copied as it is."));
    videoLayout->addRow(m_reencode);
    m_quality = new QSpinBox(video);
    m_quality->setObjectName(QStringLiteral("videoQuality"));
    m_quality->setRange(kBestVideoQuality, kWorstVideoQuality);
    m_quality->setToolTip(QStringLiteral("x264's constant rate factor: lower is better and larger; 18 to 23 is usual"));
    connect(m_quality, &QSpinBox::valueChanged, this, [this](int value) {
        if (!m_loading)
            setDefaultInt(kVideoQualityKey, value);
    });
    videoLayout->addRow(QStringLiteral("Quality:"), m_quality);
    m_speed = new QComboBox(video);
    m_speed->setObjectName(QStringLiteral("videoSpeed"));
    m_speed->addItems(videoSpeeds());
    m_speed->setToolTip(QStringLiteral("x264's preset: slower presets make smaller files of the same quality"));
    connect(m_speed, &QComboBox::activated, this, [this] {
        if (!m_loading)
            setDefaultObject(kVideoSpeedKey, m_speed->currentText());
    });
    videoLayout->addRow(QStringLiteral("Speed:"), m_speed);
    m_burnIn = addIndexPopUp(QStringLiteral("burnInSubtitles"),
                             {QStringLiteral("Never"), QStringLiteral("Forced tracks only"),
                              QStringLiteral("The first track in the audio language")},
                             kBurnInSubtitlesKey);
    m_burnIn->setToolTip(QStringLiteral("Picture subtitles (PGS, VobSub) can only be kept by burning them into a "
                                        "re-encoded picture"));
    videoLayout->addRow(QStringLiteral("Burn in picture subtitles:"), m_burnIn);

    // Audio
    auto *audio = new QGroupBox(QStringLiteral("Audio"), this);
    auto *audioLayout = new QFormLayout(audio);
    audioLayout->addRow(
        addCheckBox(QStringLiteral("ac3Downmix"), QStringLiteral("Downmix 5.1 AC3 tracks to stereo"), kAC3DownmixKey));
    audioLayout->addRow(addCheckBox(QStringLiteral("dtsDownmix"),
                                    QStringLiteral("Downmix 5.1 DTS and other tracks to stereo (else 5.1 AC3)"),
                                    kDTSDownmixKey));
    audioLayout->addRow(
        QStringLiteral("Stereo AC3 bitrate:"),
        addIndexPopUp(QStringLiteral("ac3StereoBitrate"),
                      {QStringLiteral("160k"), QStringLiteral("192k"), QStringLiteral("224k"), QStringLiteral("256k")},
                      kAC3StereoBitrateKey));
    audioLayout->addRow(
        QStringLiteral("Surround AC3 bitrate:"),
        addIndexPopUp(QStringLiteral("ac3SurroundBitrate"),
                      {QStringLiteral("384k"), QStringLiteral("448k"), QStringLiteral("512k"), QStringLiteral("576k")},
                      kAC3SurroundBitrateKey));

    // After a conversion
    auto *after = new QGroupBox(QStringLiteral("After Converting"), this);
    auto *afterLayout = new QFormLayout(after);
    afterLayout->addRow(addCheckBox(QStringLiteral("autoClean"), QStringLiteral("Remove successful jobs from the list"),
                                    kAutoCleanKey));
    m_autoRemove =
        addCheckBox(QStringLiteral("autoRemove"),
                    QStringLiteral("Dispose of the source movie after a successful conversion:"), kAutoRemoveKey);
    m_autoRemoveType = addIndexPopUp(QStringLiteral("autoRemoveType"),
                                     {QStringLiteral("Move it to the Trash"), QStringLiteral("Delete it at once")},
                                     kAutoRemoveTypeKey);
    afterLayout->addRow(m_autoRemove, m_autoRemoveType);
    afterLayout->addRow(addCheckBox(QStringLiteral("quitAfterConversion"),
                                    QStringLiteral("Quit Tavrel when a conversion ends and nothing else converts"),
                                    kQuitAfterConversionKey));

    for (QFormLayout *form : {intakeLayout, videoLayout, audioLayout, afterLayout})
        form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

    auto *column = new QVBoxLayout(this);
    column->addWidget(intake);
    column->addWidget(video);
    column->addWidget(audio);
    column->addWidget(after);
    column->addStretch(1);

    connect(m_autoRemove, &QCheckBox::toggled, this, &PreferencesWindow::updateDependentControls);
    connect(m_reencode, &QCheckBox::toggled, this, &PreferencesWindow::updateDependentControls);
    // The controller runs the folder chooser for the choose-folder item and writes
    // DefaultDestination for a real one.
    connect(m_destination, &QComboBox::activated, this, [this](int index) {
        m_delegate->setPreferencesDestinationPopUpIndex(index);
        updateDestinationIndex();
    });
    connect(m_delegate, &AppDelegate::preferencesDestinationPopUpItemsChanged, this,
            &PreferencesWindow::updateDestinationItems);
    connect(m_delegate, &AppDelegate::preferencesDestinationPopUpIndexChanged, this,
            &PreferencesWindow::updateDestinationIndex);
    connect(m_forgetFolder, &QPushButton::clicked, this, [this] {
        const int folder = m_destination->currentIndex() - 2;
        m_delegate->forgetDestination(folder);
    });

    load();
    restoreWindowGeometry(this, QStringLiteral("PreferencesGeometry"));
}

void PreferencesWindow::rememberGeometry() const
{
    saveWindowGeometry(this, QStringLiteral("PreferencesGeometry"));
}

void PreferencesWindow::hideEvent(QHideEvent *event)
{
    rememberGeometry();
    QDialog::hideEvent(event);
}

void PreferencesWindow::updateForgetButton()
{
    // Only a folder of the list can be forgotten, not the ask or choose items.
    const int index = m_destination->currentIndex();
    const PopUpItems items = m_delegate->preferencesDestinationPopUpItems();
    const bool folder = index >= 2 && index < items.size() - 2 && items.at(index).kind == PopUpItem::Kind::Item;
    m_forgetFolder->setEnabled(folder);
}

QCheckBox *PreferencesWindow::addCheckBox(const QString &objectName, const QString &text, const QString &key)
{
    auto *box = new QCheckBox(text, this);
    box->setObjectName(objectName);
    m_checkBoxes.append({box, key});
    connect(box, &QCheckBox::toggled, this, [this, key](bool on) {
        if (!m_loading)
            setDefaultInt(key, on ? 1 : 0);
    });
    return box;
}

QComboBox *PreferencesWindow::addIndexPopUp(const QString &objectName, const QStringList &items, const QString &key)
{
    auto *popUp = new QComboBox(this);
    popUp->setObjectName(objectName);
    for (const QString &item : items) {
        if (item.isNull())
            popUp->insertSeparator(popUp->count());
        else
            popUp->addItem(item);
    }
    m_indexPopUps.append({popUp, key});
    connect(popUp, &QComboBox::activated, this, [this, key](int index) {
        if (!m_loading)
            setDefaultInt(key, index);
    });
    return popUp;
}

void PreferencesWindow::load()
{
    m_loading = true;
    for (const auto &[box, key] : std::as_const(m_checkBoxes))
        box->setChecked(defaultInt(key) != 0);
    for (const auto &[popUp, key] : std::as_const(m_indexPopUps)) {
        const qint64 stored = defaultInt(key);
        int shown = 0;
        if (key == kDefaultAudioKey)
            shown = shownPopUpIndex(stored, popUp->count(), 0, 1);
        else if (key == kAC3StereoBitrateKey || key == kAC3SurroundBitrateKey)
            shown = shownPopUpIndex(stored, popUp->count(), 1);
        else if (key == kBurnInSubtitlesKey)
            shown = shownPopUpIndex(stored, popUp->count(), 1);
        else if (key == kAutoRemoveTypeKey)
            shown = stored != 0 ? 1 : 0; // any non-zero value deletes
        else
            shown = shownPopUpIndex(stored, popUp->count(), 0);
        popUp->setCurrentIndex(shown);
    }
    m_quality->setValue(videoQualityInRange(defaultInt(kVideoQualityKey)));
    m_speed->setCurrentText(x264Preset(conversionSettings()));
    m_loading = false;
    updateDestinationItems();
    updateDependentControls();
}

void PreferencesWindow::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        load();
    QDialog::showEvent(event);
}

void PreferencesWindow::updateDestinationItems()
{
    fillPopUp(m_destination, m_delegate->preferencesDestinationPopUpItems(),
              m_delegate->preferencesDestinationPopUpIndex());
    updateDestinationIndex();
}

void PreferencesWindow::updateDestinationIndex()
{
    const QSignalBlocker blocker(m_destination);
    const int index = m_delegate->preferencesDestinationPopUpIndex();
    if (index >= 0 && index < m_destination->count())
        m_destination->setCurrentIndex(index);
    m_destination->setToolTip(m_destination->currentData(Qt::ToolTipRole).toString());
    updateForgetButton();
}

void PreferencesWindow::updateDependentControls()
{
    m_autoRemoveType->setEnabled(m_autoRemove->isChecked());
    for (QWidget *control :
         {static_cast<QWidget *>(m_quality), static_cast<QWidget *>(m_speed), static_cast<QWidget *>(m_burnIn)})
        control->setEnabled(m_reencode->isChecked());
}

} // namespace tavrel
