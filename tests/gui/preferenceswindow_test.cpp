// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/settings.h"
#include "ui/preferenceswindow.h"
#include "uitesting.h"

namespace tavrel {
namespace {

using namespace settings;

class PreferencesTest : public test::UiFixture
{
protected:
    void SetUp() override
    {
        test::UiFixture::SetUp();
        preferences = std::make_unique<PreferencesWindow>(delegate.get());
    }
    void TearDown() override
    {
        preferences.reset();
        test::UiFixture::TearDown();
    }
    template<typename T>
    T *control(const char *name)
    {
        auto *widget = preferences->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void choose(QComboBox *popUp, int index)
    {
        popUp->setCurrentIndex(index);
        Q_EMIT popUp->activated(index);
    }

    std::unique_ptr<PreferencesWindow> preferences;
};

TEST_F(PreferencesTest, EveryControlWritesItsKey)
{
    const std::pair<const char *, QString> flags[] = {
        {"autoAdd", kAutoAddKey},       {"autoClean", kAutoCleanKey},
        {"autoRemove", kAutoRemoveKey}, {"quitAfterConversion", kQuitAfterConversionKey},
        {"ac3Downmix", kAC3DownmixKey}, {"dtsDownmix", kDTSDownmixKey},
    };
    for (const auto &[name, key] : flags) {
        QCheckBox *box = control<QCheckBox>(name);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(defaultInt(key), 0) << name;
        box->click();
        EXPECT_EQ(defaultInt(key), 1) << name;
    }
    // Registered as on: the first click turns it off.
    QCheckBox *subtitles = control<QCheckBox>("disableBuiltinSubtitles");
    EXPECT_TRUE(subtitles->isChecked());
    subtitles->click();
    EXPECT_EQ(defaultInt(kDisableBuiltinSubtitlesKey), 0);
    QCheckBox *level = control<QCheckBox>("markLevel41");
    ASSERT_NE(level, nullptr);
    EXPECT_TRUE(level->isChecked());
    level->click();
    EXPECT_EQ(defaultInt(kMarkLevel41Key), 0);

    const std::tuple<const char *, QString, int> choices[] = {
        {"autoRemoveType", kAutoRemoveTypeKey, 1},
        {"ac3StereoBitrate", kAC3StereoBitrateKey, 3},
        {"ac3SurroundBitrate", kAC3SurroundBitrateKey, 0},
        {"defaultAudio", kDefaultAudioKey, 8}, // Russian
    };
    for (const auto &[name, key, index] : choices) {
        QComboBox *popUp = control<QComboBox>(name);
        ASSERT_NE(popUp, nullptr);
        choose(popUp, index);
        EXPECT_EQ(defaultInt(key), index) << name;
    }
}

TEST_F(PreferencesTest, PopUpsShowTheirListsAndSaneChoicesForStoredValues)
{
    QComboBox *audio = control<QComboBox>("defaultAudio");
    ASSERT_EQ(audio->count(), 9);
    EXPECT_EQ(audio->itemText(0), QStringLiteral("Automatic"));
    EXPECT_EQ(audio->itemText(2), QStringLiteral("English"));
    EXPECT_EQ(audio->itemText(8), QStringLiteral("Russian"));
    QComboBox *stereo = control<QComboBox>("ac3StereoBitrate");
    EXPECT_EQ(stereo->currentText(), QStringLiteral("192k"));
    EXPECT_EQ(control<QComboBox>("ac3SurroundBitrate")->currentText(), QStringLiteral("448k"));

    // Values a user or an older version left in the store.
    setDefaultInt(kDefaultAudioKey, 1);
    setDefaultInt(kAC3StereoBitrateKey, 9);
    setDefaultInt(kAC3SurroundBitrateKey, 2);
    preferences->load();
    EXPECT_EQ(audio->currentIndex(), 0);
    EXPECT_EQ(stereo->currentText(), QStringLiteral("192k"));
    EXPECT_EQ(control<QComboBox>("ac3SurroundBitrate")->currentText(), QStringLiteral("512k"));
    // Showing them writes nothing back.
    EXPECT_EQ(defaultInt(kAC3StereoBitrateKey), 9);

    // The disposal choice only matters while disposal is on.
    QComboBox *removeType = control<QComboBox>("autoRemoveType");
    EXPECT_FALSE(removeType->isEnabled());
    control<QCheckBox>("autoRemove")->click();
    EXPECT_TRUE(removeType->isEnabled());
}

TEST_F(PreferencesTest, DestinationPopUpAddsAFolderAndMakesItTheDefault)
{
    QComboBox *destination = control<QComboBox>("preferencesDestinationPopUp");
    ASSERT_EQ(destination->count(), 3); // ask each time, separator, choose folder
    const QString folder = dir.filePath(QStringLiteral("Converted Movies"));
    ASSERT_TRUE(QDir().mkpath(folder));
    platform.panels.folderAnswers.enqueue(folder);

    choose(destination, 2);
    ASSERT_EQ(platform.panels.requests.size(), 1);
    EXPECT_EQ(platform.panels.requests.first().parent, platform::PanelParent::PreferencesWindow);
    ASSERT_EQ(destination->count(), 5);
    EXPECT_EQ(destination->itemText(2), QStringLiteral("Converted Movies"));
    EXPECT_EQ(destination->currentIndex(), 2);
    EXPECT_EQ(defaultInt(kDefaultDestinationKey), 2);

    choose(destination, 0); // back to asking each time
    EXPECT_EQ(defaultInt(kDefaultDestinationKey), 0);
}

TEST_F(PreferencesTest, AFolderCanBeForgottenAndShowsItsPath)
{
    QComboBox *destination = control<QComboBox>("preferencesDestinationPopUp");
    auto *forget = preferences->findChild<QPushButton *>(QStringLiteral("forgetFolderButton"));
    ASSERT_NE(forget, nullptr);
    EXPECT_FALSE(forget->isEnabled()) << "ask each time is not a folder";
    const QString folder = dir.filePath(QStringLiteral("Converted Movies"));
    ASSERT_TRUE(QDir().mkpath(folder));
    platform.panels.folderAnswers.enqueue(folder);
    choose(destination, 2);
    ASSERT_EQ(destination->currentIndex(), 2);
    EXPECT_EQ(destination->toolTip(), folder);
    EXPECT_TRUE(forget->isEnabled());
    preferences->show();
    destination->setFocus();
    QTest::keyClick(destination, Qt::Key_Return); // Return is not a request to forget
    EXPECT_EQ(destination->count(), 5);

    forget->click();
    EXPECT_EQ(destination->count(), 3);
    EXPECT_EQ(destination->currentIndex(), 0);
    EXPECT_EQ(defaultInt(kDefaultDestinationKey), 0);
    EXPECT_FALSE(forget->isEnabled());
    EXPECT_TRUE(QFileInfo::exists(folder)) << "the folder itself stays";
}

} // namespace
} // namespace tavrel
