// options_test.cpp - the command line read into options, and the message of
// each usage error.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recorder/options.h"

namespace
{

// Reads the words as a command line after the program's name.
bool read(std::vector<std::string> words, options *opts, std::string *err)
{
	words.insert(words.begin(), "corvane-record");
	std::vector<char *> argv;
	for (std::string &word : words)
		argv.push_back(word.data());
	argv.push_back(nullptr);
	static std::vector<std::string> kept; // optarg points into the words
	kept = std::move(words);
	return read_options(static_cast<int>(argv.size() - 1), argv.data(), opts, err);
}

TEST(options, each_usage_error_has_its_message)
{
	const std::string list = " (corvane-record --help lists the options)";
	struct {
		std::vector<std::string> words;
		std::string message;
	} const cases[] = {
	    {{"--bogus"}, "unknown option '--bogus'" + list},
	    {{"-nx"}, "unknown option '-x'" + list},
	    {{"-f"}, "a file name must follow '-f'" + list},
	    {{"--metrics"}, "a file name must follow '--metrics'" + list},
	    {{"-W"}, "a number of seconds must follow '-W'" + list},
	    {{"--wait=1x"}, "the wait must be whole seconds, not '1x'" + list},
	    {{"-W", ""}, "the wait must be whole seconds, not ''" + list},
	    {{"-W", "4294967296"}, "the wait must be whole seconds, not '4294967296'" + list},
	    {{"-W", "99999999999"}, "the wait must be whole seconds, not '99999999999'" + list},
	    {{"records"}, "unexpected argument 'records'" + list},
	    {{"-f", ""}, "an empty file name for '--file'" + list},
	    {{"--wtmp="}, "an empty file name for '--wtmp'" + list},
	    {{"--journal="}, "an empty file name for '--journal'" + list},
	    {{"--wtmpdb="}, "an empty file name for '--wtmpdb'" + list},
	    {{"--metrics="}, "an empty file name for '--metrics'" + list},
	    {{"--svg"}, "a file name must follow '--svg'" + list},
	    {{"--svg="}, "an empty file name for '--svg'" + list},
	    {{"--status", "--shutdown"}, "--status and --shutdown cannot be given together" + list},
	    {{"--bogus", "-h"}, "unknown option '--bogus'" + list},
	    {{"--export=xml"}, "--export takes csv or json, not 'xml'" + list},
	    {{"--export"}, "csv or json must follow '--export'" + list},
	    {{"--since"}, "a date must follow '--since'" + list},
	    {{"--status", "--export=csv"}, "--status and --export cannot be given together" + list},
	    {{"--check", "--status"}, "--status and --check cannot be given together" + list},
	    {{"--export=json", "--check"}, "--export and --check cannot be given together" + list},
	    {{"--check", "--shutdown"}, "--check and --shutdown cannot be given together" + list},
	    {{"--export=csv", "--shutdown"},
	     "--export and --shutdown cannot be given together" + list},
	    {{"--since=@5"}, "--since and --until go with --status or --export" + list},
	    {{"--check", "--until=@5"}, "--since and --until go with --status or --export" + list},
	    {{"--status", "--since=@5", "--until=@5"}, "--since must be before --until"},
	    {{"--status", "--since=2026-11-31"},
	     "--since: there is no such day or time as '2026-11-31'"},
	    {{"--status", "--until=today"},
	     "--until: cannot read the date 'today': give YYYY-MM-DD, YYYY-MM-DD HH:MM[:SS], "
	     "ISO 8601 with an offset (2026-11-01T08:00:00+01:00) or @SECONDS"},
	};
	for (const auto &c : cases) {
		options opts;
		std::string err;
		EXPECT_FALSE(read(c.words, &opts, &err)) << c.words[0];
		EXPECT_EQ(err, c.message) << c.words[0];
	}
}

TEST(options, reads_each_option_into_its_field)
{
	options opts;
	std::string err;
	ASSERT_TRUE(read({"-ni", "-f", "s", "-W", "0", "-w", "a", "--journal=j", "--wtmpdb=d",
	                  "--metrics=m", "--svg=p", "--shutdown"},
	                 &opts, &err))
	    << err;
	EXPECT_STREQ(opts.store, "s");
	EXPECT_TRUE(opts.dry_run);
	EXPECT_TRUE(opts.history.import);
	EXPECT_EQ(opts.wait, 0u);
	EXPECT_STREQ(opts.history.wtmp, "a");
	EXPECT_STREQ(opts.history.journal, "j");
	EXPECT_STREQ(opts.history.wtmpdb, "d");
	EXPECT_STREQ(opts.metrics, "m");
	EXPECT_STREQ(opts.svg, "p");
	EXPECT_TRUE(opts.shutdown);
	EXPECT_FALSE(opts.status);

	ASSERT_TRUE(read({}, &opts, &err));
	EXPECT_EQ(opts.store, nullptr);
	EXPECT_EQ(opts.wait, 60u);
	ASSERT_TRUE(read({"--wait=4294967295", "--status"}, &opts, &err));
	EXPECT_EQ(opts.wait, 4294967295u);
	EXPECT_TRUE(opts.status);
	EXPECT_TRUE(whole_time(opts.range));

	ASSERT_TRUE(read({"--export=json", "--since=@100", "--until", "@200"}, &opts, &err)) << err;
	EXPECT_EQ(opts.export_as, export_format::json);
	EXPECT_EQ(opts.range.since, 100);
	EXPECT_EQ(opts.range.until, 200);
	EXPECT_STREQ(opts.since_text, "@100");
	ASSERT_TRUE(read({"--export=csv", "--until=@200"}, &opts, &err)) << err;
	EXPECT_EQ(opts.export_as, export_format::csv);
	EXPECT_EQ(opts.range.since, INT64_MIN);
	ASSERT_TRUE(read({"--check"}, &opts, &err)) << err;
	EXPECT_TRUE(opts.check);
}

TEST(options, help_and_version_end_the_reading)
{
	struct {
		std::vector<std::string> words;
		bool help;
		bool version;
	} const cases[] = {
	    {{"-h"}, true, false},
	    {{"--help", "--bogus", "x"}, true, false},
	    {{"-V"}, false, true},
	    {{"-n", "--version", "-W", "x"}, false, true},
	};
	for (const auto &c : cases) {
		options opts;
		std::string err;
		EXPECT_TRUE(read(c.words, &opts, &err)) << c.words[0] << ": " << err;
		EXPECT_EQ(opts.help, c.help) << c.words[0];
		EXPECT_EQ(opts.version, c.version) << c.words[0];
	}
}

} // namespace
