// The subcommands of ombrel-host; each lives in its own command_*.cpp, which also registers its
// options (cli_app.h). The Run functions answer an ExitCode (cli_report.h).
#ifndef OMBREL_HOST_CLI_COMMANDS_H
#define OMBREL_HOST_CLI_COMMANDS_H

#include <filesystem>
#include <optional>
#include <string>

namespace ombrel::cli {

struct ModuleArgs {
  std::string module;  // empty: the default module
  std::string resourceDir;  // empty: "res" beside the module
};

// Loads the module, prints the console and the registered plug-ins in order.
int RunPlugins(const ModuleArgs& args);

// Prints a plug-in's parameters from its description; with a node, `name` is a scene file and
// the node's interface is printed as it shows now, with the entries its plug-in adds.
int RunDescribe(const ModuleArgs& args, const std::string& name, const std::string& node = "");

struct RenderArgs {
  std::string scene;   // empty: the built-in demo scene
  std::string output;  // empty: ombrel-demo.png for the demo, else the scene's name with .png
  std::string size;    // empty: the scene's size; else WIDTHxHEIGHT
  int threads = 0;     // 0: the scene's setting, else every core
  bool strict = false; // a shader input that fails its set-up fails the command
};

// Renders a scene file (or the demo scene) into a picture file.
int RunRender(const ModuleArgs& args, const RenderArgs& render);

struct SampleArgs {
  std::string scene;
  std::string shader;
  std::string object;  // empty: samples carry no hit
  std::optional<int> polygon;
  int texflag = 0;
  bool strict = false;
};

// Samples one shader of a scene at the points read from standard input.
int RunSample(const ModuleArgs& args, const SampleArgs& sample);

// Sets the image budget from --image-budget, else from the environment; false after a message
// when the value cannot be read.
bool ApplyImageBudget(const std::string& option);

struct EditArgs {
  std::string scene;
  std::string script;
  std::string output;  // empty: the edited scene is not written
  bool verbose = false;
};

// Runs a script of edits on a scene (docs/editing.md).
int RunEdit(const ModuleArgs& args, const EditArgs& edit);

}  // namespace ombrel::cli

#endif
