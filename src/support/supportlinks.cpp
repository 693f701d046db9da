// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/format.h"
#include "support/supportlinks.h"

#include <QSysInfo>

#include "support/hostinformation.h"
#include "support/ossorylib.h"
#include "support/paths.h"
#include "support/strings.h"

namespace tavrel {
namespace {

SupportLink mail(const QString &address, const QString &subject, const QString &body)
{
    SupportLink link;
    link.mailAddress = address;
    link.subject = subject;
    link.body = body;
    return link;
}

SupportLink web(const QString &address)
{
    SupportLink link;
    link.webAddress = address;
    return link;
}

SupportLink betaVersionsMail(const QString &address, const LinkValues &v)
{
    return mail(
        address, makeString(QStringLiteral("%@ Beta Versions"), v.appName),
        makeString(QStringLiteral("Hello\nI would like to test upcoming beta versions of %@.\nBye\n"), v.appName));
}

SupportLink storeLink(int tag, const LinkValues &v)
{
    if (tag == 4)
        return web(v.storeProductPage);
    if (tag == 5)
        return web(replaced(v.storeProductPage, QStringLiteral("https"), QStringLiteral("macappstore")));
    return web(v.macupdateProductPage);
}

QString problemReportSubject(const LinkValues &v)
{
    return makeString(QStringLiteral("%@ v%@ Problem Report"), v.appName, v.versionString);
}

} // namespace

QString SupportLink::text() const
{
    if (!isMail())
        return webAddress;
    return QStringLiteral("mailto:") + mailAddress + QStringLiteral("?subject=") + subject + QStringLiteral("&body=")
        + body;
}

QUrl SupportLink::url() const
{
    if (isEmpty())
        return QUrl();
    if (!isMail())
        return escapedURL(webAddress);
    const QByteArray encoded = "mailto:" + QUrl::toPercentEncoding(mailAddress, "@")
        + "?subject=" + QUrl::toPercentEncoding(subject) + "&body=" + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

QString problemsText(qsizetype crashCount)
{
    if (crashCount == 0)
        return QString();
    return makeString(QStringLiteral(" Problems: %li"), qint64(crashCount));
}

SupportLink libraryLink(int tag, const LinkValues &v)
{
    switch (tag) {
    case 1:
        return mail(v.feedbackEmail.isEmpty() ? v.supportEmail : v.feedbackEmail,
                    makeString(QStringLiteral("%@ v%@ (%i) Support Request"), v.appName, v.versionString, v.build),
                    makeString(QStringLiteral("Insert Support Request Here\n\n\n\nP.S: Hardware: %@ Software: %@%@"),
                               v.machineType, v.systemVersion, problemsText(v.crashCount)));
    case 2:
        // Nothing asks for beta versions without a feedback address; the support address
        // stands in so the link still goes somewhere sensible.
        return betaVersionsMail(v.feedbackEmail.isEmpty() ? v.supportEmail : v.feedbackEmail, v);
    case 3:
        if (!v.vendorProductPage.isEmpty())
            return web(v.vendorProductPage);
        return web(v.webSite + v.appName.toLower() + QStringLiteral("/"));
    case 4:
    case 5:
    case 6:
        return storeLink(tag, v);
    default:
        return SupportLink();
    }
}

SupportLink controllerLink(int tag, const LinkValues &v)
{
    switch (tag) {
    case 1:
        return mail(
            v.supportEmail, makeString(QStringLiteral("%@ %@ Support Request"), v.appName, v.versionString),
            makeString(QStringLiteral("Insert Support Request Here\n\n\n\nP.S: Hardware: %@ Software: %@ %@: %i%@"),
                       v.machineType, v.systemVersion, v.appName, v.build, problemsText(v.crashCount)));
    case 2:
        return betaVersionsMail(v.supportEmail, v);
    case 3:
        return web(v.webSite + v.appName.toLower() + QStringLiteral("/"));
    case 4:
    case 5:
    case 6:
        return storeLink(tag, v);
    default:
        return SupportLink();
    }
}

SupportLink fatalErrorReport(const QString &details, const LinkValues &v)
{
    return mail(v.supportEmail, problemReportSubject(v),
                makeString(QStringLiteral("Hello\nA fatal error in %@ occured.\n\nBye\n\nP.S. Details: %@\n\n\n"
                                          "P.P.S: Hardware: %@ Software: %@ %@"),
                           v.appName, details, v.machineType, v.systemVersion, problemsText(v.crashCount)));
}

SupportLink conversionProblemReport(const QString &commandLine, const QString &jobOutput, const LinkValues &v)
{
    return mail(v.supportEmail, problemReportSubject(v),
                makeString(QStringLiteral("Hello\nConversion of a file failed.\n\nBye\n\nP.S. Details: %@ %@\n\n\n"
                                          "P.P.S: Hardware: %@ Software: %@ %@"),
                           commandLine, jobOutput, v.machineType, v.systemVersion, problemsText(v.crashCount)));
}

void openLink(const SupportLink &link)
{
    const QUrl url = link.url();
    if (!url.isEmpty())
        open(url);
}

LinkValues currentLinkValues()
{
    LinkValues v;
    v.appName = appName();
    v.versionString = appVersionString();
    v.build = appVersionFromText(OssoryLib::infoValue(QStringLiteral("CFBundleVersion")));
    v.machineType = RWHostInformation::machineType();
    v.systemVersion = QSysInfo::prettyProductName();
    v.crashCount = OssoryLib::crashReportsIn(OssoryLib::crashReportDir(), v.appName).size();
    v.supportEmail = OssoryLib::infoValue(QStringLiteral("SupportEmail"));
    v.webSite = OssoryLib::infoValue(QStringLiteral("WebSite"));
    v.feedbackEmail = OssoryLib::infoValue(QStringLiteral("FeedbackEmail"));
    v.vendorProductPage = OssoryLib::infoValue(QStringLiteral("VendorProductPage"));
    v.storeProductPage = OssoryLib::infoValue(QStringLiteral("StoreProductPage"));
    v.macupdateProductPage = OssoryLib::infoValue(QStringLiteral("MacupdateProductPage"));
    return v;
}

void openControllerLink(int tag)
{
    openLink(controllerLink(tag, currentLinkValues()));
}

void openConversionProblemReport(const QString &commandLine, const QString &jobOutput)
{
    openLink(conversionProblemReport(commandLine, jobOutput, currentLinkValues()));
}

void openFatalErrorReport(const QString &details)
{
    openLink(fatalErrorReport(details, currentLinkValues()));
}

} // namespace tavrel
