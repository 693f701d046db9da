// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Unattended runs (the demo): alerts answered with their default button and written to the
// error stream, panels cancelled, and the settings a demo needs put in the store.
#include "platform/api/alertpresenter.h"
#include "platform/api/panels.h"

namespace tavrel {

class DefaultAnsweringAlerts final : public platform::AlertPresenter
{
public:
    void activateApplication() override {}
    platform::AlertAnswer runModal(const platform::AlertRequest &request) override;
};

class CancellingPanels final : public platform::Panels
{
public:
    std::optional<QStringList> chooseFiles(platform::PanelParent parent, const QStringList &allowedExtensions) override;
    std::optional<QString> chooseSaveFile(platform::PanelParent parent, const QString &startFolder,
                                          const QString &proposedName, const QString &extension) override;
    std::optional<QString> chooseFolder(platform::PanelParent parent) override;
};

// The folder as the only destination folder, chosen by default. False (with a message on the
// error stream) when the folder cannot be remembered.
bool presetDestinationFolder(const QString &destinationFolder);

// AutoAdd and QuitAfterConversion on, English audio preferred, and the folder as the only destination folder, chosen by
// default. False (with a message on the error stream) when the folder cannot be remembered.
bool presetDemoSettings(const QString &destinationFolder);

} // namespace tavrel
