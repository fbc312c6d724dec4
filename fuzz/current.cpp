// current.cpp - the running boot's record, which the library reads, for the
// fuzz targets of the library alone; they never set it.
#include "corvane_store.h"

// The running boot's record: none.
struct urec *u_current;
