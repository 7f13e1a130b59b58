// The option table as the parser and the help see it: every option a user may
// write is described and accepted, under each of its names.

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CliOptions.h"

namespace v2m::cli {
namespace {

// A value the option accepts, by the argument's label in the help.
const std::map<std::string_view, std::string> kSampleValues = {
    {" NAME", "flac"}, {" R", "44100"},    {" C", "mono"}, {" B", "128"},
    {" V", "50"},      {" DIR", "out"},    {" N", "2"},    {" LANG", "eng"},
    {" FILE", "list"}, {" T", "1:30"},     {" S", "12"},   {" TEMPLATE", "{artist}"},
    {"=json", "json"}, {"[=LUFS]", "-23"},
};

// Whether `text` names `option` as a word of its own, not as a part of a
// longer option ("--watch" in "--watch-settle").
bool Names(const std::string& text, std::string_view option) {
    const auto in_name = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-';
    };
    for (size_t at = text.find(option); at != std::string::npos; at = text.find(option, at + 1)) {
        const size_t end = at + option.size();
        if ((at == 0 || !in_name(text[at - 1])) && (end == text.size() || !in_name(text[end]))) {
            return true;
        }
    }
    return false;
}

std::optional<TCliOptions> TryParse(const std::vector<std::string>& args) {
    try {
        return ParseCommandLine(args);
    } catch (const EUsageError&) {
        return std::nullopt;
    }
}

// Accepted beside an input, a list of inputs or nothing else (whichever the
// option goes with), and changing what was parsed.
bool Parses(const std::vector<std::string>& option) {
    const std::vector<std::vector<std::string>> contexts = {{"in.mkv"}, {"--files-from", "-"}, {}};
    for (const std::vector<std::string>& context : contexts) {
        std::vector<std::string> args = option;
        args.insert(args.end(), context.begin(), context.end());
        const std::optional<TCliOptions> with = TryParse(args);
        if (with && *with != TryParse(context).value_or(TCliOptions{})) {
            return true;
        }
    }
    return false;
}

TEST(CliOptionsTest, EveryOptionIsDescribedAndParsesUnderEachName) {
    const std::string help = HelpText();
    const std::string usage = UsageText();
    std::set<std::string_view> names;
    for (const TOptionRow& row : OptionTable()) {
        EXPECT_TRUE(Names(usage, row.Long)) << row.Long;
        for (const std::string_view name : {row.Long, row.Short}) {
            if (name.empty()) {
                continue;
            }
            SCOPED_TRACE(std::string(name));
            EXPECT_TRUE(names.insert(name).second) << "two rows share the name";
            EXPECT_TRUE(Names(help, name));
            std::vector<std::string> option = {std::string(name)};
            if (row.Arg != TOptionArg::None) {
                const auto sample = kSampleValues.find(row.ArgLabel);
                ASSERT_NE(sample, kSampleValues.end()) << "no sample for '" << row.ArgLabel << "'";
                if (row.Arg == TOptionArg::Value) {
                    option.push_back(sample->second);
                } else {
                    option[0] += "=" + sample->second;
                }
            }
            EXPECT_TRUE(Parses(option));
        }
    }
    // The entries, laid out from the table, fit a terminal.
    ASSERT_TRUE(help.starts_with(usage));
    std::istringstream lines(help.substr(usage.size()));
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 80U) << line;
    }
}

}  // namespace
}  // namespace v2m::cli
