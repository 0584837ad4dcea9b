// The host's dialogs: file selection, yes/no questions and messages. A script queues answers in
// advance; without one queued, a person at a terminal is asked; with nobody there the dialog is
// cancelled, and that is said on stderr so that a script never waits or guesses silently.
#ifndef OMBREL_HOST_DIALOGS_H
#define OMBREL_HOST_DIALOGS_H

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ombrel::host {

struct DialogAnswer {
  enum class Kind { Cancel, File, Yes, No };
  Kind kind = Kind::Cancel;
  std::string file;  // Kind::File

  static DialogAnswer Cancelled() { return {}; }
  static DialogAnswer Chosen(std::string path) { return {Kind::File, std::move(path)}; }
};

// One dialog as it was shown, for the edit command's report and for tests.
struct DialogRecord {
  enum class Kind { FileSelect, Question, Message };
  Kind kind = Kind::FileSelect;
  std::string title;   // the title, question or message text
  int32_t mode = 0;    // file selection: HOST_FILESELECT_*
  std::string suffix;  // file selection: the forced suffix
  std::string answer;  // the chosen file, "yes", "no", "cancelled" or "" for messages
  bool scripted = false;
  bool chosen = false;  // file selection: a file or folder was chosen, not cancelled
};

class Dialogs {
 public:
  void Queue(DialogAnswer answer) { queued_.push_back(std::move(answer)); }
  size_t Queued() const { return queued_.size(); }
  void ClearQueue() { queued_.clear(); }

  // Whether a person may be asked when nothing is queued (default: when stdin is a terminal).
  void SetInteractive(bool interactive) { interactive_ = interactive; }

  // The chosen file or nothing when cancelled. forceSuffix (without the dot) replaces the
  // chosen name's suffix, or is added to a name without one.
  std::optional<std::string> FileSelect(int32_t mode, const std::string& title, const std::string& forceSuffix,
                                        const std::string& proposed);
  bool Question(const std::string& text);
  // Messages need no answer: they are shown on stderr and recorded.
  void Message(const std::string& text);

  const std::vector<DialogRecord>& Shown() const { return shown_; }
  void ClearShown() { shown_.clear(); }

 private:
  std::optional<DialogAnswer> NextAnswer(DialogRecord& record);

  std::deque<DialogAnswer> queued_;
  std::vector<DialogRecord> shown_;
  std::optional<bool> interactive_;
};

// Gives a path the suffix (without the dot): replaces the one it has, or adds one.
std::string WithSuffix(const std::string& path, const std::string& suffix);

}  // namespace ombrel::host

#endif
