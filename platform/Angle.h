#pragma once
// Angles read from files (a font's escapement, an object's turn) are any int; everything that
// negates, scales or turns them into a transform takes them within one turn first.

#include <cstdint>

// Tenths of a degree in a turn, the unit of a font's escapement.
constexpr int kTenthsPerTurn = 3600;

// angle (tenths of a degree unless perTurn says otherwise, 360 for whole degrees) reduced to less
// than a turn with its sign kept: negating or scaling the result cannot overflow, and an angle
// already within a turn comes back unchanged.
constexpr int AngleWithinTurn(int64_t angle, int perTurn = kTenthsPerTurn) {
    return int(angle % perTurn);
}
