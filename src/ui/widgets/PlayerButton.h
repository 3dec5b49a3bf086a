#pragma once

#include "ui/widgets/PushButton.h"

// A Player A/B switch button: lit while its player is the active one. Its
// resting picture follows the lit state.
class CPlayerButton : public CPushButton
{
public:
    CPlayerButton(CMessageTarget* target, int player, int unlit, int lit, int hover, int pressed)
        : CPushButton(target, unlit, hover, pressed)
        , m_Player(player)
        , m_Unlit(unlit)
        , m_Lit(lit)
    {
    }

    void SetLit(bool lit)
    {
        m_bState = lit;
        SetBitmap(NormalBitmap());
    }

protected:
    int NormalBitmap() const override { return m_bState ? m_Lit : m_Unlit; }
    void OnClick() override { Send(WM_CMD_SELECT_PLAYER, static_cast<WPARAM>(m_Player), 0); }

private:
    int m_Player;
    int m_Unlit;
    int m_Lit;
};
