#pragma once
// Modal alerts as message boxes: the classic three-button alert (default right-most, alternate
// to its left, other at the far left) with an optional one-line text field.
#include "platform/alertpresenter.h"

namespace tavrel::platform {

class MessageBoxAlerts final : public AlertPresenter
{
public:
    void activateApplication() override;
    AlertAnswer runModal(const AlertRequest &request) override;

    // Object names of the parts a test looks for.
    static constexpr const char *kTextFieldName = "alertTextField";
};

} // namespace tavrel::platform
