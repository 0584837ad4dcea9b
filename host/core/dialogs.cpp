#include "dialogs.h"

#include <cstdio>
#include <iostream>

#include "host_api.h"
#include "terminal.h"

namespace ombrel::host {
namespace {

const char* KindName(DialogRecord::Kind kind) {
  switch (kind) {
    case DialogRecord::Kind::FileSelect: return "file dialog";
    case DialogRecord::Kind::Question: return "question";
    default: return "message";
  }
}

// What went to stdout before a line on stderr is shown first, so that a log of both keeps their
// order.
void FlushBeforeStderr() { std::fflush(stdout); }

std::string AskLine(const std::string& prompt) {
  FlushBeforeStderr();
  std::fprintf(stderr, "%s", prompt.c_str());
  std::fflush(stderr);
  std::string line;
  if (!std::getline(std::cin, line)) return {};
  return line;
}

}  // namespace

std::string WithSuffix(const std::string& path, const std::string& suffix) {
  if (suffix.empty() || path.empty()) return path;
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  const bool hasSuffix = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasSuffix ? path.substr(0, dot) : path) + "." + suffix;
}

std::optional<DialogAnswer> Dialogs::NextAnswer(DialogRecord& record) {
  if (!queued_.empty()) {
    DialogAnswer answer = std::move(queued_.front());
    queued_.pop_front();
    record.scripted = true;
    return answer;
  }
  if (interactive_.value_or(IsTerminal(stdin))) return std::nullopt;  // ask the person
  FlushBeforeStderr();
  std::fprintf(stderr, "ombrel-host: %s \"%s\": no answer queued and nobody to ask; cancelled\n",
               KindName(record.kind), record.title.c_str());
  return DialogAnswer::Cancelled();
}

std::optional<std::string> Dialogs::FileSelect(int32_t mode, const std::string& title, const std::string& forceSuffix,
                                               const std::string& proposed) {
  DialogRecord record{DialogRecord::Kind::FileSelect, title, mode, forceSuffix, "", false, false};
  std::optional<DialogAnswer> answer = NextAnswer(record);
  if (!answer) {
    const char* what = mode == HOST_FILESELECT_LOAD ? "open" : mode == HOST_FILESELECT_SAVE ? "save to" : "choose folder";
    std::string prompt = title + " (" + what;
    if (!forceSuffix.empty()) prompt += ", ." + forceSuffix;
    if (!proposed.empty()) prompt += ", proposed " + proposed;
    prompt += "; empty line cancels): ";
    const std::string line = AskLine(prompt);
    answer = line.empty() ? DialogAnswer::Cancelled() : DialogAnswer::Chosen(line);
  }
  std::optional<std::string> chosen;
  if (answer->kind == DialogAnswer::Kind::File && !answer->file.empty()) {
    chosen = mode == HOST_FILESELECT_DIRECTORY ? answer->file : WithSuffix(answer->file, forceSuffix);
  }
  record.answer = chosen ? *chosen : "cancelled";
  record.chosen = chosen.has_value();
  shown_.push_back(record);
  return chosen;
}

bool Dialogs::Question(const std::string& text) {
  DialogRecord record{DialogRecord::Kind::Question, text, 0, "", "", false, false};
  std::optional<DialogAnswer> answer = NextAnswer(record);
  if (!answer) {
    const std::string line = AskLine(text + " [y/N]: ");
    answer = DialogAnswer{!line.empty() && (line[0] == 'y' || line[0] == 'Y') ? DialogAnswer::Kind::Yes
                                                                                : DialogAnswer::Kind::No, ""};
  }
  const bool yes = answer->kind == DialogAnswer::Kind::Yes;
  record.answer = yes ? "yes" : answer->kind == DialogAnswer::Kind::No ? "no" : "cancelled";
  shown_.push_back(record);
  return yes;
}

void Dialogs::Message(const std::string& text) {
  FlushBeforeStderr();
  std::fprintf(stderr, "ombrel-host: message: %s\n", text.c_str());
  shown_.push_back(DialogRecord{DialogRecord::Kind::Message, text, 0, "", "", false, false});
}

}  // namespace ombrel::host
