#pragma once

#include <cstdint>

// A native window, as Qt's WId: the handle a player's video is parented to.
using WindowHandle = std::uintptr_t;

// Player indices and the texts that name them.
constexpr int PLAYER_A = 0;
constexpr int PLAYER_B = 1;
inline bool IsValidPlayerId(int player)
{
    return player == PLAYER_A || player == PLAYER_B;
}

// Left, top, right, bottom; right and bottom are outside the rectangle.
struct CRect
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const CRect&, const CRect&) = default;
};
