// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ossorylib.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include <atomic>
#include <limits>

#include "support/log.h"
#include "support/paths.h"
#include "support/strings.h"
#include "support/supportlinks.h"
#include "tavrel_config.h"

namespace tavrel {
namespace {

std::atomic<OssoryLib *> sharedInstance{nullptr};

struct Overrides
{
    QMutex mutex;
    QString resourceDir;
    QString crashReportDir;
};

Overrides &overrides()
{
    static Overrides o;
    return o;
}

const QString kCoreDumpDir = QStringLiteral("/var/lib/systemd/coredump");
const QString kCorePrefix = QStringLiteral("core.");

QString executableDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

// Case folded, with the combining marks of the canonical decomposition dropped: a core file
// of "Távrel" is one of "tavrel".
QString foldedName(const QString &name)
{
    const QString decomposed = name.normalized(QString::NormalizationForm_D);
    QString result;
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining
            && category != QChar::Mark_Enclosing)
            result += c;
    }
    return result.toCaseFolded();
}

} // namespace

OssoryLib::OssoryLib()
{
    // A support folder that cannot be made is simply absent; nothing is reported.
    const QString support = suppDir();
    if (!fileExists(support))
        QDir().mkpath(support);
    sharedInstance = this;
    openSystemLog();
}

OssoryLib::~OssoryLib()
{
    OssoryLib *self = this;
    sharedInstance.compare_exchange_strong(self, nullptr);
}

OssoryLib *OssoryLib::shared()
{
    return sharedInstance;
}

QString OssoryLib::infoValue(const QString &key)
{
    static const QHash<QString, QString> values = {
        {QStringLiteral("CFBundleName"), QStringLiteral(TAVREL_BUNDLE_NAME)},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral(TAVREL_BUNDLE_IDENTIFIER)},
        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral(TAVREL_SHORT_VERSION)},
        {QStringLiteral("CFBundleVersion"), QStringLiteral(TAVREL_BUNDLE_VERSION)},
        {QStringLiteral("SupportEmail"), QStringLiteral(TAVREL_SUPPORT_EMAIL)},
        {QStringLiteral("WebSite"), QStringLiteral(TAVREL_WEBSITE)},
        {QStringLiteral("FeedbackEmail"), QStringLiteral(TAVREL_FEEDBACK_EMAIL)},
        {QStringLiteral("VendorProductPage"), QStringLiteral(TAVREL_VENDOR_PRODUCT_PAGE)},
        {QStringLiteral("StoreProductPage"), QStringLiteral(TAVREL_STORE_PRODUCT_PAGE)},
        {QStringLiteral("MacupdateProductPage"), QStringLiteral(TAVREL_MACUPDATE_PRODUCT_PAGE)},
    };
    return values.value(key);
}

QString appName()
{
    return OssoryLib::infoValue(QStringLiteral("CFBundleName"));
}

QString appVersionString()
{
    return OssoryLib::infoValue(QStringLiteral("CFBundleShortVersionString"));
}

int appVersionFromText(const QString &text)
{
    const qint64 value = integerValue(text);
    return int(qBound(qint64(std::numeric_limits<int>::min()), value, qint64(std::numeric_limits<int>::max())));
}

QString OssoryLib::appName() const
{
    return tavrel::appName();
}

QString OssoryLib::appVersionString() const
{
    return tavrel::appVersionString();
}

int OssoryLib::appVersion() const
{
    return appVersionFromText(infoValue(QStringLiteral("CFBundleVersion")));
}

QString OssoryLib::resDir() const
{
    return resourceFolder();
}

QString OssoryLib::resourceFolder()
{
    {
        QMutexLocker lock(&overrides().mutex);
        if (!overrides().resourceDir.isEmpty())
            return overrides().resourceDir;
    }
    const QString exeDir = executableDir();
    const QString inBuildTree = exeDir + QStringLiteral("/" TAVREL_RESOURCE_RELATIVE_BUILD);
    if (QFileInfo(inBuildTree).isDir())
        return inBuildTree;
    return QDir::cleanPath(exeDir + QStringLiteral("/" TAVREL_RESOURCE_RELATIVE_INSTALL));
}

QString OssoryLib::docDir() const
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/Documents");
    // Progress files are written here, so the folder has to exist.
    if (!QFileInfo(dir).isDir())
        QDir().mkpath(dir);
    return dir;
}

QString OssoryLib::suppDir() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + appName();
}

void OssoryLib::setResourceDirOverride(const QString &path)
{
    QMutexLocker lock(&overrides().mutex);
    overrides().resourceDir = path;
}

void OssoryLib::setCrashReportDirOverride(const QString &path)
{
    QMutexLocker lock(&overrides().mutex);
    overrides().crashReportDir = path;
}

QString OssoryLib::crashReportDir()
{
    QMutexLocker lock(&overrides().mutex);
    return overrides().crashReportDir.isEmpty() ? kCoreDumpDir : overrides().crashReportDir;
}

QStringList OssoryLib::crashReportsIn(const QString &folder, const QString &name)
{
    const QString folded = foldedName(name);
    QStringList kept;
    for (const QString &entry : dirContents(folder))
        if (entry.startsWith(kCorePrefix) && !folded.isEmpty()
            && foldedName(entry.mid(kCorePrefix.size())).startsWith(folded))
            kept.append(entry);
    return kept;
}

QStringList OssoryLib::appCrashLogs() const
{
    return crashReportsIn(crashReportDir(), appName());
}

void OssoryLib::openURL(int tag) const
{
    openLink(libraryLink(tag, currentLinkValues()));
}

} // namespace tavrel
