// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/hostinformation.h"

#include <QFile>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace tavrel {
namespace {

const QStringList kModelFiles = {
    QStringLiteral("/sys/devices/virtual/dmi/id/product_name"),
    QStringLiteral("/proc/device-tree/model"),
};

// The model was read into a 256-byte buffer whose last byte is the terminating 0, so a model
// of 256 bytes or more never fitted and read as unavailable.
constexpr qsizetype kModelBufferSize = 256;

// Model files end in a line feed (DMI) or a 0 byte (device tree).
QByteArray cleanedModel(QByteArray raw)
{
    raw.replace('\0', QByteArray());
    return raw.trimmed();
}

} // namespace

QString RWHostInformation::machineTypeFromFiles(const QStringList &paths)
{
    for (const QString &path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // Read a little past the limit so that an overlong model is recognised as such.
        const QByteArray model = cleanedModel(file.read(4 * kModelBufferSize));
        if (model.isEmpty())
            continue;
        if (model.size() >= kModelBufferSize)
            return QString();
        return QString::fromUtf8(model);
    }
    return QString();
}

QString RWHostInformation::machineType()
{
    return machineTypeFromFiles(kModelFiles);
}

QString _machineType()
{
    return RWHostInformation::machineType();
}

QString RWHostInformation::ipAddress(bool ipv6)
{
    const QString loopback = ipv6 ? QStringLiteral("::1") : QStringLiteral("127.0.0.1");
    ifaddrs *list = nullptr;
    if (getifaddrs(&list) != 0) {
        // Reported, but the caller gets the loopback address rather than a dead process.
        std::fprintf(stderr, "getifaddrs: %s\n", std::strerror(errno));
        return loopback;
    }
    const int family = ipv6 ? AF_INET6 : AF_INET;
    QString result = loopback;
    for (const ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != family)
            continue;
        if (!(entry->ifa_flags & IFF_UP) || std::strncmp(entry->ifa_name, "lo", 2) == 0)
            continue;
        char text[INET6_ADDRSTRLEN] = {};
        const void *address = ipv6
            ? static_cast<const void *>(&reinterpret_cast<const sockaddr_in6 *>(entry->ifa_addr)->sin6_addr)
            : static_cast<const void *>(&reinterpret_cast<const sockaddr_in *>(entry->ifa_addr)->sin_addr);
        if (inet_ntop(family, address, text, sizeof text)) {
            result = QString::fromLatin1(text);
            break;
        }
    }
    freeifaddrs(list);
    return result;
}

} // namespace tavrel
