#pragma once
#include <QString>

namespace tavrel::test {

// Points HOME and the XDG folders at a fresh temporary folder and the settings store at a file
// inside it. Called once by the test main before the application object exists.
void isolateUserFolders();

// The temporary home made by isolateUserFolders().
QString testHome();

// A fresh, empty settings store for one test (a new file in the temporary home).
void resetSettingsStore();

} // namespace tavrel::test
