// move_urec.h - the boot times that move_urec moved records away from, whose
// stored lines the next write drops.
#ifndef CORVANE_MOVE_UREC_H
#define CORVANE_MOVE_UREC_H

#include <cstdint>

namespace corvane
{

// Whether a record was moved away from boot_time by move_urec.
bool moved_away_from(int64_t boot_time);

// Forgets every move.
void forget_moves();

} // namespace corvane

#endif // CORVANE_MOVE_UREC_H
