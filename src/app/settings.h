#pragma once
// The settings vocabulary and its accessors. The store is QSettings (~/.config/Ossory/Tavrel.conf);
// registered defaults live in memory and answer keys the user never set.
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

namespace tavrel::settings {

inline const QString kDestinationBookmarksKey = QStringLiteral("DestinationBookmarks");
inline const QString kDestinationNamesKey = QStringLiteral("DestinationNames");
inline const QString kAC3DownmixKey = QStringLiteral("AC3Downmix");
inline const QString kDTSDownmixKey = QStringLiteral("DTSDownmix");
inline const QString kAutoAddKey = QStringLiteral("AutoAdd");
inline const QString kAutoCleanKey = QStringLiteral("AutoClean");
inline const QString kDefaultAudioKey = QStringLiteral("DefaultAudio");
inline const QString kDisableBuiltinSubtitlesKey = QStringLiteral("DisableBuiltinSubtitles");
inline const QString kAC3StereoBitrateKey = QStringLiteral("AC3StereoBitrate");
inline const QString kAC3SurroundBitrateKey = QStringLiteral("AC3SurroundBitrate");
inline const QString kDefaultDestinationKey = QStringLiteral("DefaultDestination");
inline const QString kAutoRemoveKey = QStringLiteral("AutoRemove");
inline const QString kAutoRemoveTypeKey = QStringLiteral("AutoRemoveType");
inline const QString kQuitAfterConversionKey = QStringLiteral("QuitAfterConversion");
// Marks copied H.264 video flagged above level 4.1 as 4.1 when it fits that level.
inline const QString kMarkLevel41Key = QStringLiteral("MarkH264Level41");

// The registered defaults, as one map.
QVariantMap registeredDefaults();
// Hands a map of defaults to the store in one call; later calls add to / replace earlier ones.
void registerDefaults(const QVariantMap &defaults);
// Registers registeredDefaults() once per process (the controller class's first use).
void registerAppDefaults();

// Accessors; every call reads or writes the store, nothing is cached. Values read back alike
// before and after a restart: integers (and text that is a decimal integer, such as a
// hand-written "AutoAdd=1") as qint64, every list as a QVariantList of its elements.
QVariant defaultObject(const QString &key);                  // invalid QVariant = none
void setDefaultObject(const QString &key, const QVariant &value); // invalid value removes the key
std::optional<QVariantList> defaultArray(const QString &key); // none when missing or not a list
qint64 defaultInt(const QString &key);                        // 0 when missing or not an integer
void setDefaultInt(const QString &key, qint64 value);
void synchronize();                                           // flush to disk

// The store file. Empty = the user's store (organization "Ossory", application "Tavrel").
// Tests point it at a private file.
void useStoreFile(const QString &path);
QString storeFile();

} // namespace tavrel::settings
