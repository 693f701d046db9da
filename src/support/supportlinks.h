// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The links from the application to its maker: support and beta-test mails, product pages and
// the problem reports offered after a fatal error or a failed conversion. Composed by plain
// functions of their inputs; the wrappers at the end read the real values.
#include <QString>
#include <QUrl>

namespace tavrel {

// Everything a link is built from.
struct LinkValues
{
    QString appName;
    QString versionString;
    int build = 0;
    QString machineType; // empty when unreadable
    QString systemVersion;
    qsizetype crashCount = 0;
    QString supportEmail;
    QString webSite; // ends in "/"
    // Optional information entries; empty = absent.
    QString feedbackEmail;
    QString vendorProductPage;
    QString storeProductPage;
    QString macupdateProductPage;
};

// One link: a mail (address, subject, body) or a web address. Empty when there is nothing to
// open.
struct SupportLink
{
    QString mailAddress;
    QString subject;
    QString body;
    QString webAddress;

    bool isMail() const { return !mailAddress.isEmpty(); }
    bool isEmpty() const { return mailAddress.isEmpty() && webAddress.isEmpty(); }
    // "mailto:<address>?subject=<subject>&body=<body>" or the web address, not escaped.
    QString text() const;
    // The link to open. A mail's subject and body are escaped as query components, so that a
    // "&", "#" or "%" in them (ffmpeg's output is full of "#0:1") reaches the mail client
    // instead of cutting the body short; a web address goes through escapedURL.
    QUrl url() const;
};

// " Problems: N" when there are crash reports, else the empty string.
QString problemsText(qsizetype crashCount);

// The library's own links (OssoryLib::openURL), tags 1-6; any other tag gives an empty link.
SupportLink libraryLink(int tag, const LinkValues &values);
// The controller's link command: always the support address, its own tag-1 wording, tag 3
// always the maker's web site.
SupportLink controllerLink(int tag, const LinkValues &values);
SupportLink fatalErrorReport(const QString &details, const LinkValues &values);
SupportLink conversionProblemReport(const QString &commandLine, const QString &jobOutput, const LinkValues &values);

// Opens the link with the user's default handler; an empty link opens nothing.
void openLink(const SupportLink &link);

// The running application's values (OssoryLib identity, host model, OS version, crash count).
LinkValues currentLinkValues();

// Open the links built from the running application's values.
void openControllerLink(int tag);
void openConversionProblemReport(const QString &commandLine, const QString &jobOutput);
void openFatalErrorReport(const QString &details);

} // namespace tavrel
