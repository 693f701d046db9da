// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/fileintake.h"

#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include "app/destinationfolders.h"
#include "app/jobqueue.h"
#include "app/settings.h"
#include "conversion/conversionjob.h"
#include "inspection/languages.h"
#include "platform/api/services.h"
#include "support/alerts.h"
#include "support/format.h"
#include "support/ossorylib.h"
#include "support/paths.h"
#include "support/stringextras.h"
#include "support/strings.h"

namespace tavrel {

namespace {

// The scan runs on a pool thread; the store is safe to read there.
std::shared_ptr<MKVFileInfo> scanWithSettings(const QUrl &url)
{
    return MKVFileInfo::scan(url, settings::defaultInt(settings::kReencodeVideoKey) != 0);
}

} // namespace

FileIntake::FileIntake(JobQueue &queue, DestinationFolders &destinations, QObject *parent)
    : QObject(parent)
    , m_queue(queue)
    , m_destinations(destinations)
    , m_movieFileTypes(defaultMovieFileTypes())
    , m_scanner(&scanWithSettings)
{
}

void FileIntake::reset()
{
    m_movieFileTypes = defaultMovieFileTypes();
    setPanelShown(false);
    m_importSubtitleFiles.clear();
    m_importFiles.clear();
}

void FileIntake::setPreferredLanguages(const QStringList &languages)
{
    if (m_preferredLanguages == languages)
        return;
    m_preferredLanguages = languages;
    Q_EMIT preferredLanguagesChanged();
}

void FileIntake::registerSubtitle(const QString &path)
{
    for (const QString &key : subtitleKeys(path))
        m_importSubtitleFiles.insert(key, path);
}

void FileIntake::application_openFiles(const QStringList &given)
{
    const bool wasEmpty = m_importFiles.isEmpty();
    QStringList paths;
    QStringList special;
    for (const QString &path : given)
        ((hasExtensionIn(path, m_movieFileTypes) || hasExtensionIn(path, subtitleFileTypes())) && isSpecialFile(path)
             ? special
             : paths)
            .append(path);
    if (!special.isEmpty())
        alert(appName(), specialFilesMessage(special), QStringLiteral("OK"));
    for (const QString &path : paths)
        if (isTextSubtitleFile(path))
            registerSubtitle(path);
    // After the text types, so a text "sub" file wins for the same name.
    for (const QString &path : paths)
        if (isTextSubFile(path))
            registerSubtitle(path);
    QStringList unreadable;
    for (qsizetype i = paths.size() - 1; i >= 0; --i) {
        if (!hasExtensionIn(paths.at(i), m_movieFileTypes))
            continue;
        if (hasUndecodableName(paths.at(i)))
            unreadable.prepend(paths.at(i));
        else
            m_importFiles.append(paths.at(i));
    }
    // One movie at a time: while one is read or waits in the panel for the user, the new ones
    // wait their turn, which comes when it is added or cancelled.
    if (wasEmpty && !isIntakeBusyBesidesPending())
        addNextFile();
    if (!unreadable.isEmpty())
        alert(appName(), undecodableNamesMessage(unreadable), QStringLiteral("OK"));
}

bool FileIntake::draggingEntered(const QStringList &paths) const
{
    for (const QString &path : paths)
        if (hasExtensionIn(path, m_movieFileTypes))
            return true;
    return false;
}

bool FileIntake::performDragOperation(const QStringList &paths)
{
    application_openFiles(paths);
    return true;
}

void FileIntake::addClicked()
{
    platform::Panels *panels = platform::services().panels;
    if (!panels)
        return;
    const auto chosen = panels->chooseFiles(platform::PanelParent::MainWindow, m_movieFileTypes + subtitleFileTypes());
    if (chosen)
        application_openFiles(*chosen);
}

void FileIntake::setScanner(Scanner scanner)
{
    m_scanner = scanner ? std::move(scanner) : Scanner(&scanWithSettings);
}

void FileIntake::addNextFile()
{
    if (m_importFiles.isEmpty() || m_queue.isTerminating() || m_isScanning)
        return;
    const QString path = m_importFiles.last();
    const QString key = pathWithoutExtension(path);
    const QString subtitle = m_importSubtitleFiles.value(key);

    setPanelShown(true);
    setIsScanning(true);

    m_importFiles.removeLast();
    m_importSubtitleFiles.remove(key);

    auto *watcher = new QFutureWatcher<std::shared_ptr<MKVFileInfo>>(this);
    connect(watcher, &QFutureWatcher<std::shared_ptr<MKVFileInfo>>::finished, this, [this, watcher, subtitle] {
        watcher->deleteLater();
        scanEnded(watcher->result(), subtitle);
    });
    watcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), m_scanner, fileURL(path)));
}

void FileIntake::scanEnded(const std::shared_ptr<MKVFileInfo> &info, const QString &subtitlePath)
{
    if (m_queue.isTerminating())
        return;
    if (m_scanCancelled) {
        // Cancelled while it was read: the movie is dropped and the next one is read.
        m_scanCancelled = false;
        setIsScanning(false);
        cancelAdd();
        Q_EMIT scanFinished();
        return;
    }
    if (info && !info->unreadableReport.isEmpty()) {
        // Converting what could be read would pick the wrong sound: the movie is dropped.
        alert(appName(),
              makeString(QStringLiteral("%@ could not read “%@”. %@"), appName(),
                         elidedName(info->fileName.isEmpty() ? info->fileURL.fileName() : info->fileName),
                         info->unreadableReport),
              QStringLiteral("OK"));
        setIsScanning(false);
        cancelAdd();
        Q_EMIT scanFinished();
        return;
    }
    if (info && !info->toolFailure.isEmpty())
        reportToolFailure(*info);
    m_subtitleFile = info ? subtitlePath : QString();
    if (info && !subtitlePath.isEmpty()) {
        info->informationString = replaced(info->informationString, QStringLiteral(")"), QStringLiteral("+1)"));
    }
    setFileInfo(info);
    selectBestAudioTrack();
    setIsScanning(false);
    m_destinations.rebuildDestinationPopUp();
    if (settings::defaultInt(settings::kAutoAddKey) != 0)
        addToQueue();
    Q_EMIT scanFinished();
}

void FileIntake::reportToolFailure(const MKVFileInfo &info)
{
    alert(appName(),
          makeString(QStringLiteral("%@ could not inspect “%@”. %@\n\n%@ needs ffmpeg and mediainfo to inspect and "
                                    "convert movies. Please install the missing program or make sure it can be run."),
                     appName(), elidedName(info.fileName.isEmpty() ? info.fileURL.fileName() : info.fileName),
                     info.toolFailure, appName()),
          QStringLiteral("OK"));
}

void FileIntake::setFileInfo(std::shared_ptr<MKVFileInfo> info)
{
    m_fileInfo = std::move(info);
    Q_EMIT fileInfoChanged();

    const QStringList items = m_fileInfo ? audioTrackDescriptions(m_fileInfo->audioTracks) : QStringList();
    if (items != m_audioPopUpItems) {
        m_audioPopUpItems = items;
        Q_EMIT audioPopUpItemsChanged();
    }
    // The pop-up keeps its selection when it still names an item.
    const int index = m_audioPopUpIndex >= 0 && m_audioPopUpIndex < items.size() ? m_audioPopUpIndex
        : items.isEmpty()                                                        ? -1
                                                                                 : 0;
    if (index != m_audioPopUpIndex) {
        m_audioPopUpIndex = index;
        Q_EMIT audioPopUpIndexChanged();
    }
}

void FileIntake::selectBestAudioTrack()
{
    if (const std::optional<QString> best = bestLanguage())
        setAudioPopUpIndex(int(m_audioPopUpItems.indexOf(*best)));
}

std::optional<QString> FileIntake::bestLanguage() const
{
    if (!m_fileInfo)
        return std::nullopt;
    const QStringList languages =
        languageListFor(settings::defaultInt(settings::kDefaultAudioKey), m_preferredLanguages);
    const AudioTrackFacts *best =
        audioTrackWithId(m_fileInfo->audioTracks, bestAudioTrack(m_fileInfo->audioTracks, languages));
    return best ? std::optional<QString>(audioTrackDescription(*best)) : std::nullopt;
}

QString FileIntake::fileName() const
{
    return m_fileInfo ? m_fileInfo->fileName : QString();
}

QString FileIntake::informationString() const
{
    return m_fileInfo ? m_fileInfo->informationString : QString();
}

QString FileIntake::conversionNotes() const
{
    return m_fileInfo ? m_fileInfo->conversionNotes.join(u'\n') : QString();
}

void FileIntake::setAudioPopUpIndex(int index)
{
    if (index < -1 || index >= m_audioPopUpItems.size() || (index == -1 && !m_audioPopUpItems.isEmpty()))
        return;
    if (index == m_audioPopUpIndex)
        return;
    m_audioPopUpIndex = index;
    Q_EMIT audioPopUpIndexChanged();
}

void FileIntake::addToQueue()
{
    if (m_queue.isTerminating() || m_isScanning)
        return;
    // A scan that gave no record leaves nothing to add: move on.
    if (!m_fileInfo) {
        cancelAdd();
        return;
    }
    const std::shared_ptr<MKVFileInfo> info = m_fileInfo;
    ConversionRequest request;
    request.source = info->fileURL.toLocalFile();
    request.inspection = info;
    if (m_audioPopUpIndex >= 0 && m_audioPopUpIndex < info->audioTracks.size())
        request.audioStreamId = info->audioTracks.at(m_audioPopUpIndex).streamId;
    request.subtitleFile = m_subtitleFile;
    request.options = m_requestOptions;
    // The job is made once its output is named.
    auto queue = [this, &request] { m_queue.addJob(new ConversionJob(&m_queue, request, this)); };

    const QString outputName = outputFileName(info->fileName.isEmpty() ? info->fileURL.fileName() : info->fileName);

    const DestinationFolders::Selection folder = m_destinations.selectedFolder();
    if (folder.namesFolder) {
        if (const std::optional<QString> &folderPath = folder.path) {
            request.destinationFolder = fileURL(*folderPath).toLocalFile();
            request.output.path = fileURL(uniqueFile(*folderPath + u'/' + outputName, [this](const QString &path) {
                                      return m_queue.isOutputTaken(path);
                                  })).toLocalFile();
        }
        // The write test of addJob rejects an empty destination with its alert.
        queue();
        return;
    }

    platform::Panels *panels = platform::services().panels;
    const QString sourceFolder = QFileInfo(info->fileURL.toLocalFile()).absolutePath();
    // Proposed as a folder destination would name it: an mp4 source is never offered as its own
    // output.
    const QString proposed = QFileInfo(uniqueFile(sourceFolder + u'/' + outputName, [this](const QString &path) {
                                 return m_queue.isOutputTaken(path);
                             })).fileName();
    const std::optional<QString> answer = panels
        ? panels->chooseSaveFile(platform::PanelParent::MainWindow, sourceFolder, proposed, QStringLiteral("mp4"))
        : std::nullopt;
    if (!answer || answer->isEmpty())
        return;
    QString chosen = withMp4Extension(*answer);
    // The panel asked about replacing the name it was given, not about the one with ".mp4" added.
    if (chosen != *answer)
        chosen = uniqueFile(chosen, [this](const QString &path) { return m_queue.isOutputTaken(path); });
    // Replacing a movie that is being converted, or is waiting to be, would destroy it.
    if (m_queue.isListedSource(chosen) || canonicalPath(chosen) == canonicalPath(info->fileURL.toLocalFile())) {
        alert(appName(),
              makeString(QStringLiteral("“%@” is a movie that %@ converts. Please choose another name for the "
                                        "MP4 file."),
                         elidedName(QFileInfo(chosen).fileName()), appName()),
              QStringLiteral("OK"));
        return;
    }
    // A path that another listed job is writing, or will write, is not the user's to replace:
    // refused as a source is, and the movie stays in the panel.
    if (m_queue.isOutputInUse(fileURL(chosen).toLocalFile())) {
        alert(appName(),
              makeString(QStringLiteral("“%@” is the MP4 file of a movie that %@ converts. Please choose another "
                                        "name for the MP4 file."),
                         elidedName(QFileInfo(chosen).fileName()), appName()),
              QStringLiteral("OK"));
        return;
    }
    // The panel has asked about replacing an existing file; the write test fails for one. A folder
    // of that name is left alone and the write test then rejects it.
    const QFileInfo existing(chosen);
    if (existing.exists() || existing.isSymLink()) {
        if (!existing.isDir() || existing.isSymLink())
            QFile::remove(chosen);
    }
    request.output.path = fileURL(chosen).toLocalFile();
    queue();
}

void FileIntake::cancelAdd()
{
    if (m_isScanning) {
        // The movie being read is dropped when its scan ends; the next one follows then.
        m_scanCancelled = true;
        if (m_importFiles.isEmpty())
            setPanelShown(false);
        return;
    }
    if (!m_importFiles.isEmpty()) {
        addNextFile();
        return;
    }
    setPanelShown(false);
    Q_EMIT becameIdle();
}

bool FileIntake::isIntakeBusyBesidesPending() const
{
    return m_isScanning || m_panelShown;
}

bool FileIntake::isIntakeBusy() const
{
    return !m_importFiles.isEmpty() || isIntakeBusyBesidesPending();
}

void FileIntake::setPanelShown(bool shown)
{
    if (m_panelShown == shown)
        return;
    m_panelShown = shown;
    Q_EMIT panelShownChanged();
}

void FileIntake::setIsScanning(bool scanning)
{
    if (m_isScanning == scanning)
        return;
    m_isScanning = scanning;
    Q_EMIT isScanningChanged();
}

} // namespace tavrel
