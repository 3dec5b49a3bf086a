#pragma once

#include "ui/widgets/PushButton.h"
#include "ui/widgets/ResourceIds.h"

// A push button whose click sends one fixed command to its target. The transport
// buttons differ only in their pictures and that command.
template <int Normal, int Hover, int Pressed, unsigned Msg, WPARAM Param>
class CCommandButton final : public CPushButton
{
public:
    explicit CCommandButton(CMessageTarget* target)
        : CPushButton(target, Normal, Hover, Pressed)
    {
    }

protected:
    void OnClick() override { Send(Msg, Param, 0); }
};
