#pragma once
// The application's identity, folders and crash reports; one shared instance created at launch.
#include <QString>
#include <QStringList>
#include <QUrl>

namespace tavrel {

class OssoryLib final
{
public:
    OssoryLib();   // creates the support folder, records the shared instance, opens the log
    ~OssoryLib();
    static OssoryLib *shared(); // the instance most recently created, or nullptr

    QStringList appCrashLogs() const;
    QString appID() const;
    QString appVersionString() const;
    QString appName() const;
    int appVersion() const;
    QString resDir() const;
    QUrl resURL() const;
    QString docDir() const;  // created when missing
    QUrl docURL() const;
    QString suppDir() const;
    QUrl suppURL() const;
    void openURL(int tag) const;

    // Optional information-dictionary entries; empty when not configured at build time.
    static QString infoValue(const QString &key);

    // Overrides for tests and for running from unusual places.
    static void setResourceDirOverride(const QString &path);
    static void setCrashReportDirOverride(const QString &path);
    static QString crashReportDir();

    Q_DISABLE_COPY_MOVE(OssoryLib)
};

// Identity without an instance (the values are compile-time constants).
QString appName();
QString appVersionString();

} // namespace tavrel
