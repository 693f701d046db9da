// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/settingsstore.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>

#include <memory>
#include <optional>

namespace tavrel::settings {
namespace {

// The INI store forgets value kinds: an integer comes back as the text "1", a one-element
// string list as a plain string, an empty list as "@Invalid()". Values are therefore written
// in forms that Qt reads back unambiguously and normalised again on every read (see
// storedForm() and normalised()).

// Lists whose elements are not all strings or byte arrays are kept inside a one-entry map,
// which Qt serialises whole (@Variant) and so returns element kinds exactly.
const QString kWrappedListKey = QStringLiteral("@list");

struct Store
{
    QMutex mutex;
    QString path; // empty = the user's store
    std::unique_ptr<QSettings> settings;
    QVariantMap registered;
    // The store's entries copied into memory, which then answers and keeps every change.
    std::optional<QVariantMap> memory;
};

Store &store()
{
    static Store s;
    return s;
}

// Called with the mutex held.
QSettings &settingsLocked()
{
    Store &s = store();
    if (!s.settings) {
        if (s.path.isEmpty())
            s.settings = std::make_unique<QSettings>(QStringLiteral("Ossory"), QStringLiteral("Tavrel"));
        else
            s.settings = std::make_unique<QSettings>(s.path, QSettings::IniFormat);
        // QSettings saves itself from its thread's event loop; a store first touched by the
        // scan's pool thread would otherwise never be saved in between.
        if (const QCoreApplication *app = QCoreApplication::instance())
            s.settings->moveToThread(app->thread());
    }
    return *s.settings;
}

bool isIntegerKind(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

// "-12", "0", "42": an optional minus sign and decimal digits that fit in 64 bits. Hand-written
// values ("AutoAdd=1") and integers read back from the file both take this form.
std::optional<qint64> integerText(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    const qsizetype start = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (start == text.size())
        return std::nullopt;
    for (qsizetype i = start; i < text.size(); ++i)
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

bool holdsOnlyTextOrBytes(const QVariantList &list)
{
    for (const QVariant &v : list) {
        const int id = v.metaType().id();
        if (id != QMetaType::QString && id != QMetaType::QByteArray)
            return false;
    }
    return true;
}

// What is handed to QSettings for a value.
QVariant storedForm(const QVariant &value)
{
    if (isIntegerKind(value))
        return QVariant(value.toLongLong());
    const int id = value.metaType().id();
    if (id == QMetaType::QStringList || id == QMetaType::QVariantList) {
        const QVariantList list = value.toList();
        // One element: Qt writes the whole list as @Variant. Two or more strings or byte
        // arrays: a comma list whose elements keep their kind. Empty: "@Invalid()", which
        // normalised() reads as the empty list.
        if (list.size() == 1 || holdsOnlyTextOrBytes(list))
            return QVariant(list);
        return QVariant(QVariantMap{{kWrappedListKey, list}});
    }
    return value;
}

// The value as callers see it, the same before and after a reload: integers as qint64, every
// list as a QVariantList.
QVariant normalised(const QVariant &value, bool keyPresent)
{
    if (!value.isValid())
        return keyPresent ? QVariant(QVariantList()) : QVariant();
    if (isIntegerKind(value))
        return QVariant(value.toLongLong());
    switch (value.metaType().id()) {
    case QMetaType::QString:
        if (const auto number = integerText(value.toString()))
            return QVariant(*number);
        return value;
    case QMetaType::QStringList:
        return QVariant(value.toList());
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        if (map.size() == 1 && map.contains(kWrappedListKey))
            return QVariant(map.value(kWrappedListKey).toList());
        return value;
    }
    default:
        return value;
    }
}

QVariant readLocked(const QString &key)
{
    const Store &st = store();
    if (st.memory) {
        if (st.memory->contains(key))
            return normalised(st.memory->value(key), true);
    } else if (QSettings &s = settingsLocked(); s.contains(key)) {
        return normalised(s.value(key), true);
    }
    if (st.registered.contains(key))
        return normalised(st.registered.value(key), true);
    return QVariant();
}

} // namespace

void registerDefaults(const QVariantMap &defaults)
{
    QMutexLocker lock(&store().mutex);
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        store().registered.insert(it.key(), it.value());
}

QVariant defaultObject(const QString &key)
{
    QMutexLocker lock(&store().mutex);
    return readLocked(key);
}

void setDefaultObject(const QString &key, const QVariant &value)
{
    QMutexLocker lock(&store().mutex);
    // Storing nothing removes the entry, so the registered default answers again.
    if (std::optional<QVariantMap> &memory = store().memory) {
        if (!value.isValid())
            memory->remove(key);
        else
            memory->insert(key, storedForm(value));
        return;
    }
    QSettings &s = settingsLocked();
    if (!value.isValid())
        s.remove(key);
    else
        s.setValue(key, storedForm(value));
}

std::optional<QVariantList> defaultArray(const QString &key)
{
    const QVariant value = defaultObject(key);
    if (value.metaType().id() != QMetaType::QVariantList)
        return std::nullopt;
    return value.toList();
}

qint64 defaultInt(const QString &key)
{
    const QVariant value = defaultObject(key);
    return value.metaType().id() == QMetaType::LongLong ? value.toLongLong() : 0;
}

void setDefaultInt(const QString &key, qint64 value)
{
    setDefaultObject(key, QVariant(value));
}

void synchronize()
{
    QMutexLocker lock(&store().mutex);
    if (!store().memory)
        settingsLocked().sync();
}

void useStoreFile(const QString &path)
{
    QMutexLocker lock(&store().mutex);
    Store &s = store();
    if (s.settings)
        s.settings->sync();
    s.settings.reset();
    s.path = path;
    s.memory.reset();
}

void useCopyInMemory()
{
    QMutexLocker lock(&store().mutex);
    QSettings &settings = settingsLocked();
    QVariantMap copy;
    for (const QString &key : settings.allKeys())
        copy.insert(key, settings.value(key));
    store().memory = std::move(copy);
}

QString storeFile()
{
    QMutexLocker lock(&store().mutex);
    return settingsLocked().fileName();
}

} // namespace tavrel::settings
