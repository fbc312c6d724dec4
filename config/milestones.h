#ifndef VELLIPO_MILESTONES_H
#define VELLIPO_MILESTONES_H

// Registers the MILESTONE lines of the daemon's configuration file with the
// records library.
void load_milestones();

#endif
