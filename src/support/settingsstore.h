// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings store: QSettings (~/.config/Ossory/Tavrel.conf) with registered defaults that live
// in memory and answer keys the user never set. The key names belong to the controller.
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

namespace tavrel::settings {

// Hands a map of defaults to the store in one call; later calls add to / replace earlier ones.
void registerDefaults(const QVariantMap &defaults);

// Accessors; every call reads or writes the store, nothing is cached. Values read back alike
// before and after a restart: integers (and text that is a decimal integer, such as a
// hand-written "AutoAdd=1") as qint64, every list as a QVariantList of its elements.
QVariant defaultObject(const QString &key);                       // invalid QVariant = none
void setDefaultObject(const QString &key, const QVariant &value); // invalid value removes the key
std::optional<QVariantList> defaultArray(const QString &key);     // none when missing or not a list
qint64 defaultInt(const QString &key);                            // 0 when missing or not an integer
void setDefaultInt(const QString &key, qint64 value);
void synchronize(); // flush to disk

// The store file. Empty = the user's store (organization "Ossory", application "Tavrel").
// Tests point it at a private file.
void useStoreFile(const QString &path);
QString storeFile();
// Copies the store's entries into memory, which from then on answers and keeps every change: the
// file is neither read nor written again (a batch's options apply to its run only). Choosing a
// store file ends it.
void useCopyInMemory();

} // namespace tavrel::settings
