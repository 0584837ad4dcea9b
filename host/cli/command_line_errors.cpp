#include "command_line_errors.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace ombrel::cli {

namespace {

std::string_view WithoutDashes(std::string_view word) {
  while (!word.empty() && word.front() == '-') word.remove_prefix(1);
  return word;
}

bool LooksLikeOption(const std::string& arg) {
  // "-1" is a (negative) value, not an option.
  return arg.size() > 1 && arg[0] == '-' && !std::isdigit(static_cast<unsigned char>(arg[1])) && arg[1] != '.';
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Every way to write an option of `command`, "--help" included.
std::vector<std::string> OptionWords(const CLI::App& command) {
  std::vector<std::string> words;
  for (const CLI::Option* option : command.get_options()) {
    for (const std::string& name : option->get_lnames()) words.push_back("--" + name);
    for (const std::string& name : option->get_snames()) words.push_back("-" + name);
  }
  return words;
}

std::vector<const CLI::Option*> Positionals(const CLI::App& command) {
  std::vector<const CLI::Option*> found;
  for (const CLI::Option* option : command.get_options()) {
    if (option->get_positional()) found.push_back(option);
  }
  return found;
}

// What the parser's type name of an option's value asks for, as a user would say it.
std::string KindOfValue(const CLI::Option& option) {
  // A checked option's type name is followed by its check's: "INT:INT in [1 - 10]".
  const std::string full = option.get_type_name();
  const std::string type = full.substr(0, full.find(':'));
  if (type == "INT") return "a whole number";
  if (type == "UINT") return "a whole number from 0 up";
  if (type == "FLOAT") return "a number";
  return "a value";
}

std::string FirstValue(const CLI::Option& option) {
  return option.results().empty() ? std::string() : option.results().front();
}

// "NAME: rest" and "rest" for messages that start with the option's name.
std::string NameBefore(const std::string& what, const std::string& separator) {
  const size_t at = what.find(separator);
  return at == std::string::npos ? std::string() : what.substr(0, at);
}

std::string LowerFirst(std::string what) {
  if (what.size() > 1 && std::isupper(static_cast<unsigned char>(what[0])) &&
      std::islower(static_cast<unsigned char>(what[1]))) {
    what[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(what[0])));
  }
  return what;
}

std::string UnknownOption(const std::string& arg, const CLI::App& command) {
  // "--sise=800x600" misspells "--sise".
  const std::string name = arg.rfind("--", 0) == 0 ? arg.substr(0, arg.find('=')) : arg;
  std::string text = "unknown option " + name;
  const std::string nearest = NearestWord(name, OptionWords(command));
  if (!nearest.empty()) text += "; did you mean " + nearest + "?";
  return text;
}

std::string Unexpected(const std::vector<std::string>& args, const CLI::App& command) {
  std::string text = args.size() == 1 ? "unexpected argument" : "unexpected arguments";
  for (const std::string& arg : args) text += " " + Quoted(arg);
  const std::vector<const CLI::Option*> positionals = Positionals(command);
  if (command.get_parent() == nullptr) {
    text += ": a command comes first";
  } else if (positionals.empty()) {
    text += ": " + command.get_name() + " takes options only";
  } else {
    text += ": " + command.get_name() + " takes";
    for (size_t i = 0; i < positionals.size(); ++i) {
      text += (i == 0 ? " one " : " and one ") + Upper(positionals[i]->get_name());
    }
  }
  return text;
}

// "Value 11 not in range 1 to 10", the range check's words: the bounds, with an upper bound
// past any count (the non-negative check's) left open.
std::string RangeOf(const std::string& what) {
  const size_t at = what.find(" not in range ");
  if (at == std::string::npos) return "";
  const std::string bounds = what.substr(at + 14);
  const size_t to = bounds.find(" to ");
  if (to == std::string::npos) return "";
  // Bounds of a floating-point check come as "0.000000".
  auto number = [](std::string text) {
    if (text.find('.') != std::string::npos) {
      while (text.back() == '0') text.pop_back();
      if (text.back() == '.') text.pop_back();
    }
    return text;
  };
  const std::string low = number(bounds.substr(0, to));
  const std::string high = bounds.substr(to + 4);
  if (std::strtod(high.c_str(), nullptr) > 1e15) return " from " + low + " up";
  return " from " + low + " to " + number(high);
}

std::string BadValue(const CLI::App& command, const std::string& name, const std::string& what) {
  const CLI::Option* option = command.get_option_no_throw(name);
  if (!option) return "";
  const std::string value = FirstValue(*option);
  std::string kind = KindOfValue(*option);
  const std::string range = RangeOf(what);
  if (!range.empty()) {
    if (kind == "a whole number from 0 up") kind = "a whole number";
    if (kind == "a value") kind = "a number";
    kind += range;
  }
  if (option->get_expected_max() == 0) return name + " takes no value";
  return name + ": " + Quoted(value) + " is not " + kind;
}

}  // namespace

size_t EditDistance(std::string_view a, std::string_view b) {
  // Optimal string alignment over three rows: a swap of neighbours ("--szie") is one edit.
  std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t change = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        current[j] = std::min(current[j], before[j - 2] + 1);
      }
    }
    before.swap(previous);
    previous.swap(current);
  }
  return previous[b.size()];
}

std::string NearestWord(std::string_view word, const std::vector<std::string>& candidates) {
  const std::string_view bare = WithoutDashes(word);
  if (bare.empty()) return "";
  // One edit in three letters: "sise" may mean "size", "x" does not mean "-o".
  const size_t allowed = std::max<size_t>(1, bare.size() / 3);
  std::string best;
  size_t bestDistance = allowed + 1;
  for (const std::string& candidate : candidates) {
    const std::string_view other = WithoutDashes(candidate);
    const size_t distance = EditDistance(bare, other);
    if (distance < bestDistance && distance < other.size()) {
      best = candidate;
      bestDistance = distance;
    }
  }
  if (!best.empty()) return best;
  // A word cut short names the one candidate it begins.
  if (bare.size() >= 3) {
    for (const std::string& candidate : candidates) {
      if (WithoutDashes(candidate).substr(0, bare.size()) == bare) {
        if (!best.empty()) return "";
        best = candidate;
      }
    }
  }
  return best;
}

std::string DescribeParseError(const CLI::App& program, const CLI::App& command, const CLI::ParseError& error) {
  // A misspelt option is the cause of whatever else the parser then found missing.
  const std::vector<std::string> left = program.remaining(true);
  for (const std::string& arg : left) {
    if (LooksLikeOption(arg)) return UnknownOption(arg, command);
  }
  const std::string what = error.what();
  if (dynamic_cast<const CLI::ExtrasError*>(&error) && !left.empty()) return Unexpected(left, command);
  if (dynamic_cast<const CLI::ConversionError*>(&error)) {
    // "Could not convert: --threads = abc"; a flag given a value is "--strict: too many inputs..."
    std::string name = NameBefore(what, " = ");
    if (name.rfind("Could not convert: ", 0) == 0) name = name.substr(19);
    if (name.empty()) name = NameBefore(what, ": ");
    const std::string text = BadValue(command, name, what);
    if (!text.empty()) return text;
  }
  // The range checks' words are the library's; the host's own checks speak for themselves.
  if (dynamic_cast<const CLI::ValidationError*>(&error) && !RangeOf(what).empty()) {
    const std::string text = BadValue(command, NameBefore(what, ": "), what);
    if (!text.empty()) return text;
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error)) {
    const std::string name = NameBefore(what, ": ");
    const CLI::Option* option = name.empty() ? nullptr : command.get_option_no_throw(name);
    if (option && option->results().empty()) return name + " needs " + KindOfValue(*option);
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error)) {
    if (command.get_parent() == nullptr) {
      std::string names;
      for (const CLI::App* sub : command.get_subcommands({})) names += (names.empty() ? "" : ", ") + sub->get_name();
      return "a command is required: " + names;
    }
    const std::string name = NameBefore(what, " is required");
    const CLI::Option* option = name.empty() ? nullptr : command.get_option_no_throw(name);
    if (option) {
      const std::string shown = option->get_positional() ? Upper(name) : name;
      return command.get_name() + " needs " + shown + ": " + option->get_description();
    }
  }
  return LowerFirst(what);
}

}  // namespace ombrel::cli
