// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scripted platform services for tests: alerts and panels answer from queues the test fills,
// everything asked of them is recorded.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QQueue>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include <functional>

#include "platform/api/services.h"

namespace tavrel::test {

class ScriptedAlerts final : public platform::AlertPresenter
{
public:
    QList<platform::AlertRequest> shown;   // every alert, in order
    QQueue<platform::AlertAnswer> answers; // next answers; empty queue answers defaultAnswer
    platform::AlertAnswer defaultAnswer{1};
    std::function<platform::AlertAnswer(const platform::AlertRequest &)> responder; // used first when set
    int activations = 0;

    void activateApplication() override { ++activations; }
    platform::AlertAnswer runModal(const platform::AlertRequest &request) override;
};

class ScriptedPanels final : public platform::Panels
{
public:
    struct Request
    {
        QString kind; // "files", "save", "folder"
        platform::PanelParent parent;
        QStringList allowedExtensions;
        QString startFolder, proposedName, extension;
    };
    QList<Request> requests;
    QQueue<std::optional<QStringList>> fileAnswers;
    QQueue<std::optional<QString>> saveAnswers;
    QQueue<std::optional<QString>> folderAnswers;

    std::optional<QStringList> chooseFiles(platform::PanelParent parent, const QStringList &allowed) override;
    std::optional<QString> chooseSaveFile(platform::PanelParent parent, const QString &startFolder,
                                          const QString &proposedName, const QString &extension) override;
    std::optional<QString> chooseFolder(platform::PanelParent parent) override;
};

class RecordingNotifier final : public platform::UserNotifier
{
public:
    QList<platform::UserNotification> delivered;
    void deliver(const platform::UserNotification &n) override { delivered.append(n); }
    void click(const QVariantMap &userInfo) const { activated(userInfo); }
};

class CountingSleepInhibitor final : public platform::SleepInhibitor
{
public:
    int held = 0;     // assertions currently held
    int acquired = 0; // ever taken
    std::unique_ptr<platform::SleepAssertion> acquire(const QString &reason) override;
    QString lastReason;
};

class RecordingWorkspace final : public platform::Workspace
{
public:
    QList<QUrl> opened;
    QList<QStringList> revealed;
    bool shift = false;
    bool openUrl(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }
    void revealFiles(const QStringList &paths) override { revealed.append(paths); }
    bool shiftHeld() const override { return shift; }
};

// Answers fixed figures per path prefix (longest prefix wins); unknown paths read 0 free.
class FixedVolumes final : public platform::VolumeInfo
{
public:
    QHash<QString, platform::VolumeFigures> byPrefix;
    platform::VolumeFigures figuresForPath(const QString &path) override;
};

// Folder references as plain paths, with access counted per folder.
class CountingBookmarks final : public platform::Bookmarks
{
public:
    QHash<QString, int> openAccess; // folder -> started minus stopped
    int starts = 0, stops = 0;
    bool failCreate = false;
    std::optional<QByteArray> create(const QString &folderPath) override;
    std::optional<QString> resolve(const QByteArray &data) override;
    bool startAccess(const QString &folderPath) override;
    void stopAccess(const QString &folderPath) override;
};

// All of the above, installed for the lifetime of the object and removed again after.
class ScriptedPlatform
{
public:
    ScriptedPlatform();
    ~ScriptedPlatform();
    ScriptedAlerts alerts;
    ScriptedPanels panels;
    RecordingNotifier notifier;
    CountingSleepInhibitor sleep;
    RecordingWorkspace workspace;
    FixedVolumes volumes;
    CountingBookmarks bookmarks;

private:
    platform::Services m_previous;
};

} // namespace tavrel::test
