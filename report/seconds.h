#ifndef VELLIPO_SECONDS_H
#define VELLIPO_SECONDS_H

#include <cstdint>

// Sums and differences of 64-bit seconds wrap around instead of being
// undefined when a record holds an absurd value.
inline int64_t plus(int64_t a, int64_t b)
{
	return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

inline int64_t minus(int64_t a, int64_t b)
{
	return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

#endif
