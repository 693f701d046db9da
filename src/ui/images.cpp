// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/images.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include "support/ossorylib.h"

namespace tavrel {

namespace {

bool svgSupported()
{
    static const bool supported = QImageReader::supportedImageFormats().contains("svg");
    return supported;
}

// Not through resourceURL(): the toolbar is built before the launch makes the shared library
// instance, and its pictures must be there from the start.
void addIfPresent(QIcon &icon, const QString &fileName)
{
    const QString path = QDir(OssoryLib::resourceFolder()).filePath(fileName);
    if (QFileInfo::exists(path))
        icon.addFile(path);
}

} // namespace

QIcon namedImage(const QString &name)
{
    QIcon icon;
    if (svgSupported())
        addIfPresent(icon, name + QStringLiteral(".svg"));
    addIfPresent(icon, name + QStringLiteral(".png"));
    return icon;
}

QIcon themedIcon(const QString &themeName, const QString &fallbackImage)
{
    if (QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    return fallbackImage.isEmpty() ? QIcon() : namedImage(fallbackImage);
}

QIcon applicationIcon()
{
    QIcon bundled = namedImage(QStringLiteral("icons/tavrel"));
    return QIcon::fromTheme(QStringLiteral("org.ossory.Tavrel"), bundled);
}

} // namespace tavrel
