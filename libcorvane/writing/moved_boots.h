// moved_boots.h - the boot times that records were moved away from, whose
// stored lines the next write drops.
#ifndef CORVANE_MOVED_BOOTS_H
#define CORVANE_MOVED_BOOTS_H

#include <cstdint>

namespace corvane
{

// Whether a record was moved away from boot_time by move_urec.
bool moved_away_from(int64_t boot_time);

// Forgets every move.
void forget_moves();

} // namespace corvane

#endif // CORVANE_MOVED_BOOTS_H
