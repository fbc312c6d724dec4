// time_range_test.cpp - the dates read, in local time unless an offset is
// given, and the texts refused.
#include <cstdlib>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "recorder/history_view/time_range.h"

namespace
{

// Sets TZ for the life of the object, and puts the old one back.
struct zone {
	std::string old;
	bool had;
	explicit zone(const char *tz)
	{
		const char *o = std::getenv("TZ");
		had = o != nullptr;
		if (had)
			old = o;
		setenv("TZ", tz, 1);
		tzset();
	}
	~zone()
	{
		if (had)
			setenv("TZ", old.c_str(), 1);
		else
			unsetenv("TZ");
		tzset();
	}
};

TEST(time_range, reads_each_form_of_date)
{
	struct {
		const char *tz;
		const char *text;
		int64_t when;
	} const cases[] = {
	    {"UTC0", "2026-11-01", 1793491200},
	    {"UTC0", "2026-11-01 08:00", 1793520000},
	    {"UTC0", "2026-11-01 08:00:09", 1793520009},
	    {"UTC0", "2026-11-01T08:00:09", 1793520009},
	    // Local time: an hour east of UTC, and summer time in Berlin.
	    {"CET-1", "2026-11-01", 1793487600},
	    {"Europe/Berlin", "2026-07-01 12:00", 1782900000},
	    {"America/New_York", "2026-11-01 08:00", 1793538000},
	    // An offset, whatever the local time.
	    {"America/New_York", "2026-11-01T08:00:00+01:00", 1793516400},
	    {"America/New_York", "2026-11-01T08:00:00+0100", 1793516400},
	    {"America/New_York", "2026-11-01T08:00:00+01", 1793516400},
	    {"America/New_York", "2026-11-01T08:00:00-05:30", 1793539800},
	    {"America/New_York", "2026-11-01T08:00:00Z", 1793520000},
	    {"America/New_York", "2026-11-01 08:00Z", 1793520000},
	    {"UTC0", "2024-02-29", 1709164800},
	    {"UTC0", "1969-12-31T23:59:59Z", -1},
	    {"America/New_York", "@1793520000", 1793520000},
	    {"UTC0", "@0", 0},
	    {"UTC0", "@-86400", -86400},
	};
	for (const auto &c : cases) {
		zone z(c.tz);
		int64_t when = 0;
		std::string err;
		EXPECT_TRUE(parse_date(c.text, &when, &err)) << c.text << ": " << err;
		EXPECT_EQ(when, c.when) << c.text << " in " << c.tz;
	}
}

TEST(time_range, refuses_what_is_no_date)
{
	const std::string forms = "': give YYYY-MM-DD, YYYY-MM-DD HH:MM[:SS], ISO 8601 with an "
	                          "offset (2026-11-01T08:00:00+01:00) or @SECONDS";
	struct {
		const char *text;
		std::string err;
	} const cases[] = {
	    {"", "cannot read the date '" + forms},
	    {"yesterday", "cannot read the date 'yesterday" + forms},
	    {"2026-11", "cannot read the date '2026-11" + forms},
	    {"2026-11-1", "cannot read the date '2026-11-1" + forms},
	    {"2026-11-01 8:00", "cannot read the date '2026-11-01 8:00" + forms},
	    {"2026-11-01 08", "cannot read the date '2026-11-01 08" + forms},
	    {"2026-11-01Z", "cannot read the date '2026-11-01Z" + forms},
	    {"2026-11-01 08:00 ", "cannot read the date '2026-11-01 08:00 " + forms},
	    {"2026-11-01T08:00+1", "cannot read the date '2026-11-01T08:00+1" + forms},
	    {"2026-11-01T08:00+24:00", "cannot read the date '2026-11-01T08:00+24:00" + forms},
	    {"@", "cannot read the date '@" + forms},
	    {"@12x", "cannot read the date '@12x" + forms},
	    {"@ 12", "cannot read the date '@ 12" + forms},
	    {"@99999999999999999999", "cannot read the date '@99999999999999999999" + forms},
	    {"2026-13-01", "there is no such day or time as '2026-13-01'"},
	    {"2026-02-29", "there is no such day or time as '2026-02-29'"},
	    {"2026-04-31", "there is no such day or time as '2026-04-31'"},
	    {"2026-11-00", "there is no such day or time as '2026-11-00'"},
	    {"2026-11-01 24:00", "there is no such day or time as '2026-11-01 24:00'"},
	    {"2026-11-01 08:60", "there is no such day or time as '2026-11-01 08:60'"},
	};
	zone z("UTC0");
	for (const auto &c : cases) {
		int64_t when = 0;
		std::string err;
		EXPECT_FALSE(parse_date(c.text, &when, &err)) << c.text;
		EXPECT_EQ(err, c.err);
	}
}

} // namespace
