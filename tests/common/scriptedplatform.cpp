// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptedplatform.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel::test {

platform::AlertAnswer ScriptedAlerts::runModal(const platform::AlertRequest &request)
{
    shown.append(request);
    if (responder)
        return responder(request);
    if (!answers.isEmpty())
        return answers.dequeue();
    return defaultAnswer;
}

std::optional<QStringList> ScriptedPanels::chooseFiles(platform::PanelParent parent, const QStringList &allowed)
{
    requests.append({QStringLiteral("files"), parent, allowed, {}, {}, {}});
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
}

std::optional<QString> ScriptedPanels::chooseSaveFile(platform::PanelParent parent, const QString &startFolder,
                                                      const QString &proposedName, const QString &extension)
{
    requests.append({QStringLiteral("save"), parent, {}, startFolder, proposedName, extension});
    return saveAnswers.isEmpty() ? std::nullopt : saveAnswers.dequeue();
}

std::optional<QString> ScriptedPanels::chooseFolder(platform::PanelParent parent)
{
    requests.append({QStringLiteral("folder"), parent, {}, {}, {}, {}});
    return folderAnswers.isEmpty() ? std::nullopt : folderAnswers.dequeue();
}

namespace {
class CountedAssertion final : public platform::SleepAssertion
{
public:
    explicit CountedAssertion(int &held) : m_held(held) { ++m_held; }
    ~CountedAssertion() override { --m_held; }

private:
    int &m_held;
};
} // namespace

std::unique_ptr<platform::SleepAssertion> CountingSleepInhibitor::acquire(const QString &reason)
{
    ++acquired;
    lastReason = reason;
    return std::make_unique<CountedAssertion>(held);
}

platform::VolumeFigures FixedVolumes::figuresForPath(const QString &path)
{
    qsizetype best = -1;
    platform::VolumeFigures result;
    for (auto it = byPrefix.cbegin(); it != byPrefix.cend(); ++it) {
        if (path.startsWith(it.key()) && it.key().size() > best) {
            best = it.key().size();
            result = it.value();
        }
    }
    return result;
}

std::optional<QByteArray> CountingBookmarks::create(const QString &folderPath)
{
    if (failCreate)
        return std::nullopt;
    return folderPath.toUtf8();
}

std::optional<QString> CountingBookmarks::resolve(const QByteArray &data)
{
    const QString path = QString::fromUtf8(data);
    if (!QFileInfo(path).isDir())
        return std::nullopt;
    return path;
}

bool CountingBookmarks::startAccess(const QString &folderPath)
{
    if (!QFileInfo(folderPath).isDir())
        return false;
    ++starts;
    ++openAccess[folderPath];
    return true;
}

void CountingBookmarks::stopAccess(const QString &folderPath)
{
    ++stops;
    --openAccess[folderPath];
}

ScriptedPlatform::ScriptedPlatform() : m_previous(platform::services())
{
    platform::install({&alerts, &panels, &notifier, &sleep, &workspace, &volumes, &bookmarks});
}

ScriptedPlatform::~ScriptedPlatform()
{
    platform::install(m_previous);
}

} // namespace tavrel::test
