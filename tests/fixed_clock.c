/* A clock for the program's unit tests: time() answers what the test set.
 * The executable's own definition is found before the C library's. */
#include <time.h>

/* The time of day that time() gives. */
time_t fixed_now = 1700000000;

time_t time(time_t *result)
{
	if (result != NULL)
		*result = fixed_now;
	return fixed_now;
}
