// export.cpp - every boot as CSV or JSON Lines.
#include "recorder/history_view/export.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <ctime>

namespace
{

void append_number(std::string &out, int64_t value)
{
	char buf[24];
	auto result = std::to_chars(buf, buf + sizeof buf, value);
	out.append(buf, result.ptr);
}

// YYYY-MM-DDTHH:MM:SSZ; the number of seconds where the C library has no
// date for it.
void append_utc(std::string &out, int64_t when)
{
	auto t = static_cast<time_t>(when);
	struct tm tm;
	char buf[40];
	if (gmtime_r(&t, &tm) && std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm) > 0)
		out += buf;
	else
		append_number(out, when);
}

void append_csv_field(std::string &out, const char *text)
{
	if (!std::strpbrk(text, ",\"\r\n")) {
		out += text;
		return;
	}
	out += '"';
	for (const char *p = text; *p; p++) {
		if (*p == '"')
			out += '"';
		out += *p;
	}
	out += '"';
}

// The length of the valid UTF-8 sequence at p, or 0 with bad set to the
// bytes of its maximal broken part (at least 1) when it is not valid.
std::size_t utf8_length(const unsigned char *p, std::size_t *bad)
{
	unsigned char c = p[0];
	std::size_t n;
	unsigned char low = 0x80, high = 0xbf; // the second byte's range
	if (c < 0x80)
		return 1;
	if (c >= 0xc2 && c <= 0xdf)
		n = 2;
	else if (c >= 0xe0 && c <= 0xef) {
		n = 3;
		if (c == 0xe0)
			low = 0xa0;
		if (c == 0xed)
			high = 0x9f;
	} else if (c >= 0xf0 && c <= 0xf4) {
		n = 4;
		if (c == 0xf0)
			low = 0x90;
		if (c == 0xf4)
			high = 0x8f;
	} else {
		*bad = 1;
		return 0;
	}
	for (std::size_t i = 1; i < n; i++) {
		unsigned char lo = i == 1 ? low : 0x80, hi = i == 1 ? high : 0xbf;
		if (p[i] < lo || p[i] > hi) { // a NUL ends it too
			*bad = i;
			return 0;
		}
	}
	return n;
}

void append_json_field(std::string &out, const char *name, const char *text)
{
	out += ",\"";
	out += name;
	out += "\":";
	if (text)
		append_json_string(out, text);
	else
		out += "null";
}

void append_json_number(std::string &out, const char *name, int64_t value)
{
	out += ",\"";
	out += name;
	out += "\":";
	append_number(out, value);
}

} // namespace

void append_json_string(std::string &out, const char *text)
{
	static const char hex[] = "0123456789abcdef";
	out += '"';
	const auto *p = reinterpret_cast<const unsigned char *>(text);
	while (*p) {
		unsigned char c = *p;
		if (c >= 0x80) {
			std::size_t bad = 0;
			std::size_t n = utf8_length(p, &bad);
			if (n > 0) {
				out.append(reinterpret_cast<const char *>(p), n);
				p += n;
			} else {
				out += "\xef\xbf\xbd"; // U+FFFD
				p += bad;
			}
			continue;
		}
		p++;
		switch (c) {
		case '"':
			out += "\\\"";
			break;
		case '\\':
			out += "\\\\";
			break;
		case '\b':
			out += "\\b";
			break;
		case '\f':
			out += "\\f";
			break;
		case '\n':
			out += "\\n";
			break;
		case '\r':
			out += "\\r";
			break;
		case '\t':
			out += "\\t";
			break;
		default:
			if (c < 0x20) {
				out += "\\u00";
				out += hex[c >> 4];
				out += hex[c & 15];
			} else {
				out += static_cast<char>(c);
			}
		}
	}
	out += '"';
}

std::string export_csv(const std::vector<boot_row> &rows)
{
	std::string out = "boot_id,start,start_utc,end,end_utc,uptime,downtime,ended,system,"
	                  "source,suspended\r\n";
	out.reserve(out.size() + rows.size() * 160);
	for (const boot_row &row : rows) {
		append_csv_field(out, row.boot_id.c_str());
		out += ',';
		append_number(out, row.start);
		out += ',';
		append_utc(out, row.start);
		out += ',';
		append_number(out, row.end);
		out += ',';
		append_utc(out, row.end);
		out += ',';
		append_number(out, row.end - row.start);
		out += ',';
		append_number(out, row.downtime);
		out += ',';
		out += outcome_name(row.outcome);
		out += ',';
		append_csv_field(out, row.rec->sysinfo);
		out += ',';
		append_csv_field(out, row.source);
		out += ',';
		if (row.suspended)
			append_number(out, *row.suspended);
		out += "\r\n";
	}
	return out;
}

std::string export_json_lines(const std::vector<boot_row> &rows)
{
	std::string out;
	out.reserve(rows.size() * 260);
	for (const boot_row &row : rows) {
		out += "{\"boot_id\":";
		if (row.boot_id.empty())
			out += "null";
		else
			append_json_string(out, row.boot_id.c_str());
		append_json_number(out, "start", row.start);
		out += ",\"start_utc\":\"";
		append_utc(out, row.start);
		out += '"';
		append_json_number(out, "end", row.end);
		out += ",\"end_utc\":\"";
		append_utc(out, row.end);
		out += '"';
		append_json_number(out, "uptime", row.end - row.start);
		append_json_number(out, "downtime", row.downtime);
		append_json_field(out, "ended", outcome_name(row.outcome));
		append_json_field(out, "system", row.rec->sysinfo);
		append_json_field(out, "source", *row.source ? row.source : nullptr);
		out += ",\"suspended\":";
		if (row.suspended)
			append_number(out, *row.suspended);
		else
			out += "null";
		out += "}\n";
	}
	return out;
}
