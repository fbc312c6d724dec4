// svg_test.cpp - the picture of the boot history.
#include "recorder/picture/svg.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

namespace
{

constexpr int64_t day = 86400;
// 2026-12-11 12:00:00 UTC: the window runs from 2026-09-13 00:00:00.
constexpr int64_t now = 1796990400;
constexpr int64_t from = 1789257600;

struct boot {
	int64_t start;
	int64_t uptime;
	const char *system = "Linux 6.1.0-28-amd64";
};

// The records of boots, linked in the given order; the last is the running
// one when running is set.
struct history {
	std::vector<urec> records;
	boot_ends ends;
	bool running = true;

	history(const std::vector<boot> &boots, bool with_running = true)
	    : records(boots.size()), running(with_running)
	{
		for (std::size_t i = 0; i < boots.size(); i++) {
			records[i] = urec{};
			records[i].boot_time = static_cast<time_t>(boots[i].start);
			records[i].uptime = boots[i].uptime;
			std::snprintf(records[i].sysinfo, sizeof records[i].sysinfo, "%s",
			              boots[i].system);
			records[i].next = i + 1 < boots.size() ? &records[i + 1] : nullptr;
		}
	}
	const urec *list() const
	{
		return records.empty() ? nullptr : &records[0];
	}
	const urec *current() const
	{
		return running && !records.empty() ? &records.back() : nullptr;
	}
	std::string svg(const std::string &host = "web1") const
	{
		return history_svg(list(), current(), ends, now, host, "Linux 6.1.0-28-amd64");
	}
};

std::size_t count(const std::string &text, const std::string &word);

// The bars of the timeline (the legend's swatches are not at its height).
std::size_t bars(const std::string &svg, const std::string &cls = "")
{
	std::size_t n = 0;
	for (std::size_t at = svg.find("<rect class=\"bar " + cls); at != std::string::npos;
	     at = svg.find("<rect class=\"bar " + cls, at + 1))
		n += svg.compare(svg.find(" y=", at), 9, " y=\"52\" w") == 0;
	return n;
}

std::size_t count(const std::string &text, const std::string &word)
{
	std::size_t n = 0;
	for (std::size_t at = text.find(word); at != std::string::npos;
	     at = text.find(word, at + word.size()))
		n++;
	return n;
}

// The element of the picture that holds the title text, whole.
std::string element_with(const std::string &svg, const std::string &title)
{
	std::size_t at = svg.find(title);
	if (at == std::string::npos)
		return "";
	std::size_t start = svg.rfind('\n', at) + 1;
	return svg.substr(start, svg.find('\n', at) - start);
}

TEST(XmlText, EscapesMarkupAndReplacesWhatXmlCannotHold)
{
	const struct {
		const char *text, *want;
	} cases[] = {
	    {"Linux 6.1 <test> & \"q\" 'a'",
	     "Linux 6.1 &lt;test&gt; &amp; &quot;q&quot; &apos;a&apos;"},
	    {"caf\xc3\xa9 \xf0\x9f\x96\xa5", "caf\xc3\xa9 \xf0\x9f\x96\xa5"}, // UTF-8 kept
	    {"a\xff"
	     "b",
	     "a\xef\xbf\xbd"
	     "b"},                                                    // not UTF-8
	    {"\xc0\xaf", "\xef\xbf\xbd\xef\xbf\xbd"},                 // overlong
	    {"\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"}, // a surrogate
	    {"end\xe2\x82", "end\xef\xbf\xbd\xef\xbf\xbd"},           // cut short
	    {"\x01\x1b[31m", "\xef\xbf\xbd\xef\xbf\xbd[31m"},         // control characters
	    {"\xef\xbf\xbf", "\xef\xbf\xbd"},                         // U+FFFF
	    {"tab\tline\n", "tab\tline\n"},
	};
	for (const auto &c : cases)
		EXPECT_EQ(xml_text(c.text), c.want) << c.text;
}

// A small history whose picture is compared whole: a boot before the
// window, a clean boot, a quick reboot, an unclean end, a gap of days, an
// unknown end and the running boot.
history small_history()
{
	history h({
	    {from - 20 * day, 10 * day},                      // ended before the window
	    {from + 2 * day, 20 * day},                       // clean
	    {from + 22 * day + 60, 15 * day},                 // unclean, after a one-minute reboot
	    {from + 40 * day, 6 * 3600},                      // unknown end, after days down
	    {from + 50 * day, 30 * day + 3600},               // clean
	    {from + 80 * day + 7200, 9 * day + 43200 - 7200}, // running up to now
	});
	h.ends.ends[from + 2 * day] = boot_end::clean;
	h.ends.ends[from + 22 * day + 60] = boot_end::unclean;
	h.ends.ends[from + 50 * day] = boot_end::clean;
	return h;
}

TEST(HistorySvg, SmallHistoryWhole)
{
	std::string got = small_history().svg();
	std::ifstream in(SVG_EXPECTED);
	std::stringstream want;
	want << in.rdbuf();
	if (got != want.str()) {
		std::ofstream(SVG_GOT) << got;
		FAIL() << "the picture differs from " SVG_EXPECTED ": see " SVG_GOT;
	}
}

TEST(HistorySvg, EachBootItsBarWithItsEnd)
{
	std::string svg = small_history().svg();
	EXPECT_EQ(bars(svg), 5u); // the boot before the window has none
	EXPECT_EQ(bars(svg, "clean\""), 2u);
	EXPECT_EQ(bars(svg, "unclean\""), 1u);
	EXPECT_EQ(bars(svg, "unknown\""), 1u);
	EXPECT_EQ(bars(svg, "running\""), 1u);
	EXPECT_EQ(count(svg, "<path class=\"mark\""), 1u); // the unclean end's mark
	EXPECT_NE(svg.find("<title>2026-09-15 00:00:00 to 2026-10-05 00:00:00 UTC: up 20 days, "
	                   "00:00:00, ended cleanly; Linux 6.1.0-28-amd64</title>"),
	          std::string::npos);
	EXPECT_NE(svg.find("ended uncleanly (no shutdown seen)"), std::string::npos);
	EXPECT_NE(svg.find("to now (2026-12-11 12:00:00) UTC: up 9 days, 10:00:00, running"),
	          std::string::npos);
	// The running boot reaches now, x = 30 + 89.5 days of 10 units; it
	// starts in the last column of the boot before it, and so after it.
	EXPECT_NE(element_with(svg, "running;").find("x=\"831\" y=\"52\" width=\"94\""),
	          std::string::npos);
	// The gap before the window, and the days between the unknown end and
	// the next boot, as downtime.
	EXPECT_NE(svg.find("<title>down 2026-09-03 00:00:00 to 2026-09-15 00:00:00 UTC: 12 days, "
	                   "00:00:00</title>"),
	          std::string::npos);
	EXPECT_NE(svg.find("<title>down 2026-10-23 06:00:00 to 2026-11-02 00:00:00 UTC: 9 days, "
	                   "18:00:00</title>"),
	          std::string::npos);
}

TEST(HistorySvg, HeaderTellsTheAvailabilityOfTheWindow)
{
	std::string svg = small_history().svg("host<&>");
	// Up: 18 + 20 + 15 + 0.25 + 30 days + 1 hour + the running 9 days 10
	// hours since 2026-09-13; down from the window's start to the first
	// boot, a minute, the gap after the unclean end (3 days less a minute),
	// 9 days 18 hours after the unknown end, and 1 hour before the running
	// boot.
	int64_t up = 20 * day + 15 * day + 6 * 3600 + 30 * day + 3600 + 9 * day + 36000;
	int64_t down = 2 * day + 60 + (3 * day - 60) + (9 * day + 18 * 3600) + 3600;
	ASSERT_EQ(up + down, 89 * day + 43200);
	char want[64];
	std::snprintf(want, sizeof want, "availability %.3f%%",
	              static_cast<double>(up * 100000 / (up + down)) / 1000);
	std::string head = element_with(svg, "<tspan class=\"host\">");
	EXPECT_EQ(head, std::string("<text class=\"head\" x=\"30\" y=\"18\"><tspan "
	                            "class=\"host\">host&lt;&amp;&gt;</tspan> \xc2\xb7 Linux "
	                            "6.1.0-28-amd64 \xc2\xb7 ") +
	                    want + " over the last 90 days (since 2026-09-13)</text>");
	EXPECT_NE(svg.find("drawn 2026-12-11 12:00:00 UTC"), std::string::npos);
}

TEST(HistorySvg, DaysShadedByTheShareDown)
{
	// Up from the window's 10th day on, with 6 hours down on the 20th day
	// and one minute down on the 30th.
	history h({
	    {from + 10 * day, 10 * day},
	    {from + 20 * day + 6 * 3600, 10 * day - 6 * 3600 - 60},
	    {from + 30 * day, now - (from + 30 * day)},
	});
	std::string svg = h.svg();
	EXPECT_EQ(count(svg, "(UTC day): no record</title>"), 10u);
	EXPECT_NE(svg.find("<title>no record before 2026-09-23 00:00:00 UTC</title>"),
	          std::string::npos);
	EXPECT_NE(
	    element_with(svg, "<title>2026-09-13 (UTC day): no record").find("class=\"none\""),
	    std::string::npos);
	const struct {
		const char *title, *cls;
	} days[] = {
	    {"<title>2026-09-23 (UTC day): down 0 days, 00:00:00 (0.000%), up 1 day, 00:00:00",
	     "d0"},
	    {"<title>2026-10-03 (UTC day): down 0 days, 06:00:00 (25.000%), up 0 days, 18:00:00",
	     "d3"},
	    {"<title>2026-10-12 (UTC day): down 0 days, 00:01:00 (0.069%), up 0 days, 23:59:00",
	     "d1"},
	    {"<title>2026-12-11 (UTC day, up to 12:00:00): down 0 days, 00:00:00 (0.000%), up 0 "
	     "days, 12:00:00",
	     "d0"},
	};
	for (const auto &d : days) {
		std::string cell = element_with(svg, d.title);
		EXPECT_NE(cell.find(std::string("class=\"") + d.cls + "\""), std::string::npos)
		    << d.title << "\n"
		    << cell;
	}
	EXPECT_EQ(count(svg, "(UTC day"), 90u);
}

TEST(HistorySvg, BootsInOneColumnMergeIntoABarThatCountsThem)
{
	// A reboot loop: 40 boots of 5 minutes, a minute apart, in the two
	// columns from x = 80 (8640 seconds each), one of them ending
	// uncleanly; then long boots with one-minute reboots between them,
	// each of which keeps its own bar.
	std::vector<boot> boots;
	int64_t t = from + 5 * day;
	for (int i = 0; i < 40; i++, t += 360)
		boots.push_back({t, 300});
	t = from + 10 * day;
	for (int i = 0; i < 4; i++, t += 10 * day + 60)
		boots.push_back({t, 10 * day});
	boots.push_back({t, now - t});
	history h(boots);
	h.ends.ends[from + 5 * day + 360 * 7] = boot_end::unclean;
	std::string svg = h.svg();
	EXPECT_EQ(
	    element_with(svg, "<title>40 boots,"),
	    "<rect class=\"bar unclean\" x=\"80\" y=\"52\" width=\"2\" height=\"26\"><title>40 "
	    "boots, 2026-09-18 00:00:00 to 2026-09-18 03:59:00 UTC: up 0 days, 03:20:00 in all, "
	    "down 0 days, 00:39:00 between them; 1 uncleanly, 39 of unknown end</title></rect>");
	EXPECT_NE(svg.find("<text class=\"n\" x=\"81\" y=\"45\">40</text>"), std::string::npos);
	EXPECT_EQ(bars(svg), 6u);
	EXPECT_EQ(count(svg, " boots, "), 1u);

	// A loop over more than two columns makes a bar of each two, which
	// keeps to the time axis: the next bar starts where its boots start.
	std::vector<boot> loop;
	for (int64_t i = 0, at = from + 5 * day; i < 120; i++, at += 360)
		loop.push_back({at, 300});
	std::string longer = history(loop, false).svg();
	EXPECT_EQ(bars(longer), 3u) << longer;
	EXPECT_NE(longer.find("x=\"82\" y=\"52\" width=\"2\" height=\"26\"><title>48 boots, "
	                      "2026-09-18 04:48:00 to "),
	          std::string::npos)
	    << longer;
}

TEST(HistorySvg, StaysSmallForAHundredThousandBoots)
{
	// 100,000 boots of 12 minutes, a minute apart, up to now: 90 days of
	// them, and the ones before.
	std::vector<boot> boots;
	int64_t t = now - 100000 * 780 + 60;
	for (int i = 0; i < 100000; i++, t += 780)
		boots.push_back({t, 720});
	boots.back().uptime = now - boots.back().start;
	history h(boots);
	for (int i = 0; i < 100000; i += 3)
		h.ends.ends[boots[static_cast<std::size_t>(i)].start] = boot_end::clean;
	std::string svg = h.svg();
	EXPECT_LT(svg.size(), 200u * 1024);
	// A bar of each two columns: none grows over the ones after it.
	EXPECT_LE(bars(svg), 900u / 2);
	EXPECT_GE(bars(svg), 440u);
	EXPECT_EQ(count(svg, "(UTC day"), 90u);
	EXPECT_NE(svg.find("</svg>\n"), std::string::npos);
}

TEST(HistorySvg, EmptyAndRunningOnly)
{
	std::string empty = history({}).svg();
	EXPECT_EQ(bars(empty), 0u);
	EXPECT_NE(empty.find("\xc2\xb7 no record over the last 90 days"), std::string::npos);
	EXPECT_EQ(count(empty, "): no record</title>"), 90u);

	std::string running = history({{now - 3600, 3600}}).svg();
	EXPECT_EQ(bars(running, "running\""), 1u);
	EXPECT_NE(running.find("availability 100.000%"), std::string::npos);
	EXPECT_EQ(count(running, "): no record</title>"), 89u);
}

// Whether xmllint (libxml2-utils) reads the text as well-formed XML.
bool xmllint_reads(const std::string &text, const char *name)
{
	std::FILE *lint = popen("xmllint --noout - 2>&1", "w");
	if (!lint)
		return false;
	std::fwrite(text.data(), 1, text.size(), lint);
	int status = pclose(lint);
	EXPECT_EQ(status, 0) << name << ": xmllint rejects the picture";
	return status == 0;
}

TEST(HistorySvg, WellFormedForEveryHistory)
{
	if (std::system("command -v xmllint >/dev/null 2>&1") != 0) {
		if (std::getenv("CI"))
			FAIL() << "xmllint is missing (libxml2-utils), and CI is set";
		GTEST_SKIP() << "xmllint is missing (libxml2-utils)";
	}
	std::vector<boot> many;
	for (int64_t i = 0, t = now - 100000 * 780 + 60; i < 100000; i++, t += 780)
		many.push_back({t, 720});
	many.back().uptime = now - many.back().start;
	const char *hostile = "Linux <6.1> & \"q\" 'a' ]]> \xff\xfe\xc0\xaf \x01\x1b[0m \xe2\x82";
	history with_hostile({{now - 10 * day, 3600, hostile}, {now - 3600, 3600, hostile}});
	with_hostile.ends.ends[now - 10 * day] = boot_end::unclean;
	const struct {
		const char *name;
		std::string svg;
	} cases[] = {
	    {"an empty history", history({}).svg()},
	    {"one ended boot", history({{now - 5 * day, 3600}}, false).svg()},
	    {"a running boot only", history({{now - 3600, 3600}}).svg()},
	    {"the small history", small_history().svg()},
	    {"100,000 boots", history(many).svg()},
	    {"system texts and a host of markup and bad bytes",
	     with_hostile.svg(std::string("h<&\"'>\xff\x00x", 10))},
	};
	for (const auto &c : cases)
		xmllint_reads(c.svg, c.name);
}

} // namespace
