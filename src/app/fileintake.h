// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file intake: opened and dropped files, the movies and subtitle files waiting their turn,
// the background scan, the file panel with its sound-track choice, and the hand-over of the
// shown movie to the queue.
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

#include "app/intakerules.h"
#include "conversion/conversionrequest.h"
#include "inspection/mkvfileinfo.h"

namespace tavrel {

class DestinationFolders;
class JobQueue;

class FileIntake final : public QObject
{
    Q_OBJECT

public:
    // Builds the record of one movie; blocks (runs the tools). Replaceable for tests.
    using Scanner = std::function<std::shared_ptr<MKVFileInfo>(const QUrl &url)>;

    // New jobs go to `queue`, into the folder `destinations` selects.
    FileIntake(JobQueue &queue, DestinationFolders &destinations, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(FileIntake)

    // At launch: nothing waits, the panel is hidden.
    void reset();

    void application_openFiles(const QStringList &paths);
    bool draggingEntered(const QStringList &paths) const; // true: copy, false: refuse
    bool performDragOperation(const QStringList &paths);
    void addClicked();
    void addNextFile();
    void addToQueue();
    void cancelAdd();
    std::optional<QString> bestLanguage() const;
    // Movies not yet added: waiting to be read, being read, or shown in the file panel.
    bool isIntakeBusy() const;
    // A movie is being read or shown in the panel.
    bool isIntakeBusyBesidesPending() const;

    // The file panel is shown: a movie is read or waits there.
    bool isPanelShown() const { return m_panelShown; }
    bool isScanning() const { return m_isScanning; }
    const std::shared_ptr<MKVFileInfo> &fileInfo() const { return m_fileInfo; }
    // The subtitle file found beside the shown movie; empty when none.
    QString subtitleFile() const { return m_subtitleFile; }
    QString fileName() const;
    QString informationString() const;
    QString conversionNotes() const;
    QStringList audioPopUpItems() const { return m_audioPopUpItems; }
    int audioPopUpIndex() const { return m_audioPopUpIndex; }
    void setAudioPopUpIndex(int index);
    QStringList movieFileTypes() const { return m_movieFileTypes; }
    QStringList importFiles() const { return m_importFiles; }
    QHash<QString, QString> importSubtitleFiles() const { return m_importSubtitleFiles; }
    QStringList preferredLanguages() const { return m_preferredLanguages; }
    void setPreferredLanguages(const QStringList &languages);

    void setScanner(Scanner scanner); // default: MKVFileInfo::scan with the ReencodeVideo setting
    // What every new request overrides of the settings (the batch's options).
    void setRequestOptions(const ConversionOptions &options) { m_requestOptions = options; }

Q_SIGNALS:
    void panelShownChanged();
    void isScanningChanged();
    void fileInfoChanged();
    void audioPopUpItemsChanged();
    void audioPopUpIndexChanged();
    void preferredLanguagesChanged();
    // A scan result has been shown (after the audio choice, the pop-up rebuild and AutoAdd).
    void scanFinished();
    // The last waiting movie has been added or cancelled, and the panel is hidden.
    void becameIdle();

private:
    void setPanelShown(bool shown);
    void setIsScanning(bool scanning);
    void setFileInfo(std::shared_ptr<MKVFileInfo> info);
    void scanEnded(const std::shared_ptr<MKVFileInfo> &info, const QString &subtitlePath);
    void reportToolFailure(const MKVFileInfo &info);
    void selectBestAudioTrack();
    void registerSubtitle(const QString &path);

    JobQueue &m_queue;
    DestinationFolders &m_destinations;
    QStringList m_movieFileTypes;
    QStringList m_importFiles;
    QHash<QString, QString> m_importSubtitleFiles;
    std::shared_ptr<MKVFileInfo> m_fileInfo;
    bool m_isScanning = false;
    bool m_panelShown = false;
    QString m_subtitleFile; // the shown movie's
    ConversionOptions m_requestOptions;
    QStringList m_audioPopUpItems;
    int m_audioPopUpIndex = -1;
    Scanner m_scanner;
    bool m_scanCancelled = false; // the movie being read was cancelled
    QStringList m_preferredLanguages;
};

} // namespace tavrel
