// The file intake of the controller: opened and dropped files, the pending movies and subtitle
// files, the background scan and the hand-over of the shown file to the queue.
#include "app/fileintake.h"

#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include "app/appdelegate.h"
#include "app/settings.h"
#include "inspection/languages.h"
#include "platform/api/services.h"
#include "support/alerts.h"
#include "support/fileops.h"
#include "support/format.h"
#include "support/ossorylib.h"
#include "support/strings.h"

namespace tavrel {

namespace {

const QStringList kTextSubtitleTypes = {QStringLiteral("srt"), QStringLiteral("ass"), QStringLiteral("ssa"),
                                        QStringLiteral("smi")};
const QString kSubType = QStringLiteral("sub");

// Index of the extension's dot in the last path component, or -1.
qsizetype extensionDot(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    // A leading dot names a hidden file, not an extension.
    if (dot <= slash + 1)
        return -1;
    return dot;
}

} // namespace

QStringList defaultMovieFileTypes()
{
    return {QStringLiteral("mkv"), QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("ogm")};
}

QStringList subtitleFileTypes()
{
    return kTextSubtitleTypes + QStringList{kSubType};
}

QString lowerExtension(const QString &path)
{
    const qsizetype dot = extensionDot(path);
    return dot < 0 ? QString() : path.mid(dot + 1).toLower();
}

QString pathWithoutExtension(const QString &path)
{
    const qsizetype dot = extensionDot(path);
    return dot < 0 ? path : path.left(dot);
}

QStringList subtitleKeys(const QString &path)
{
    const QString once = pathWithoutExtension(path);
    return {once, pathWithoutExtension(once)};
}

bool hasExtensionIn(const QString &path, const QStringList &lowerCaseExtensions)
{
    const QString extension = lowerExtension(path);
    return !extension.isEmpty() && lowerCaseExtensions.contains(extension);
}

bool isMpegProgramStream(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 4)
        return false;
    // Bytes 00 00 01 BA read as a little-endian integer.
    return quint32(readInt(&file)) == 0xBA010000u;
}

QString outputFileName(const QString &fileName)
{
    return pathWithoutExtension(fileName) + QStringLiteral(".mp4");
}

QString withMp4Extension(const QString &path)
{
    return lowerExtension(path) == QLatin1String("mp4") ? path : path + QStringLiteral(".mp4");
}

bool hasUndecodableName(const QString &path)
{
    // A byte that is not UTF-8 reaches us as U+FFFD, and that name opens no file.
    return path.contains(QChar::ReplacementCharacter) && !QFileInfo(path).exists();
}

QString undecodableNamesMessage(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names.append(QStringLiteral("“%1”").arg(QFileInfo(path).fileName()));
    return QStringLiteral("%1 cannot open %2: the name holds characters that are not UTF-8 text (shown as �). "
                          "Please rename the file and add it again.")
        .arg(appName(), names.join(QStringLiteral(", ")));
}

QString canonicalPath(const QString &path)
{
    const QFileInfo file(path);
    const QString canonical = file.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? file.absoluteFilePath() : folder + u'/' + file.fileName();
}

QString discardedWorkMessage(qsizetype converting, qsizetype paused, qsizetype queued, qsizetype movies)
{
    QStringList parts;
    auto count = [&parts](qsizetype n, const char *one, const char *many) {
        if (n > 0)
            parts.append(QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many)));
    };
    count(converting, "conversion in progress", "conversions in progress");
    count(paused, "paused conversion", "paused conversions");
    count(queued, "queued conversion", "queued conversions");
    count(movies, "movie not yet added to the queue", "movies not yet added to the queue");
    if (parts.isEmpty())
        return QString();
    const QString list = parts.size() == 1
        ? parts.first()
        : parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + parts.last();
    return QStringLiteral("Closing the window quits %1 and discards %2. Unfinished output files are deleted; "
                          "your movies are kept. Are you sure you want to quit?")
        .arg(appName(), list);
}

// ---- AppDelegate: intake ----

void AppDelegate::registerSubtitle(const QString &path)
{
    for (const QString &key : subtitleKeys(path))
        m_importSubtitleFiles.insert(key, path);
}

void AppDelegate::application_openFiles(const QStringList &paths)
{
    const bool wasEmpty = m_importFiles.isEmpty();
    for (const QString &path : paths)
        if (hasExtensionIn(path, kTextSubtitleTypes))
            registerSubtitle(path);
    // After the text types, so a text "sub" file wins for the same name.
    for (const QString &path : paths)
        if (lowerExtension(path) == kSubType && !isMpegProgramStream(path))
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

bool AppDelegate::draggingEntered(const QStringList &paths) const
{
    for (const QString &path : paths)
        if (hasExtensionIn(path, m_movieFileTypes))
            return true;
    return false;
}

bool AppDelegate::performDragOperation(const QStringList &paths)
{
    application_openFiles(paths);
    return true;
}

void AppDelegate::addClicked()
{
    platform::Panels *panels = platform::services().panels;
    if (!panels)
        return;
    const auto chosen = panels->chooseFiles(platform::PanelParent::MainWindow, m_movieFileTypes + subtitleFileTypes());
    if (chosen)
        application_openFiles(*chosen);
}

void AppDelegate::setScanner(Scanner scanner)
{
    m_scanner = scanner ? std::move(scanner) : Scanner(&MKVFileInfo::initWithURL);
}

void AppDelegate::addNextFile()
{
    if (m_importFiles.isEmpty() || m_terminating || m_isScanning)
        return;
    const QString path = m_importFiles.last();
    const QString key = pathWithoutExtension(path);
    const QString subtitle = m_importSubtitleFiles.value(key);

    setFilePanelHeight(kFilePanelShownHeight);
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

void AppDelegate::scanEnded(const std::shared_ptr<MKVFileInfo> &info, const QString &subtitlePath)
{
    if (m_terminating)
        return;
    if (m_scanCancelled) {
        // Cancelled while it was read: the movie is dropped and the next one is read.
        m_scanCancelled = false;
        setIsScanning(false);
        cancelAdd();
        Q_EMIT scanFinished();
        return;
    }
    if (info && !info->toolFailure.isEmpty())
        reportToolFailure(*info);
    if (info && !subtitlePath.isEmpty()) {
        info->subtitleFileURL = fileURL(subtitlePath);
        info->informationString = replaced(info->informationString, QStringLiteral(")"), QStringLiteral("+1)"));
    }
    setFileInfo(info);
    selectBestAudioTrack();
    setIsScanning(false);
    rebuildDestinationPopUp();
    if (settings::defaultInt(settings::kAutoAddKey) != 0)
        addToQueue();
    Q_EMIT scanFinished();
}

void AppDelegate::reportToolFailure(const MKVFileInfo &info)
{
    alert(appName(),
          makeString(QStringLiteral("%@ could not inspect “%@”. %@\n\n%@ needs ffmpeg and mediainfo to inspect and "
                                    "convert movies. Please install the missing program or make sure it can be run."),
                     appName(), info.fileName.isEmpty() ? info.fileURL.fileName() : info.fileName, info.toolFailure,
                     appName()),
          QStringLiteral("OK"));
}

void AppDelegate::setFileInfo(std::shared_ptr<MKVFileInfo> info)
{
    m_fileInfo = std::move(info);
    Q_EMIT fileInfoChanged();

    const QStringList items = m_fileInfo ? m_fileInfo->audioTrackInformation : QStringList();
    if (items != m_audioPopUpItems) {
        m_audioPopUpItems = items;
        Q_EMIT audioPopUpItemsChanged();
    }
    // The pop-up keeps its selection when it still names an item.
    const int index = m_audioPopUpIndex >= 0 && m_audioPopUpIndex < items.size() ? m_audioPopUpIndex
                      : items.isEmpty()                                          ? -1
                                                                                 : 0;
    if (index != m_audioPopUpIndex) {
        m_audioPopUpIndex = index;
        Q_EMIT audioPopUpIndexChanged();
    }
}

void AppDelegate::selectBestAudioTrack()
{
    const std::optional<QString> best = bestLanguage();
    if (!best)
        return;
    const qsizetype index = m_audioPopUpItems.indexOf(*best);
    if (index >= 0)
        setAudioPopUpIndex(int(index));
}

std::optional<QString> AppDelegate::bestLanguage() const
{
    if (!m_fileInfo)
        return std::nullopt;
    const QStringList languages =
        languageListFor(settings::defaultInt(settings::kDefaultAudioKey), m_preferredLanguages);
    return tavrel::bestLanguage(m_fileInfo->audioTrackInformation, languages);
}

QString AppDelegate::fileName() const
{
    return m_fileInfo ? m_fileInfo->fileName : QString();
}

QString AppDelegate::informationString() const
{
    return m_fileInfo ? m_fileInfo->informationString : QString();
}

void AppDelegate::setAudioPopUpIndex(int index)
{
    if (index < -1 || index >= m_audioPopUpItems.size() || (index == -1 && !m_audioPopUpItems.isEmpty()))
        return;
    if (index == m_audioPopUpIndex)
        return;
    m_audioPopUpIndex = index;
    Q_EMIT audioPopUpIndexChanged();
}

void AppDelegate::addToQueue()
{
    if (m_terminating || m_isScanning)
        return;
    // A scan that gave no record leaves nothing to add: move on.
    if (!m_fileInfo) {
        cancelAdd();
        return;
    }
    const std::shared_ptr<MKVFileInfo> info = m_fileInfo;
    auto *job = new ConversionJob(this, this);
    job->setFileInfo(info);
    job->setAudioTrackIndex(quint64(qMax(m_audioPopUpIndex, 0)));

    const QString outputName = outputFileName(info->fileName.isEmpty() ? info->fileURL.fileName() : info->fileName);

    // An index that names no folder (the separator, the choose-folder item) asks for the file.
    const std::optional<int> folder = m_destinationIndex != 0
        ? folderForDestinationIndex(m_destinationIndex, destinationFolderCount())
        : std::nullopt;
    if (folder) {
        const std::optional<QString> folderPath = resolveDestinationFolder(*folder);
        if (folderPath) {
            info->securityURL = fileURL(*folderPath);
            info->destinationURL = fileURL(uniqueFile(*folderPath + u'/' + outputName,
                                                      [this](const QString &path) { return isOutputTaken(path); }));
        } else {
            // The write test of addJob rejects an empty destination with its alert.
            info->securityURL = QUrl();
            info->destinationURL = QUrl();
        }
        addJob(job);
        return;
    }

    platform::Panels *panels = platform::services().panels;
    const QString sourceFolder = QFileInfo(info->fileURL.toLocalFile()).absolutePath();
    // Proposed as a folder destination would name it: an mp4 source is never offered as its own
    // output.
    const QString proposed = QFileInfo(uniqueFile(sourceFolder + u'/' + outputName,
                                                  [this](const QString &path) { return isOutputTaken(path); }))
                                 .fileName();
    const std::optional<QString> answer = panels
        ? panels->chooseSaveFile(platform::PanelParent::MainWindow, sourceFolder, proposed, QStringLiteral("mp4"))
        : std::nullopt;
    if (!answer || answer->isEmpty()) {
        delete job;
        return;
    }
    QString chosen = withMp4Extension(*answer);
    // The panel asked about replacing the name it was given, not about the one with ".mp4" added.
    if (chosen != *answer)
        chosen = uniqueFile(chosen, [this](const QString &path) { return isOutputTaken(path); });
    // Replacing a movie that is being converted, or is waiting to be, would destroy it.
    if (isListedSource(chosen) || canonicalPath(chosen) == canonicalPath(info->fileURL.toLocalFile())) {
        alert(appName(),
              makeString(QStringLiteral("“%@” is a movie that %@ converts. Please choose another name for the "
                                        "MP4 file."),
                         QFileInfo(chosen).fileName(), appName()),
              QStringLiteral("OK"));
        delete job;
        return;
    }
    // A path that another listed job is writing, or will write, is not the user's to replace:
    // deleting it would destroy that job's output. The write test then rejects the new job.
    if (isOutputInUse(fileURL(chosen).toLocalFile())) {
        info->destinationURL = QUrl();
        addJob(job);
        return;
    }
    // The panel has asked about replacing an existing file; the write test fails for one. A folder
    // of that name is left alone and the write test then rejects it.
    const QFileInfo existing(chosen);
    if (existing.exists() || existing.isSymLink()) {
        if (!existing.isDir() || existing.isSymLink())
            QFile::remove(chosen);
    }
    info->destinationURL = fileURL(chosen);
    addJob(job);
}

bool AppDelegate::isListedSource(const QString &path) const
{
    const QString target = canonicalPath(path);
    for (const ConversionJob *job : m_taskArray)
        if (job->fileInfo() && canonicalPath(job->fileInfo()->fileURL.toLocalFile()) == target)
            return true;
    return false;
}

bool AppDelegate::isSourceInUse(const ConversionJob *job) const
{
    if (!job || !job->fileInfo())
        return false;
    const QString source = canonicalPath(job->fileInfo()->fileURL.toLocalFile());
    for (const ConversionJob *other : m_taskArray)
        if (other != job && other->state() != Finished && other->state() != Failed && other->fileInfo()
            && canonicalPath(other->fileInfo()->fileURL.toLocalFile()) == source)
            return true;
    return false;
}

bool AppDelegate::isOutputInUse(const QString &path) const
{
    // A finished job is done with its output; any other listed job still writes it or removes it
    // when it is removed.
    for (const ConversionJob *job : m_taskArray)
        if (job->state() != Finished && job->fileInfo()
            && job->fileInfo()->destinationURL.toLocalFile() == path)
            return true;
    return false;
}

bool AppDelegate::isOutputTaken(const QString &path) const
{
    // Jobs that have not run yet have no file on disk; their names are taken all the same, or two
    // jobs for one movie would write into the same output.
    for (const ConversionJob *job : m_taskArray)
        if (job->fileInfo() && job->fileInfo()->destinationURL.toLocalFile() == path)
            return true;
    return fileExists(path) || QFileInfo(path).isSymLink();
}

void AppDelegate::cancelAdd()
{
    if (m_isScanning) {
        // The movie being read is dropped when its scan ends; the next one follows then.
        m_scanCancelled = true;
        if (m_importFiles.isEmpty())
            setFilePanelHeight(kFilePanelHiddenHeight);
        return;
    }
    if (!m_importFiles.isEmpty()) {
        addNextFile();
        return;
    }
    setFilePanelHeight(kFilePanelHiddenHeight);
    // A quit that QuitAfterConversion asked for while movies were still coming in.
    if (m_quitWhenIntakeIdle && settings::defaultInt(settings::kQuitAfterConversionKey)
        && jobCountWithState(Converting) == 0) {
        m_quitWhenIntakeIdle = false;
        terminateApplication();
    }
}

bool AppDelegate::isIntakeBusyBesidesPending() const
{
    return m_isScanning || m_filePanelHeight != kFilePanelHiddenHeight;
}

bool AppDelegate::isIntakeBusy() const
{
    return !m_importFiles.isEmpty() || isIntakeBusyBesidesPending();
}

void AppDelegate::setFilePanelHeight(int height)
{
    if (m_filePanelHeight == height)
        return;
    m_filePanelHeight = height;
    Q_EMIT filePanelHeightChanged();
}

void AppDelegate::setIsScanning(bool scanning)
{
    if (m_isScanning == scanning)
        return;
    m_isScanning = scanning;
    Q_EMIT isScanningChanged();
}

} // namespace tavrel
