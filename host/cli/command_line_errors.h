// A wrong command line told in ombrel-host's own words: the parser's errors become sentences that
// name the option and its value, and a misspelt command or option gets the nearest right one.
#ifndef OMBREL_HOST_CLI_COMMAND_LINE_ERRORS_H
#define OMBREL_HOST_CLI_COMMAND_LINE_ERRORS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

namespace ombrel::cli {

// Edits (insert, delete, change or swap two neighbouring characters) that turn `a` into `b`.
size_t EditDistance(std::string_view a, std::string_view b);

// The candidate a user most likely meant by `word`, or "" when none is near enough to suggest.
// Leading dashes are not counted, so "--sise" is one edit from "--size".
std::string NearestWord(std::string_view word, const std::vector<std::string>& candidates);

// The sentence for a parse error of `command` (the subcommand given, or the program itself),
// without the "ombrel-host: " prefix and the pointer to --help. `program` is the whole command
// line's parser: arguments left over are collected from it.
std::string DescribeParseError(const CLI::App& program, const CLI::App& command, const CLI::ParseError& error);

}  // namespace ombrel::cli

#endif
