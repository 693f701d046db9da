// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application's identity, folders and crash reports; one shared instance created at launch.
#include <QString>
#include <QStringList>

namespace tavrel {

class OssoryLib final
{
public:
    OssoryLib(); // creates the support folder, records the shared instance, opens the log
    ~OssoryLib();
    static OssoryLib *shared(); // the instance most recently created, or nullptr

    QStringList appCrashLogs() const;
    QString appVersionString() const;
    QString appName() const;
    int appVersion() const;
    QString resDir() const;
    QString docDir() const; // created when missing
    QString suppDir() const;
    void openURL(int tag) const;

    // Information entries: CFBundleName, CFBundleIdentifier, CFBundleShortVersionString,
    // CFBundleVersion, SupportEmail, WebSite and the optional FeedbackEmail, VendorProductPage,
    // StoreProductPage, MacupdateProductPage; empty when absent (not configured at build time).
    static QString infoValue(const QString &key);

    // Overrides for tests and for running from unusual places; an empty path ends the override.
    static void setResourceDirOverride(const QString &path);
    static void setCrashReportDirOverride(const QString &path);
    static QString crashReportDir();
    // The resources folder resDir() answers; known before any instance exists, so the windows
    // built before launch finishes find their pictures.
    static QString resourceFolder();
    // The names in a folder that, after a leading "core.", begin with the given application
    // name, case and diacritics ignored; in listing order.
    static QStringList crashReportsIn(const QString &folder, const QString &name);

    Q_DISABLE_COPY_MOVE(OssoryLib)
};

// Identity without an instance (the values are compile-time constants).
QString appName();
QString appVersionString();

// The build number from its text: the leading integer, 0 when the text does not start with one.
int appVersionFromText(const QString &text);

} // namespace tavrel
