#include "ui/images.h"

#include <QFileInfo>
#include <QImageReader>

#include "support/fileops.h"

namespace tavrel {

namespace {

bool svgSupported()
{
    static const bool supported = QImageReader::supportedImageFormats().contains("svg");
    return supported;
}

void addIfPresent(QIcon &icon, const QString &fileName)
{
    const QUrl url = resourceURL(fileName);
    if (url.isLocalFile() && QFileInfo::exists(url.toLocalFile()))
        icon.addFile(url.toLocalFile());
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
