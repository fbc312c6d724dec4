// svg.cpp - a picture of the boot history, as a static SVG.
//
// The picture is 960 by 210 units.  The timeline and the daily cells share
// one time axis: 10 units a day from x = 30, 90 UTC days, so one unit (one
// pixel column at the picture's own size) is 8640 seconds.
#include "recorder/picture/svg.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include <unistd.h>

#include "recorder/boot_state/metrics.h"
#include "recorder/history_view/boot_rows.h"
#include "recorder/history_view/windows.h"
#include "recorder/store_range.h"

namespace
{

constexpr int64_t day = 86400;
constexpr int days = 90;
constexpr int width = 960;
constexpr int height = 210;
constexpr int left = 30;      // x of the window's start
constexpr int day_width = 10; // units a day
constexpr int right = left + days * day_width;
constexpr int64_t column = day / day_width; // seconds a unit
constexpr int min_bar = 2;                  // the narrowest bar, in units

// The rows, as y and height.
constexpr int bar_y = 52, bar_h = 26;
constexpr int down_y = 61, down_h = 8;
constexpr int axis_y = 82;
constexpr int cell_y = 122, cell_h = 26;
constexpr int legend_y = 164;

// The picture's one style sheet.  The colours are of Okabe and Ito's set,
// which readers of every common kind of colour blindness tell apart; the
// unclean end is hatched too, and the cells go from the blue of a day up to
// the orange of a day down, darkest to lightest, so neither rests on hue
// alone.
constexpr const char *style =
    R"(text{font-family:"DejaVu Sans",Verdana,sans-serif;font-size:11px;fill:#222}
.head{font-size:13px}
.host{font-weight:bold}
.small{font-size:10px;fill:#555}
.n{font-size:8px;fill:#222;text-anchor:middle}
.end{text-anchor:end}
.bar{stroke:#fff;stroke-width:.5}
.clean{fill:#0072b2}
.unclean{fill:url(#hatch)}
.unknown{fill:#a0a0a0}
.running{fill:#009e73}
.down{fill:#e69f00}
.mark{fill:#000}
.none{fill:#fff;stroke:#aaa;stroke-width:.5;stroke-dasharray:2 1}
.axis{stroke:#444;stroke-width:1}
.tick{stroke:#888;stroke-width:.5}
.now{stroke:#000;stroke-width:1;stroke-dasharray:3 2}
)";

// The hatch of an unclean end: black stripes over reddish purple.
constexpr const char *defs =
    "<defs><pattern id=\"hatch\" width=\"4\" height=\"4\" patternUnits=\"userSpaceOnUse\" "
    "patternTransform=\"rotate(45)\"><rect width=\"4\" height=\"4\" fill=\"#cc79a7\"/>"
    "<rect width=\"1.5\" height=\"4\" fill=\"#000\"/></pattern></defs>\n";

struct drawn_boot {
	int64_t start;
	int64_t end;
	boot_outcome kind;
	const char *system;
};

// One bar: the boots that fall into its columns [c0, c1).
struct bar {
	int c0, c1;              // from its first column to the last its boots reach
	std::size_t first, last; // the boots it holds, by index
	int64_t end = 0;         // the latest end of its boots
	int64_t up = 0;          // the uptime of its boots
	int64_t down = 0;        // the time down between them
	int64_t counts[4] = {};  // its boots by kind
};

std::string date(int64_t when)
{
	char buf[40];
	auto t = static_cast<time_t>(when);
	struct tm tm;
	if (!gmtime_r(&t, &tm) || std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm) == 0)
		std::snprintf(buf, sizeof buf, "%" PRId64, when);
	return buf;
}

std::string day_name(int64_t when)
{
	return date(when).substr(0, 10);
}

std::string duration(int64_t seconds)
{
	return time2uptime(seconds);
}

// A share as a percentage, rounded down so that any downtime shows below
// 100%.
std::string percent(int64_t part, int64_t whole)
{
	double value =
	    std::floor(static_cast<double>(part) * 100000.0 / static_cast<double>(whole));
	char buf[32];
	std::snprintf(buf, sizeof buf, "%.3f%%", value / 1000.0);
	return buf;
}

std::string number(double value)
{
	char buf[32];
	std::snprintf(buf, sizeof buf, "%.1f", value);
	std::string text = buf;
	if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0)
		text.resize(text.size() - 2);
	return text;
}

void rect(std::string &out, const char *cls, double x, int y, double w, int h,
          const std::string &title)
{
	out += "<rect class=\"";
	out += cls;
	out += "\" x=\"" + number(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" + number(w) +
	       "\" height=\"" + std::to_string(h) + "\"><title>" + title + "</title></rect>\n";
}

const char *end_text(boot_outcome k)
{
	switch (k) {
	case boot_outcome::clean:
		return "ended cleanly";
	case boot_outcome::unclean:
		return "ended uncleanly (no shutdown seen)";
	case boot_outcome::unknown:
		return "end not known";
	case boot_outcome::running:
		return "running";
	}
	return "";
}

// The title of a bar.
std::string bar_title(const bar &b, const std::vector<drawn_boot> &boots)
{
	const drawn_boot &first = boots[b.first];
	if (b.first == b.last) {
		std::string to = first.kind == boot_outcome::running
		                     ? "now (" + date(first.end) + ")"
		                     : date(first.end);
		return date(first.start) + " to " + to + " UTC: up " +
		       duration(first.end - first.start) + ", " + end_text(first.kind) + "; " +
		       xml_text(first.system);
	}
	std::string text = std::to_string(b.last - b.first + 1) + " boots, " + date(first.start) +
	                   " to " + date(b.end) + " UTC: up " + duration(b.up) + " in all, down " +
	                   duration(b.down) + " between them; ";
	const char *names[] = {"ended cleanly", "uncleanly", "of unknown end", "running"};
	bool any = false;
	for (int k = 0; k < 4; k++) {
		if (b.counts[k] == 0)
			continue;
		text += (any ? ", " : "") + std::to_string(b.counts[k]) + " " + names[k];
		any = true;
	}
	return text;
}

boot_outcome bar_class(const bar &b)
{
	if (b.counts[static_cast<int>(boot_outcome::running)])
		return boot_outcome::running;
	if (b.counts[static_cast<int>(boot_outcome::unclean)])
		return boot_outcome::unclean;
	if (b.counts[static_cast<int>(boot_outcome::unknown)])
		return boot_outcome::unknown;
	return boot_outcome::clean;
}

void add_boot(bar &b, std::size_t i, const drawn_boot &boot)
{
	if (boot.start > b.end)
		b.down = clamped_sum(b.down, boot.start - b.end);
	b.up = clamped_sum(b.up, std::max<int64_t>(0, boot.end - std::max(boot.start, b.end)));
	b.end = std::max(b.end, boot.end);
	b.last = i;
	b.counts[static_cast<int>(boot.kind)]++;
}

bar new_bar(int c0, int c1, std::size_t i, const drawn_boot &boot)
{
	bar b{c0, c1, i, i};
	b.end = boot.start;
	add_boot(b, i, boot);
	return b;
}

// The columns a bar is drawn over: those its boots reach, at least min_bar.
int drawn_end(const bar &b)
{
	return std::min(std::max(b.c1, b.c0 + min_bar), right);
}

// The bars of the boots from index first on, which start before the
// window's end (sorted by start): each boot reaches the columns it touches.
// A boot that starts past the drawn end of the bar before it gets a bar of
// its own; so does one that starts in that bar's columns but reaches
// min_bar columns past them (it starts after them); else a lone bar of
// twice min_bar or more gives up its last min_bar columns to it; else it
// joins that bar, which then counts its boots, and does not grow: of a boot
// that reaches a column past it, the next bar takes that column.  So the
// bars keep to the time axis, and there are at most 900 / min_bar of them.
std::vector<bar> make_bars(const std::vector<drawn_boot> &boots, std::size_t first, int64_t from,
                           int64_t to)
{
	std::vector<bar> bars;
	auto x = [from](int64_t t) { return left + static_cast<double>(t - from) / column; };
	for (std::size_t i = first; i < boots.size(); i++) {
		const drawn_boot &boot = boots[i];
		if (boot.end <= from)
			continue;
		if (boot.start >= to)
			break;
		int c0 = static_cast<int>(std::floor(x(std::max(boot.start, from))));
		int c1 = static_cast<int>(std::ceil(x(std::min(boot.end, to))));
		c0 = std::min(c0, right - min_bar);
		c1 = std::min(std::max(c1, c0 + 1), right);
		if (bars.empty() || c0 >= drawn_end(bars.back())) {
			bars.push_back(new_bar(c0, c1, i, boot));
			continue;
		}
		bar &last = bars.back();
		int end = drawn_end(last);
		if (c1 - end >= min_bar) {
			bars.push_back(new_bar(end, c1, i, boot));
		} else if (last.first == last.last && end - last.c0 >= 2 * min_bar) {
			last.c1 = end - min_bar;
			bars.push_back(new_bar(last.c1, std::max(c1, end), i, boot));
		} else {
			last.c1 = std::max(last.c1, std::min(c1, end));
			add_boot(last, i, boot);
		}
	}
	for (bar &b : bars)
		b.c1 = drawn_end(b);
	return bars;
}

const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void draw_axis(std::string &out, int64_t from, int64_t now)
{
	out += "<line class=\"axis\" x1=\"" + std::to_string(left) + "\" y1=\"" +
	       std::to_string(axis_y) + "\" x2=\"" + std::to_string(right) + "\" y2=\"" +
	       std::to_string(axis_y) + "\"/>\n";
	for (int d = 0; d <= days; d++) {
		int x = left + d * day_width;
		auto t = static_cast<time_t>(from + d * day);
		struct tm tm;
		bool dated = gmtime_r(&t, &tm) && (tm.tm_mday == 1 || tm.tm_mday == 15) && d < days;
		out += "<line class=\"tick\" x1=\"" + std::to_string(x) + "\" y1=\"" +
		       std::to_string(axis_y) + "\" x2=\"" + std::to_string(x) + "\" y2=\"" +
		       std::to_string(axis_y + (dated ? 6 : 3)) + "\"/>\n";
		if (dated)
			out += "<text class=\"small\" x=\"" + std::to_string(x) + "\" y=\"" +
			       std::to_string(axis_y + 15) + "\">" + months[tm.tm_mon] + " " +
			       std::to_string(tm.tm_mday) + "</text>\n";
	}
	std::string x = number(left + static_cast<double>(now - from) / column);
	out += "<line class=\"now\" x1=\"" + x + "\" y1=\"46\" x2=\"" + x + "\" y2=\"" +
	       std::to_string(axis_y) + "\"/>\n";
	out += "<text class=\"small end\" x=\"" + x + "\" y=\"34\">now</text>\n";
}

void draw_timeline(std::string &out, const std::vector<drawn_boot> &boots, std::size_t first,
                   int64_t from, int64_t now)
{
	std::vector<bar> bars = make_bars(boots, first, from, from + days * day);
	// Before the first bar: downtime when a boot ended before the window,
	// else no record.
	int start = bars.empty() ? right : bars.front().c0;
	if (start > left) {
		int64_t until = bars.empty() ? now : boots[bars.front().first].start;
		bool before = !bars.empty() && boots[first].start < from;
		if (before)
			rect(out, "down", left, down_y, start - left, down_h,
			     "down " + date(boots[first].end) + " to " + date(until) +
			         " UTC: " + duration(until - boots[first].end));
		else
			rect(out, "none", left, down_y, start - left, down_h,
			     "no record before " + date(until) + " UTC");
	}
	for (std::size_t i = 0; i + 1 < bars.size(); i++) {
		const bar &a = bars[i];
		const bar &b = bars[i + 1];
		int64_t gap_start = a.end, gap_end = boots[b.first].start;
		if (b.c0 > a.c1 && gap_end > gap_start)
			rect(out, "down", a.c1, down_y, b.c0 - a.c1, down_h,
			     "down " + date(gap_start) + " to " + date(gap_end) +
			         " UTC: " + duration(gap_end - gap_start));
	}
	double label_end = 0;
	for (const bar &b : bars) {
		boot_outcome k = bar_class(b);
		std::string cls = std::string("bar ") + outcome_name(k);
		rect(out, cls.c_str(), b.c0, bar_y, b.c1 - b.c0, bar_h, bar_title(b, boots));
		if (b.counts[static_cast<int>(boot_outcome::unclean)])
			out += "<path class=\"mark\" d=\"M" + number(b.c1 - 0.5) + " " +
			       std::to_string(bar_y - 1) + "l-2.5-4h5z\"/>\n";
		std::size_t n = b.last - b.first + 1;
		double middle = (b.c0 + b.c1) / 2.0;
		std::string count = std::to_string(n);
		double half = 2.4 * static_cast<double>(count.size());
		if (n > 1 && middle - half >= label_end + 6) {
			out += "<text class=\"n\" x=\"" + number(middle) + "\" y=\"" +
			       std::to_string(bar_y - 7) + "\">" + count + "</text>\n";
			label_end = middle + half;
		}
	}
}

// The 90 daily cells: each UTC day (the last up to now) shaded by the share
// of its recorded time that the machine was down, in tenths rounded up, so
// that a day of any downtime differs from a day of none.
void draw_days(std::string &out, const std::vector<boot_span> &spans, int64_t from, int64_t now)
{
	for (int d = 0; d < days; d++) {
		int64_t since = from + d * day;
		int64_t until = std::min(since + day, now);
		range_time t = time_in_spans(spans, {since, until});
		int64_t whole = t.uptime + t.downtime;
		std::string title = day_name(since) + " (UTC day";
		if (until < since + day)
			title += ", up to " + date(until).substr(11);
		title += ")";
		std::string cls = "none";
		if (whole <= 0) {
			title += ": no record";
		} else {
			int64_t tenths = (t.downtime * 10 + whole - 1) / whole;
			cls = "d" + std::to_string(tenths);
			title += ": down " + duration(t.downtime) + " (" +
			         percent(t.downtime, whole) + "), up " + duration(t.uptime);
		}
		rect(out, cls.c_str(), left + d * day_width + 0.5, cell_y, day_width - 1, cell_h,
		     title);
	}
}

// The cells' shades, d0 (no downtime) to d10 (down all day): from the blue
// of up to the orange of down, mixed in tenths.
std::string cell_styles()
{
	const int up[3] = {0x00, 0x72, 0xb2}, down[3] = {0xe6, 0x9f, 0x00};
	std::string text;
	for (int i = 0; i <= 10; i++) {
		char buf[40];
		int c[3];
		for (int k = 0; k < 3; k++)
			c[k] = (up[k] * (10 - i) + down[k] * i + 5) / 10;
		std::snprintf(buf, sizeof buf, ".d%d{fill:#%02x%02x%02x}\n", i, c[0], c[1], c[2]);
		text += buf;
	}
	return text;
}

void draw_legend(std::string &out)
{
	struct item {
		const char *cls;
		const char *text;
		int x;
	};
	const item items[] = {
	    {"bar clean", "ended cleanly", left},
	    {"bar unclean", "ended uncleanly", left + 100},
	    {"bar unknown", "end not known", left + 210},
	    {"bar running", "running", left + 315},
	    {"down", "down", left + 385},
	    {"none", "no record", left + 440},
	    {"d0", "", left + 530},
	    {"d5", "", left + 545},
	    {"d10", "a day: 0%, 50%, 100% down", left + 560},
	};
	for (const item &i : items) {
		out += "<rect class=\"" + std::string(i.cls) + "\" x=\"" + std::to_string(i.x) +
		       "\" y=\"" + std::to_string(legend_y) + "\" width=\"12\" height=\"12\"/>\n";
		if (*i.text)
			out += "<text x=\"" + std::to_string(i.x + 16) + "\" y=\"" +
			       std::to_string(legend_y + 10) + "\">" + i.text + "</text>\n";
	}
}

// The length of a valid UTF-8 sequence at p (of n bytes left), 0 for none.
std::size_t utf8_length(const unsigned char *p, std::size_t n, uint32_t *code)
{
	unsigned char c = p[0];
	std::size_t len;
	uint32_t min;
	if (c < 0x80) {
		*code = c;
		return 1;
	} else if (c >= 0xc2 && c <= 0xdf) {
		len = 2, min = 0x80, *code = c & 0x1f;
	} else if (c >= 0xe0 && c <= 0xef) {
		len = 3, min = 0x800, *code = c & 0x0f;
	} else if (c >= 0xf0 && c <= 0xf4) {
		len = 4, min = 0x10000, *code = c & 0x07;
	} else {
		return 0;
	}
	if (n < len)
		return 0;
	for (std::size_t i = 1; i < len; i++) {
		if ((p[i] & 0xc0) != 0x80)
			return 0;
		*code = (*code << 6) | (p[i] & 0x3f);
	}
	if (*code < min || *code > 0x10ffff || (*code >= 0xd800 && *code <= 0xdfff))
		return 0;
	return len;
}

} // namespace

std::string xml_text(const std::string &text)
{
	std::string out;
	const auto *p = reinterpret_cast<const unsigned char *>(text.data());
	std::size_t n = text.size();
	for (std::size_t i = 0; i < n;) {
		uint32_t code;
		std::size_t len = utf8_length(p + i, n - i, &code);
		bool allowed = len > 0 &&
		               (code >= 0x20 || code == '\t' || code == '\n' || code == '\r') &&
		               code != 0xfffe && code != 0xffff;
		if (!allowed) {
			out += "\xef\xbf\xbd";
			i += len > 0 ? len : 1;
			continue;
		}
		switch (code) {
		case '&':
			out += "&amp;";
			break;
		case '<':
			out += "&lt;";
			break;
		case '>':
			out += "&gt;";
			break;
		case '"':
			out += "&quot;";
			break;
		case '\'':
			out += "&apos;";
			break;
		default:
			out.append(text, i, len);
		}
		i += len;
	}
	return out;
}

std::string history_svg(const urec *list, const urec *current, const boot_ends &ends, int64_t now,
                        const std::string &host, const std::string &release)
{
	std::vector<drawn_boot> boots;
	for (const urec *rec = list; rec; rec = rec->next) {
		auto start = static_cast<int64_t>(rec->boot_time);
		int64_t end = clamped_sum(start, rec->uptime);
		boot_outcome kind = outcome_of(rec, current, ends);
		if (rec == current)
			end = std::max(end, now);
		boots.push_back({start, end, kind, rec->sysinfo});
	}
	std::stable_sort(boots.begin(), boots.end(), [](const drawn_boot &a, const drawn_boot &b) {
		return a.start < b.start;
	});

	int64_t today = now >= 0 ? now / day : (now - day + 1) / day;
	int64_t from = (today - (days - 1)) * day;

	// The boots that reach into the window, after the one that ends last
	// of those that started before it (its end is where the downtime
	// before the window starts).
	std::size_t first = static_cast<std::size_t>(
	    std::lower_bound(boots.begin(), boots.end(), from,
	                     [](const drawn_boot &b, int64_t t) { return b.start < t; }) -
	    boots.begin());
	if (first > 0) {
		std::size_t latest = first - 1;
		for (std::size_t i = 0; i < first; i++)
			if (boots[i].end > boots[latest].end)
				latest = i;
		if (latest != first - 1)
			boots[first - 1].end = boots[latest].end;
		first--;
	}
	std::vector<boot_span> spans;
	spans.reserve(boots.size() - first);
	for (std::size_t i = first; i < boots.size(); i++)
		spans.push_back({boots[i].start, boots[i].end});

	std::string out;
	out.reserve(64 * 1024);
	out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
	out += "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + std::to_string(width) +
	       " " + std::to_string(height) + "\" width=\"" + std::to_string(width) +
	       "\" height=\"" + std::to_string(height) + "\" role=\"img\">\n";
	range_time t = time_in_spans(spans, {from, now});
	std::string availability = t.uptime + t.downtime > 0
	                               ? "availability " + percent(t.uptime, t.uptime + t.downtime)
	                               : "no record";
	out += "<title>Boot history of " + xml_text(host) + ": " + availability +
	       " over the last 90 days</title>\n";
	out += "<style>\n" + std::string(style) + cell_styles() + "</style>\n";
	out += defs;
	// The separators are middle dots: blanks in a row would collapse.
	out += "<text class=\"head\" x=\"" + std::to_string(left) +
	       "\" y=\"18\"><tspan class=\"host\">" + xml_text(host) + "</tspan> \xc2\xb7 " +
	       xml_text(release) + " \xc2\xb7 " + availability + " over the last 90 days (since " +
	       day_name(from) + ")</text>\n";
	out += "<text class=\"small end\" x=\"" + std::to_string(right) + "\" y=\"18\">drawn " +
	       date(now) + " UTC</text>\n";
	out +=
	    "<text class=\"small\" x=\"" + std::to_string(left) +
	    "\" y=\"34\">Boots, one bar each (a number over a bar: boots merged into it)</text>\n";
	draw_timeline(out, boots, first, from, now);
	draw_axis(out, from, now);
	out += "<text class=\"small\" x=\"" + std::to_string(left) + "\" y=\"" +
	       std::to_string(cell_y - 6) + "\">Share of each UTC day down</text>\n";
	draw_days(out, spans, from, now);
	draw_legend(out);
	out += "<text class=\"small\" x=\"" + std::to_string(left) + "\" y=\"" +
	       std::to_string(height - 12) +
	       "\">Hover a bar or a day for its dates, uptime and downtime.</text>\n";
	out += "</svg>\n";
	return out;
}

bool write_history_svg(const char *path, const urec *list, const urec *current,
                       const boot_ends &ends, std::string *err)
{
	if (!check_metrics_folder(path, err))
		return false;
	char host[256] = "";
	if (gethostname(host, sizeof host - 1) != 0)
		host[0] = '\0';
	std::string release = read_sysinfo();
	std::string text = history_svg(list, current, ends, time(nullptr), host, release);
	if (replace_file(path, text.data(), text.size()) != 0) {
		*err = std::string("cannot write ") + path + ": " + std::strerror(errno);
		return false;
	}
	return true;
}
